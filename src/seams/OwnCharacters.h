#pragma once

#include <string>

namespace tobble {

// Where the user's own characters live and how each is started, as the system does it.
class OwnCharacters {
public:
    virtual ~OwnCharacters() = default;

    // The folder where this user's own characters go; it need not exist yet.
    virtual std::u16string ownCharactersFolder() = 0;

    // Makes the character in folder startable on its own: puts there what starts this program on
    // it, and adds an entry named name to the user's applications menu. Throws Failure, leaving no
    // menu entry behind; the caller removes the folder.
    virtual void makeStartable(const std::u16string& folder, const std::u16string& name) = 0;

    // Starts this program on the character in folder, as its menu entry would, without waiting.
    // Throws Failure if it cannot be started.
    virtual void startCharacter(const std::u16string& folder) = 0;
};

} // namespace tobble
