// Under Wine, prints what the program's windows say, as a screen reader would: each visible
// top-level window's title, then the texts of its child controls (one line each).
// Copied as notepad.exe, it stands in for the editor instead: it writes the directory it runs in
// and its arguments to the file that TOBBLE_EDITOR_LOG names.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// WM_GETTEXT, not GetWindowText: only the message reaches another process's edit controls.
void print(HWND window, const char* kind) {
    wchar_t text[4096] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\n' || c == L'\r')
            c = L' ';
    std::printf("%s\t%ls\n", kind, text);
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
    print(control, "control");
    return TRUE;
}

BOOL CALLBACK printWindow(HWND window, LPARAM) {
    if (IsWindowVisible(window)) {
        print(window, "window");
        EnumChildWindows(window, printControl, 0);
    }
    return TRUE;
}

} // namespace

int main() {
    wchar_t self[MAX_PATH] = L"", log[MAX_PATH] = L"", directory[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* name = std::wcsrchr(self, L'\\');
    if (!name || _wcsicmp(name + 1, L"notepad.exe") != 0 ||
        !GetEnvironmentVariableW(L"TOBBLE_EDITOR_LOG", log, MAX_PATH)) {
        EnumWindows(printWindow, 0);
        return 0;
    }
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    GetCurrentDirectoryW(MAX_PATH, directory);
    FILE* file = _wfopen(log, L"w");
    if (!file)
        return 1;
    std::fprintf(file, "cwd\t%ls\n", directory);
    for (int i = 1; i < count; ++i)
        std::fprintf(file, "arg\t%ls\n", argv[i]);
    return std::fclose(file);
}
