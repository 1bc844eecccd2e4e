// Resource identifiers shared by tobble.rc and the code. The menu and its shortcut keys are not
// resources: the window builds them from the menu table (ui/MenuTree.h).
#pragma once

#define IDI_TOBBLE 1
#define IDC_MICROPHONE 2

#define IDD_INPUTBOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_TEXT 202

#define IDC_TEXT1 300
