// Under Wine, reads what the program's windows say, as a screen reader would on Windows: for
// each visible top-level window its title and the texts of its child controls (the message
// box's text, the question box, the input box). Wine keeps menus inside their own process, so
// check marks cannot be read from here.
// Copied as notepad.exe beside the program, it instead stands in for the editor: it writes the
// command line it was given and its working directory to the file named by TOBBLE_EDITOR_LOG.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 4 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return out;
}

// WM_GETTEXT, not GetWindowText: only the message reaches another process's edit controls.
std::wstring textOf(HWND window) {
    wchar_t buffer[4096] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
    return buffer;
}

BOOL CALLBACK printChild(HWND child, LPARAM) {
    wchar_t kind[64] = L"";
    GetClassNameW(child, kind, 64);
    std::printf("control\t%s\t%s\n", utf8(kind).c_str(), utf8(textOf(child)).c_str());
    return TRUE;
}

BOOL CALLBACK printWindow(HWND window, LPARAM) {
    if (!IsWindowVisible(window))
        return TRUE;
    std::printf("window\t%s\n", utf8(textOf(window)).c_str());
    EnumChildWindows(window, printChild, 0);
    return TRUE;
}

int standInForEditor(const wchar_t* logPath) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t directory[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, directory);
    FILE* log = _wfopen(logPath, L"w");
    if (!log)
        return 1;
    std::fprintf(log, "cwd\t%s\n", utf8(directory).c_str());
    for (int i = 1; i < count; ++i)
        std::fprintf(log, "arg\t%s\n", utf8(argv[i]).c_str());
    std::fclose(log);
    return 0;
}

} // namespace

int main() {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* name = std::wcsrchr(self, L'\\');
    wchar_t logPath[MAX_PATH] = L"";
    if (name && _wcsicmp(name + 1, L"notepad.exe") == 0 &&
        GetEnvironmentVariableW(L"TOBBLE_EDITOR_LOG", logPath, MAX_PATH))
        return standInForEditor(logPath);
    EnumWindows(printWindow, 0);
    return 0;
}
