// Resource identifiers shared by tobble.rc and the code. The menu and its shortcut keys are not
// resources: the window builds them from the menu table (ui/MenuTree.h).
#pragma once

#define IDI_TOBBLE 1
#define IDC_MICROPHONE 2

#include "frontend/win32/platform/InputBoxIds.h"

#define IDC_TEXT1 300
#define IDC_LABEL1 301
#define IDC_LABEL2 302
#define IDC_LABEL3 303
