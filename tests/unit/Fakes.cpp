#include "Fakes.h"

#include <atomic>
#include <chrono>

namespace tobble::testing {

ContentDir::ContentDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("tobble-test-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

ContentDir::~ContentDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void ContentDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
}

bool ContentDir::ignoresCase() const {
    write("CaseProbe", "");
    const bool ignores = std::filesystem::exists(path_ / "caseprobe");
    remove("CaseProbe");
    return ignores;
}

void ContentDir::remove(const std::string& name) const {
    std::filesystem::remove_all(path_ / name);
}

Harness::Harness()
    : platform(log, decodeUtf8Lenient(dir.path().string())), window(log),
      program(window, platform, randomDriver, flashDriver), form(program.form()) {
    dir.write("picture.jpg", "picture");
}

void Harness::start() {
    program.activated();
    log.clear();
}

EventLog Harness::take() {
    EventLog taken;
    taken.swap(log);
    return taken;
}

std::string configText(const std::string& title, const std::vector<std::string>& phrases,
                       const std::vector<std::string>& answers) {
    std::string text = "\"Tobble\"\r\n\"" + title + "\"\r\n\"Lines\"\r\n" +
                       std::to_string(phrases.size() - 1) + "\r\n";
    for (const std::string& phrase : phrases)
        text += "\"" + phrase + "\"\r\n";
    text += "\"Answers\"\r\n" + std::to_string(answers.size()) + "\r\n";
    for (const std::string& answer : answers)
        text += "\"" + answer + "\"\r\n";
    return text;
}

} // namespace tobble::testing
