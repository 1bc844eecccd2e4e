// tobble-check: tells a character's author whether a content pack will load, and what is missing.
#include <QCoreApplication>
#include <cstring>
#include <iostream>

#include "PackCheck.h"
#include "Report.h"

namespace {

constexpr const char* kUsage =
    "Usage: tobble-check [--json] [--items] [DIRECTORY]\n"
    "Checks a Tobble content pack (config.ini, picture.jpg and the .wav files) the way the\n"
    "program loads it. DIRECTORY defaults to the current one. Writes nothing.\n"
    "When the load fails, or with --items, lists config.ini item by item as it was read.\n"
    "Exit status: 0 complete, 1 loads but sounds are missing, unplayable or unused,\n"
    "2 the program would show its load error, 64 bad usage.\n";

} // namespace

int main(int argc, char* argv[]) {
    bool json = false;
    bool items = false;
    const char* directory = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (std::strcmp(argv[i], "--items") == 0) {
            items = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        } else if (argv[i][0] == '-' || directory) {
            std::cerr << kUsage;
            return 64;
        } else {
            directory = argv[i];
        }
    }

    // The picture is decoded by the program's own loader, whose format plugins Qt finds through
    // the application object.
    QCoreApplication app(argc, argv);
    const tobble::check::PackReport report =
        tobble::check::checkPack(directory ? directory : ".", items);
    if (json)
        tobble::check::printJson(report, std::cout);
    else
        tobble::check::printText(report, std::cout);
    return static_cast<int>(report.verdict());
}
