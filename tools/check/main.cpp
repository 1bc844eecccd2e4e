// tobble-check: tells a character's author whether a character will load, and what is missing.
#include <QCoreApplication>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "PackCheck.h"
#include "Report.h"
#include "base/Failure.h"
#include "base/TextEncoding.h"

namespace {

// After the report's own statuses (0 complete, 1 incomplete, 2 load error).
enum ExitStatus {
    kNoSuchFolder = 3,
    kNotAFolder = 4,
    kNotChecked = 5,
    kRefused = 6,
    kBadUsage = 64
};

constexpr const char* kUsage =
    "Usage: tobble-check [--json] [--items] [DIRECTORY | FILE.tobble]\n"
    "       tobble-check --pack DIRECTORY [FILE.tobble]\n"
    "Checks a Tobble character (config.ini, picture.jpg and the .wav files in DIRECTORY) the way\n"
    "the program loads it. DIRECTORY defaults to the current one. Writes nothing. A character\n"
    "file (FILE.tobble) is checked as Tobble opens one: its refusal, or the same report with what\n"
    "it holds that is left out.\n"
    "\n"
    "  --json      print the report as JSON\n"
    "  --items     list config.ini item by item as it was read (always done when the load fails)\n"
    "  --pack      check DIRECTORY, and only if it loads, write its character file (default: the\n"
    "              title made safe, with .tobble, in the current folder)\n"
    "  -h, --help  print this text and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "Exit status: 0 complete, 1 loads but sounds are missing, unplayable or unused,\n"
    "2 the program would show its load error, 3 DIRECTORY does not exist,\n"
    "4 DIRECTORY is not a folder, 5 it could not be checked, 6 FILE.tobble is refused,\n"
    "64 bad usage.\n";

// A path that is no folder at all gets its own word, not a report of a character with nothing
// in it. Anything else (a folder closed to us, say) is for the report to tell.
int folderProblem(const char* directory) {
    std::error_code error;
    const auto type = std::filesystem::status(directory, error).type();
    if (type == std::filesystem::file_type::not_found) {
        std::cerr << "tobble-check: " << directory << " does not exist\n";
        return kNoSuchFolder;
    }
    if (!error && type != std::filesystem::file_type::directory) {
        std::cerr << "tobble-check: " << directory
                  << " is not a folder: give the folder that holds the character\n";
        return kNotAFolder;
    }
    // Tobble reads its folder's path as UTF-8 text, and so does the check.
    if (!tobble::decodeUtf8(std::filesystem::absolute(directory, error).string())) {
        std::cerr << "tobble-check: " << directory
                  << ": the folder's path is not UTF-8 text, which Tobble cannot read\n";
        return kNotChecked;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    bool json = false;
    bool items = false;
    bool pack = false;
    bool optionsEnd = false;
    const char* directory = nullptr;
    const char* packFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnd || argument.empty() || argument.front() != '-' || argument == "-") {
            if (directory && pack && !packFile) {
                packFile = argv[i];
                continue;
            }
            if (directory) {
                std::cerr << "tobble-check: one DIRECTORY at most\n" << kUsage;
                return kBadUsage;
            }
            directory = argv[i];
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == "--items") {
            items = true;
        } else if (argument == "--pack") {
            pack = true;
        } else if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (argument == "--version") {
            std::cout << "tobble-check " TOBBLE_VERSION "\n";
            return 0;
        } else {
            std::cerr << "tobble-check: unknown option " << argument << "\n" << kUsage;
            return kBadUsage;
        }
    }
    if (!directory)
        directory = ".";
    const bool characterFile = !pack && std::filesystem::path(directory).extension() == ".tobble";
    if (characterFile && !std::filesystem::is_regular_file(directory)) {
        std::cerr << "tobble-check: " << directory << " is no file\n";
        return kNoSuchFolder;
    }
    if (const int problem = characterFile ? 0 : folderProblem(directory))
        return problem;

    // The picture is decoded by the program's own loader, whose format plugins Qt finds through
    // the application object.
    QCoreApplication app(argc, argv);
    try {
        tobble::check::PackReport report;
        try {
            report = characterFile ? tobble::check::checkCharacterFile(directory, items)
                                   : tobble::check::checkPack(directory, items);
        } catch (const tobble::Failure& refusal) {
            if (!characterFile)
                throw;
            std::cout << "Tobble does not add this character file: " << refusal.what() << "\n";
            return kRefused;
        }
        if (json)
            tobble::check::printJson(report, std::cout);
        else
            tobble::check::printText(report, std::cout);
        if (pack && report.verdict() != tobble::check::Verdict::LoadFails) {
            const std::filesystem::path written =
                tobble::check::packCheckedCharacter(report, packFile ? packFile : "");
            std::cout << "Written: " << written.string() << "\n";
        } else if (pack) {
            std::cout << "Not written: the character does not load.\n";
        }
        return static_cast<int>(report.verdict());
    } catch (const std::exception& failure) {
        std::cerr << "tobble-check: " << directory << " could not be checked: " << failure.what()
                  << "\n";
        return kNotChecked;
    }
}
