// Identifiers of the input box's dialog resource, which the program's resource script holds.
#pragma once

#define IDD_INPUTBOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_TEXT 202
