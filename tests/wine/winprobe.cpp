// Under Wine, prints what the program's windows say, as a screen reader would: each visible
// top-level window's title, then the identifier and text of each of its child controls (one
// line each). "winprobe press NAME" presses the button of that name as a screen reader would.
// Copied as notepad.exe, it stands in for the editor instead: it writes the directory it runs in
// and its arguments to the file that TOBBLE_EDITOR_LOG names.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cwchar>

namespace {

// WM_GETTEXT, not GetWindowText: only the message reaches another process's edit controls.
void print(HWND window, const char* kind, int id = 0) {
    wchar_t text[4096] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\n' || c == L'\r')
            c = L' ';
    std::printf("%s\t%d\t%ls\n", kind, id, text);
}

// child: 0 for the top-level windows, 1 for their controls.
BOOL CALLBACK printWindow(HWND window, LPARAM child) {
    if (child)
        print(window, "control", GetDlgCtrlID(window));
    else if (IsWindowVisible(window)) {
        print(window, "window");
        EnumChildWindows(window, printWindow, 1);
    }
    return TRUE;
}

VARIANT itself() {
    VARIANT child{}; // lVal 0: CHILDID_SELF
    child.vt = VT_I4;
    return child;
}

struct Button {
    const wchar_t* name;
    HWND found = nullptr;
    IAccessible* accessible = nullptr;
};

// A button is found by the name that the system's accessibility layer gives it. __uuidof, not
// IID_IAccessible: 64-bit MinGW's liboleacc.a makes that name a code thunk, not the identifier.
BOOL CALLBACK findButton(HWND control, LPARAM data) {
    auto& button = *reinterpret_cast<Button*>(data);
    wchar_t className[8] = L"";
    BSTR name = nullptr;
    if (GetClassNameW(control, className, 8) && _wcsicmp(className, L"Button") == 0 &&
        SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&button.accessible)))) {
        if (SUCCEEDED(button.accessible->get_accName(itself(), &name)) && name &&
            std::wcscmp(name, button.name) == 0)
            button.found = control;
        else
            button.accessible->Release();
    }
    SysFreeString(name);
    return !button.found;
}

// By its default action where the system has one; Wine has none, and there BM_CLICK, which
// that action sends to a push button, stands in for it.
int press(const wchar_t* name) {
    CoInitialize(nullptr);
    Button button{name};
    // The desktop's children, their children and so on: every control of every window.
    EnumChildWindows(GetDesktopWindow(), findButton, reinterpret_cast<LPARAM>(&button));
    if (!button.found) {
        std::printf("no button named %ls\n", name);
        return 1;
    }
    const bool action = SUCCEEDED(button.accessible->accDoDefaultAction(itself()));
    if (!action)
        SendMessageTimeoutW(button.found, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    button.accessible->Release();
    return 0;
}

} // namespace

int main() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count == 3 && std::wcscmp(argv[1], L"press") == 0)
        return press(argv[2]);
    wchar_t self[MAX_PATH] = L"", log[MAX_PATH] = L"", directory[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* name = std::wcsrchr(self, L'\\');
    if (!name || _wcsicmp(name + 1, L"notepad.exe") != 0 ||
        !GetEnvironmentVariableW(L"TOBBLE_EDITOR_LOG", log, MAX_PATH)) {
        EnumWindows(printWindow, 0);
        return 0;
    }
    GetCurrentDirectoryW(MAX_PATH, directory);
    FILE* file = _wfopen(log, L"w");
    if (!file)
        return 1;
    std::fprintf(file, "cwd\t%ls\n", directory);
    for (int i = 1; i < count; ++i)
        std::fprintf(file, "arg\t%ls\n", argv[i]);
    return std::fclose(file);
}
