// Reload through the core's one loader, the same call the Reload command makes: a
// large but sensible config.ini, then two that are mostly junk (a good head followed by 100 MB,
// and a greeting of one 250 MB line), with the memory each load adds at its peak.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/TextEncoding.h"
#include "content/CharacterLoad.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// The picture is not what is measured: every one decodes at once.
struct AnyPicture : tobble::PictureDecoder {
    tobble::PicturePtr loadPicture(const std::u16string&) override {
        return std::make_shared<tobble::Picture>();
    }
};

void writeHead(std::ostream& out, const std::string& greeting) {
    out << "\"Bench\"\r\n\"Bench title\"\r\n\"Lines:\"\r\n100\r\n\"" << greeting << "\"\r\n";
    const std::string text(200, 'x');
    for (int n = 1; n <= 100; ++n)
        out << '"' << text.substr(0, 196) << n % 10 << n / 10 % 10 << "ab\"\r\n";
    out << "\"Answers:\"\r\n100\r\n";
    for (int m = 1; m <= 100; ++m)
        out << '"' << text << "\"\r\n";
}

// 100 lines and 100 answers of 200 characters, then junkBytes of junk lines; the greeting has
// greetingBytes characters.
std::filesystem::path writeConfig(const char* name, std::size_t greetingBytes,
                                  std::size_t junkBytes) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary);
    writeHead(out, std::string(greetingBytes, 'g'));
    std::string junk(kMiB, 'j');
    for (std::size_t at = 99; at < junk.size(); at += 100)
        junk[at] = '\n';
    for (std::size_t written = 0; written < junkBytes; written += junk.size())
        out << junk;
    return path;
}

// In KiB, from /proc/self/status: "VmRSS" now or "VmHWM" the peak since the last reset.
std::size_t statusKib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":"))
            return std::stoul(line.substr(field.size() + 1));
    }
    return 0;
}

// Loads the file again and again into the same speech state, as Reload does; with peaks, also
// measures how far each load raises the resident memory above what it was before.
void load(benchmark::State& state, const char* name, std::size_t greetingBytes,
          std::size_t junkBytes, bool peaks) {
    const auto path = writeConfig(name, greetingBytes, junkBytes);
    const std::u16string file = path.u16string();
    tobble::ConfigFields speech;
    AnyPicture pictures;
    std::u16string title;
    std::size_t peakGrowthKib = 0;
    std::size_t before = 0;
    for (auto _ : state) {
        if (peaks) {
            state.PauseTiming();
            speech = {};
            std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from now
            before = statusKib("VmRSS");
            state.ResumeTiming();
        }
        const auto error = tobble::loadCharacter(
            u"picture.jpg", file, pictures, tobble::decodeWindows1252,
            {[](tobble::PicturePtr) {}, [&](const std::u16string& t) { title = t; }, speech});
        benchmark::DoNotOptimize(error);
        benchmark::DoNotOptimize(speech.Answers[100].data());
        if (peaks) {
            state.PauseTiming();
            peakGrowthKib = std::max(peakGrowthKib, statusKib("VmHWM") - before);
            state.ResumeTiming();
        }
    }
    if (speech.PhraseCount != 100 || speech.AnswerCount != 100 || speech.Answers[100].size() != 200)
        state.SkipWithError("the config did not load as expected");
    if (peaks) {
        state.counters["peak_growth_MiB"] = static_cast<double>(peakGrowthKib) / 1024;
        state.counters["greeting_chars"] = static_cast<double>(speech.Phrases[0].size());
    }
    std::filesystem::remove(path);
}

void BM_ReloadLargeConfig(benchmark::State& state) {
    load(state, "tobble-bench-config.ini", 200, 0, false);
}
BENCHMARK(BM_ReloadLargeConfig)->Unit(benchmark::kMicrosecond);

void BM_ReloadGoodHeadAnd100MBJunk(benchmark::State& state) {
    load(state, "tobble-bench-junk.ini", 200, 100 * kMiB, true);
}
BENCHMARK(BM_ReloadGoodHeadAnd100MBJunk)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_ReloadGreetingOf250MBLine(benchmark::State& state) {
    load(state, "tobble-bench-line.ini", 250 * kMiB, 0, true);
}
BENCHMARK(BM_ReloadGreetingOf250MBLine)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
