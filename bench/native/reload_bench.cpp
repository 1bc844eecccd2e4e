// Reload of a large config.ini (100 lines and 100 answers of 200 characters) through the core's
// one config.ini loader, the same call the Reload command makes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/SpeechState.h"
#include "base/TextEncoding.h"
#include "content/ConfigFile.h"

namespace {

std::filesystem::path writeLargeConfig() {
    const auto path = std::filesystem::temp_directory_path() / "tobble-bench-config.ini";
    std::ofstream out(path, std::ios::binary);
    const std::string text(200, 'x');
    out << "\"Bench\"\r\n\"Bench title\"\r\n\"Lines:\"\r\n100\r\n\"" << text << "\"\r\n";
    for (int n = 1; n <= 100; ++n)
        out << '"' << text.substr(0, 196) << n % 10 << n / 10 % 10 << "ab\"\r\n";
    out << "\"Answers:\"\r\n100\r\n";
    for (int m = 1; m <= 100; ++m)
        out << '"' << text << "\"\r\n";
    return path;
}

void BM_ReloadLargeConfig(benchmark::State& state) {
    const auto path = writeLargeConfig();
    const std::u16string file = path.u16string();
    tobble::SpeechState speech;
    std::u16string title;
    for (auto _ : state) {
        tobble::loadConfigFile(file, tobble::decodeWindows1252, speech,
                               [&](const std::u16string& t) { title = t; });
        benchmark::DoNotOptimize(speech.Answers[100].data());
    }
    if (speech.PhraseCount != 100 || speech.AnswerCount != 100 || speech.Answers[100].size() != 200)
        state.SkipWithError("the large config did not load as expected");
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReloadLargeConfig)->Unit(benchmark::kMicrosecond);

} // namespace
