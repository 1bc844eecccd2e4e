#include "frontend/win32/platform/Win32Platform.h"

#include <mmreg.h>
#include <mmsystem.h>
#include <msacm.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "base/FileNames.h"
#include "content/WavFormat.h"
#include "frontend/win32/platform/InputBox.h"
#include "frontend/win32/platform/WideText.h"

namespace tobble {

std::u16string Win32Platform::describeError(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = length ? fromWide(buffer, length) : std::u16string();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    if (text.empty()) {
        const std::string number = std::to_string(error);
        text = u"system error " + std::u16string(number.begin(), number.end());
    }
    return text;
}

namespace {

// Whether the system plays this format: the wave mapper is asked, as sndPlaySound will ask it,
// and it answers for PCM and float itself and for the rest through the codecs of the Audio
// Compression Manager. (A codec's own answer is not enough: one that decodes mu-law suggests PCM
// for it inside WAVE_FORMAT_EXTENSIBLE too, which the mapper then refuses to play.)
bool systemPlays(const WavFormat& wav) {
    // The format chunk as a WAVEFORMATEX: a 16-byte one lacks cbSize, and cbSize must not claim
    // more than the chunk holds.
    std::vector<char> bytes(std::max(wav.formatChunk.size(), sizeof(WAVEFORMATEX)), '\0');
    std::memcpy(bytes.data(), wav.formatChunk.data(), wav.formatChunk.size());
    auto* format = reinterpret_cast<WAVEFORMATEX*>(bytes.data());
    format->cbSize = static_cast<WORD>(
        std::min<std::size_t>(format->cbSize, bytes.size() - sizeof(WAVEFORMATEX)));
    return waveOutOpen(nullptr, WAVE_MAPPER, format, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

// Whether a file holds sound the system can play: a whole RIFF WAVE with format and data chunks,
// read as everywhere else, in an encoding the system has a codec for. Only its head is read, and
// only from a file on a disk (never a pipe, whose open or read could wait).
bool isPlayableWav(const std::u16string& path) {
    if (examineFile(path).kind != FileKind::Regular)
        return false;
    HANDLE file = CreateFileW(wide(path), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    std::string head;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size)) {
        const auto fileSize = static_cast<std::uint64_t>(size.QuadPart);
        head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kWavHeadBytes)));
        DWORD got = 0;
        if (!ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr))
            got = 0;
        head.resize(got);
    }
    CloseHandle(file);
    const WavFormat wav = describeWav(head, static_cast<std::uint64_t>(size.QuadPart));
    return wav.wellFormed && systemPlays(wav);
}

} // namespace

// A file that cannot be played gets the system's default sound, as a missing one would from the
// system itself; left to the system, a broken file would play nothing at all. sndPlaySoundA takes
// the path in the ANSI code page.
void Win32Platform::playSoundAsync(const std::u16string& path) {
    const int size = WideCharToMultiByte(CP_ACP, 0, wide(path), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0 || !isPlayableWav(path)) {
        PlaySoundW(L"SystemDefault", nullptr, SND_ALIAS | SND_ASYNC);
        return;
    }
    std::vector<char> ansi(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, wide(path), -1, ansi.data(), size, nullptr, nullptr);
    sndPlaySoundA(ansi.data(), SND_ASYNC);
}

// Waits for the playing thread to close the device: under Wine, a process that ends while a sound
// device is open can crash, its audio thread killed inside the sound server's client library.
void Win32Platform::stopSound() {
    PlaySoundW(nullptr, nullptr, 0);
}

Win32Platform::~Win32Platform() {
    stopSound();
}

void Win32Platform::makeTopmost(WindowHandle hWnd) {
    SetWindowPos(reinterpret_cast<HWND>(hWnd), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Win32Platform::messageBox(const std::u16string& text, int style, const std::u16string& title) {
    MessageBoxW(GetActiveWindow(), wide(text), wide(title), static_cast<UINT>(style) | MB_OK);
}

std::u16string Win32Platform::inputBox(const std::u16string& prompt, const std::u16string& title,
                                       const std::u16string& defaultText) {
    return showInputBox(instance_, GetActiveWindow(), prompt, title, defaultText);
}

PicturePtr Win32Platform::loadPicture(const std::u16string& path) {
    return loadGdiPicture(path);
}

std::u16string Win32Platform::systemProgramPath(const std::u16string& commandLine,
                                                const std::u16string& windowsDirectory) {
    std::u16string name;
    if (!commandLine.empty() && commandLine.front() == u'"') {
        name = commandLine.substr(1, commandLine.find(u'"', 1) - 1);
    } else {
        name = commandLine.substr(0, commandLine.find_first_of(u" \t"));
    }
    if (name.find_first_of(u"\\/:") != std::u16string::npos)
        return name;
    if (name.find(u'.') == std::u16string::npos)
        name += u".exe";
    std::u16string path = windowsDirectory;
    if (!path.empty() && path.back() != u'\\')
        path.push_back(u'\\');
    return path + name;
}

namespace {

std::u16string windowsDirectory() {
    std::wstring directory(MAX_PATH, L'\0');
    UINT length = GetWindowsDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
    if (length > directory.size()) {
        directory.resize(length);
        length = GetWindowsDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
    }
    directory.resize(length < directory.size() ? length : 0);
    return fromWide(directory);
}

} // namespace

void Win32Platform::startProcess(const std::u16string& commandLine,
                                 const std::u16string& workingDirectory, int showState) {
    // The program is named outright: left to search, CreateProcessW would look in this program's
    // own folder first, and a character's folder may hold a program of the same name.
    const std::u16string program = systemProgramPath(commandLine, windowsDirectory());
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line(reinterpret_cast<const wchar_t*>(commandLine.c_str()), commandLine.size());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(wide(program), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : wide(workingDirectory), &startup,
                        &process))
        throw Failure(describeError(GetLastError()) + u": " + commandLine);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

double Win32Platform::timeOfDay() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

std::u16string Win32Platform::runningProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return fromWide(path.data(), length);
        path.resize(path.size() * 2);
    }
}

std::u16string Win32Platform::programDirectory() {
    const std::u16string path = runningProgram();
    const std::size_t separator = path.find_last_of(u"\\/");
    if (separator == std::u16string::npos)
        return {};
    std::u16string directory = path.substr(0, separator);
    // A drive root keeps its backslash: "C:\", never "C:".
    if (directory.empty() || directory.back() == u':')
        directory.push_back(u'\\');
    return directory;
}

std::u16string Win32Platform::decodeAnsi(std::string_view bytes) {
    if (bytes.empty())
        return {};
    const int length =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        length);
    return fromWide(text);
}

namespace {

// A named CALLBACK: on 32-bit Windows a lambda does not convert to the stdcall WNDENUMPROC.
BOOL CALLBACK destroyWindow(HWND window, LPARAM) {
    DestroyWindow(window);
    return TRUE;
}

} // namespace

// The sound stops and every window of the program closes at once; the main window's WM_DESTROY
// posts the quit message, and the message loop then ends with exit code 0.
void Win32Platform::endProgram() {
    stopSound();
    EnumThreadWindows(GetCurrentThreadId(), destroyWindow, 0);
    PostQuitMessage(0);
}

} // namespace tobble
