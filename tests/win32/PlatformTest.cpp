#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/Failure.h"
#include "platform/win32/GdiPicture.h"
#include "platform/win32/Win32Platform.h"

namespace tobble {
namespace {

namespace fs = std::filesystem;

std::string narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

fs::path thisProgram() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return fs::path(path);
}

// A folder of its own under the system's temporary folder, removed afterwards.
struct TempDir {
    TempDir() {
        path = fs::temp_directory_path() /
               ("tobble-win32-test-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

TEST(GdiplusStatus, EveryStatusHasItsOwnReadableDescription) {
    std::set<std::u16string> seen;
    for (int status = 0; status <= 21; ++status) {
        const std::u16string text = describeGdiplusStatus(status);
        EXPECT_FALSE(text.empty()) << status;
        EXPECT_EQ(text.find(u"status"), std::u16string::npos) << narrow(text);
        EXPECT_TRUE(seen.insert(text).second) << "said twice: " << narrow(text);
    }
    EXPECT_EQ(describeGdiplusStatus(10), u"file not found");
    EXPECT_EQ(describeGdiplusStatus(13), u"unknown image format");
    EXPECT_EQ(describeGdiplusStatus(99), u"unknown GDI+ error 99");
}

TEST(GdiplusStatus, ADamagedPictureIsReportedInWords) {
    GdiplusSession gdiplus;
    TempDir dir;
    const fs::path picture = dir.path / "picture.jpg";
    std::ofstream(picture, std::ios::binary) << "\xFF\xD8\xFF\xE0 this is no JPEG at all";
    try {
        loadGdiPicture(picture.u16string());
        FAIL() << "a damaged picture loaded";
    } catch (const Failure& failure) {
        const std::string text = narrow(failure.description());
        EXPECT_NE(text.find("cannot be shown ("), std::string::npos) << text;
        EXPECT_EQ(text.find("GDI+ status"), std::string::npos) << text;
    }
}

TEST(SystemProgram, ABareNameIsTheProgramInTheWindowsDirectory) {
    EXPECT_EQ(Win32Platform::systemProgramPath(u"notepad config.ini", u"C:\\windows"),
              u"C:\\windows\\notepad.exe");
    EXPECT_EQ(Win32Platform::systemProgramPath(u"notepad", u"D:\\"), u"D:\\notepad.exe");
    EXPECT_EQ(Win32Platform::systemProgramPath(u"\"notepad\" config.ini", u"C:\\windows"),
              u"C:\\windows\\notepad.exe");
    EXPECT_EQ(Win32Platform::systemProgramPath(u"write.exe a.txt", u"C:\\windows"),
              u"C:\\windows\\write.exe");
    EXPECT_EQ(Win32Platform::systemProgramPath(u"C:\\tools\\edit.exe a.txt", u"C:\\windows"),
              u"C:\\tools\\edit.exe");
}

TEST(SystemProgram, NotepadIsFoundInThisSystemsWindowsDirectory) {
    wchar_t directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::u16string windows(reinterpret_cast<const char16_t*>(directory), length);
    const fs::path notepad(Win32Platform::systemProgramPath(u"notepad config.ini", windows));
    EXPECT_TRUE(fs::is_regular_file(notepad)) << notepad.string();
}

// A program of the editor's kind beside this one must never be the one started: a character's
// folder, which holds the program, may hold a notepad.exe of its own.
TEST(StartProcess, NeverRunsAProgramFromThisProgramsFolder) {
    const fs::path planted = thisProgram().parent_path() / "tobble-planted-editor.exe";
    fs::copy_file(thisProgram(), planted, fs::copy_options::overwrite_existing);
    TempDir dir;
    Win32Platform platform(GetModuleHandleW(nullptr));
    bool started = false;
    try {
        // Were it run, the copy would only list its tests and end.
        platform.startProcess(u"tobble-planted-editor --gtest_list_tests", dir.path.u16string(),
                              SW_HIDE);
        started = true;
    } catch (const Failure&) {
    }
    std::error_code ignored;
    for (int attempt = 0; attempt < 100 && fs::exists(planted); ++attempt) {
        fs::remove(planted, ignored); // the copy may still be running for a moment
        if (fs::exists(planted))
            Sleep(50);
    }
    EXPECT_FALSE(started) << "the program beside this one was started";
}

} // namespace
} // namespace tobble
