#pragma once

// The texts the main window shows before any character is loaded.
namespace tobble::captions {

inline constexpr char16_t kInitialCaption[] = u"Its Tobble!";
inline constexpr char16_t kAskCaption[] = u"Ask Tobble:";
// What assistive technology calls the click area: the character itself, whose press makes it talk.
inline constexpr char16_t kLabel2Name[] = u"Tobble";

} // namespace tobble::captions
