#pragma once

#include "seams/Desktop.h"
#include "seams/OwnCharacters.h"
#include "seams/Pictures.h"
#include "seams/Processes.h"
#include "seams/Sound.h"
#include "seams/SystemFacts.h"

namespace tobble {

// Everything the program asks of the system, one seam each, as a frontend hands it in. One object
// may serve several seams.
struct Platform {
    Sound& sound;
    Desktop& desktop;
    PictureDecoder& pictures;
    Processes& processes;
    SystemFacts& system;
    OwnCharacters& own;
};

} // namespace tobble
