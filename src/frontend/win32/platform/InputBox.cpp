#include "frontend/win32/platform/InputBox.h"

#include "frontend/win32/platform/InputBoxIds.h"
#include "frontend/win32/platform/WideText.h"

namespace tobble {

namespace {

struct InputBoxState {
    const std::u16string* prompt;
    const std::u16string* title;
    const std::u16string* defaultText;
    std::u16string answer;
};

std::u16string itemText(HWND dialog, int item) {
    HWND control = GetDlgItem(dialog, item);
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), length + 1);
    return fromWide(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

INT_PTR CALLBACK inputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto* state = reinterpret_cast<const InputBoxState*>(lParam);
        SetWindowTextW(dialog, wide(*state->title));
        SetDlgItemTextW(dialog, IDC_INPUT_PROMPT, wide(*state->prompt));
        SetDlgItemTextW(dialog, IDC_INPUT_TEXT, wide(*state->defaultText));
        HWND edit = GetDlgItem(dialog, IDC_INPUT_TEXT);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return FALSE; // the focus is set already
    }
    case WM_COMMAND: {
        auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (LOWORD(wParam)) {
        case IDOK:
            state->answer = itemText(dialog, IDC_INPUT_TEXT);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            state->answer.clear();
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

} // namespace

std::u16string showInputBox(HINSTANCE instance, HWND owner, const std::u16string& prompt,
                            const std::u16string& title, const std::u16string& defaultText) {
    InputBoxState state{&prompt, &title, &defaultText, {}};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_INPUTBOX), owner, inputBoxProc,
                    reinterpret_cast<LPARAM>(&state));
    return state.answer;
}

} // namespace tobble
