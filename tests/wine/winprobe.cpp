// Under Wine, prints what the program's windows say, as a screen reader would: each visible
// top-level window's title, then the texts of its child controls (one line each).
// Copied as notepad.exe, it stands in for the editor instead: it writes the directory it runs in
// and its arguments to the file that TOBBLE_EDITOR_LOG names.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    std::string out(std::wcslen(text) * 4 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), static_cast<int>(out.size()),
                                nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0); // without the terminator
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return out;
}

// WM_GETTEXT, not GetWindowText: only the message reaches another process's edit controls.
void print(HWND window, const char* kind) {
    wchar_t text[4096] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    std::printf("%s\t%s\n", kind, utf8(text).c_str());
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
    std::fprintf(file, "cwd\t%s\n", utf8(directory).c_str());
    for (int i = 1; i < count; ++i)
        std::fprintf(file, "arg\t%s\n", utf8(argv[i]).c_str());
    return std::fclose(file);
}
