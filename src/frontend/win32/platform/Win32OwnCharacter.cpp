// A character of the user's own: a folder in the user's profile with its own copy of this
// program (which finds the character beside itself), and a shortcut in the Start menu.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <vector>

#include "base/Failure.h"
#include "base/NewFolders.h"
#include "frontend/win32/platform/WideText.h"
#include "frontend/win32/platform/Win32Platform.h"

namespace tobble {

namespace {

constexpr char16_t kProgramName[] = u"tobble.exe";

std::u16string programIn(const std::u16string& folder) {
    return folder + u"\\" + kProgramName;
}

std::u16string shellFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    const HRESULT result = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(result))
        throw Failure(Win32Platform::describeError(static_cast<DWORD>(result)));
    return fromWide(path, wcslen(path));
}

// Whether the security of the file or folder at path grants this process the access; true
// where the system cannot tell, as it was before anyone asked.
bool accessGranted(const std::u16string& path, DWORD access) {
    const SECURITY_INFORMATION parts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetFileSecurityW(wide(path), parts, nullptr, 0, &size);
    std::vector<BYTE> security(size);
    HANDLE processToken = nullptr, token = nullptr;
    if (!size || !GetFileSecurityW(wide(path), parts, security.data(), size, &size) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &processToken))
        return true;
    const BOOL duplicated = DuplicateToken(processToken, SecurityImpersonation, &token);
    CloseHandle(processToken);
    if (!duplicated)
        return true;
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                            FILE_ALL_ACCESS};
    MapGenericMask(&access, &mapping);
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof privileges, granted = 0;
    BOOL allowed = FALSE;
    const BOOL checked = AccessCheck(security.data(), token, access, &mapping, &privileges,
                                     &privilegesSize, &granted, &allowed);
    CloseHandle(token);
    return !checked || allowed;
}

// A COM interface pointer released at the end of its scope.
template <typename T> struct Com {
    T* p = nullptr;
    ~Com() {
        if (p)
            p->Release();
    }
};

void writeShortcut(const std::u16string& file, const std::u16string& program,
                   const std::u16string& folder) {
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT result = E_FAIL;
    {
        Com<IShellLinkW> link;
        Com<IPersistFile> saved;
        result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link.p));
        if (SUCCEEDED(result))
            result = link.p->SetPath(wide(program));
        if (SUCCEEDED(result))
            result = link.p->SetWorkingDirectory(wide(folder));
        if (SUCCEEDED(result))
            result = link.p->SetIconLocation(wide(program), 0);
        if (SUCCEEDED(result))
            result = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&saved.p));
        if (SUCCEEDED(result))
            result = saved.p->Save(wide(file), TRUE);
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    if (FAILED(result)) {
        DeleteFileW(wide(file));
        throw Failure(Win32Platform::describeError(static_cast<DWORD>(result)), file);
    }
}

} // namespace

bool Win32Platform::askYesNo(const std::u16string& text, const std::u16string& title) {
    return MessageBoxW(GetActiveWindow(), wide(text), wide(title), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

// A file is tried by opening it for writing, which changes nothing in it and answers for every
// reason at once (its security, the read-only attribute, a read-only disk); a folder by its
// security alone, since trying would mean writing in it.
bool Win32Platform::mayWrite(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return accessGranted(path, FILE_ADD_FILE);
    const HANDLE file = CreateFileW(wide(path), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION; // open elsewhere, but ours to change
    CloseHandle(file);
    return true;
}

std::u16string Win32Platform::ownCharactersFolder() {
    return shellFolder(CSIDL_PROFILE) + u"\\Tobble";
}

void Win32Platform::makeStartable(const std::u16string& folder, const std::u16string& name) {
    const std::u16string program = programIn(folder);
    if (!CopyFileW(wide(runningProgram()), wide(program), TRUE))
        throw Failure(describeError(GetLastError()), program);
    const std::filesystem::path menu = shellFolder(CSIDL_PROGRAMS);
    const std::filesystem::path createdAbove = createFolders(menu);
    try {
        writeShortcut(freeFileName(menu, name, u".lnk").u16string(), program, folder);
    } catch (...) {
        removeQuietly(createdAbove);
        throw;
    }
}

void Win32Platform::startCharacter(const std::u16string& folder) {
    std::u16string commandLine = u"\"";
    commandLine += programIn(folder);
    commandLine += u'"';
    startProcess(commandLine, folder, SW_SHOWNORMAL);
}

} // namespace tobble
