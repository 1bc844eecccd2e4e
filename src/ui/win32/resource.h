// Resource identifiers shared by tobble.rc and the code.
#pragma once

#define IDI_TOBBLE 1
#define IDC_MICROPHONE 2

#define IDR_MAINMENU 100
#define IDR_ACCELERATORS 100

// Menu commands: the same numbers as the logic's MenuCommand values.
#define IDM_REPEAT 101
#define IDM_SHRINK 102
#define IDM_ONOFF 103
#define IDM_SETTIME 104
#define IDM_RELOAD 105
#define IDM_OPENCONFIG 106
#define IDM_ABOUT 107
#define IDM_QUIT 108

#define IDD_INPUTBOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_TEXT 202

#define IDC_TEXT1 300
