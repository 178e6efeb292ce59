// The icon conflict check over many large resource roots, beside the bare walk that any such
// check has to do: reading each directory once, telling regular files from the listing, and
// hashing the lower-cased names. The gap between the two is what the checker itself costs.
#include "KxResourceConfilct.h"
#include "ResourceKind.h"
#include "SettingStore.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// The library's one store lives in the shared library; nothing here asks for it.
SettingStore& SettingStore::Instance() {
    static SettingStore store;
    return store;
}

namespace {

namespace fs = std::filesystem;

constexpr int kRoots = 200;
constexpr int kIconsPerRoot = 500;
constexpr int kSharedIcons = 10; // in every root, so each is one conflict of kRoots paths

// kRoots resource roots with kIconsPerRoot icons each, created once and removed at the end.
class IconRoots {
public:
    IconRoots() {
        std::string pattern = (fs::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        base_ = pattern;
        for (int r = 0; r < kRoots; ++r) {
            const std::string root = base_ + "/Package" + std::to_string(r) + "/";
            const std::string icons = root + "Icons/";
            fs::create_directories(icons);
            for (int i = 0; i < kIconsPerRoot; ++i) {
                const std::string name =
                    i < kSharedIcons
                        ? (r % 2 ? "Shared_" : "shared_") + std::to_string(i) + ".PNG"
                        : "icon_" + std::to_string(r) + "_" + std::to_string(i) + ".png";
                std::ofstream(icons + name) << 'x';
            }
            roots_.push_back(root);
        }
    }
    ~IconRoots() {
        std::error_code error;
        fs::remove_all(base_, error);
    }
    IconRoots(const IconRoots&) = delete;
    IconRoots& operator=(const IconRoots&) = delete;

    const std::vector<std::string>& Roots() const { return roots_; }

private:
    std::string base_;
    std::vector<std::string> roots_;
};

void SetFileRate(benchmark::State& state) {
    state.counters["files"] = benchmark::Counter(double(kRoots) * kIconsPerRoot,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// What KxResourceCheckPathList(4, ...) does between asking for the roots and calling back.
void CheckIcons(benchmark::State& state, const IconRoots& trees) {
    std::size_t conflicts = 0;
    for (auto _ : state) {
        std::vector<std::string> dirs;
        dirs.reserve(trees.Roots().size());
        for (const auto& root : trees.Roots()) {
            dirs.push_back(VELMORA::NEVRA::Platform::ResourceDir(
                root, VELMORA::NEVRA::Platform::ResourceKind::Icons));
        }
        const KxResourceConflictList result = KxResourceConfilctIcon().Check(dirs);
        conflicts = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    if (conflicts != kSharedIcons) {
        state.SkipWithError("unexpected number of conflicts");
    }
    SetFileRate(state);
}

// The floor: one readdir pass per directory, the kind from d_type, a hash of the lower-cased
// name. No paths kept, nothing sorted.
void BaselineWalk(benchmark::State& state, const IconRoots& trees) {
    for (auto _ : state) {
        std::unordered_map<std::string, std::uint32_t> counts;
        counts.reserve(std::size_t(kRoots) * kIconsPerRoot);
        for (const auto& root : trees.Roots()) {
            const std::string dir = root + "Icons/";
            DIR* stream = ::opendir(dir.c_str());
            if (stream == nullptr) {
                continue;
            }
            while (const dirent* entry = ::readdir(stream)) {
                bool regular = entry->d_type == DT_REG;
                if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                    struct stat status {};
                    regular = ::stat((dir + entry->d_name).c_str(), &status) == 0 &&
                              S_ISREG(status.st_mode);
                }
                if (!regular) {
                    continue;
                }
                std::string key(entry->d_name);
                for (char& c : key) {
                    c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
                }
                ++counts[std::move(key)];
            }
            ::closedir(stream);
        }
        benchmark::DoNotOptimize(counts.size());
    }
    SetFileRate(state);
}

// The console report, then the checker's time over the bare walk's (medians when the runs
// are repeated): the figure to watch.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string family = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(family))) {
                times_[family] = run.GetAdjustedRealTime();
                if (median) {
                    medians_.insert(family);
                }
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const std::string shape =
            "/" + std::to_string(kRoots) + "x" + std::to_string(kIconsPerRoot);
        const auto walk = times_.find("BaselineWalk" + shape);
        const auto check = times_.find("CheckIcons" + shape);
        if (walk != times_.end() && check != times_.end() && walk->second > 0) {
            std::printf("CheckIcons / BaselineWalk = %.2f\n", check->second / walk->second);
        }
    }

private:
    std::map<std::string, double> times_;
    std::set<std::string> medians_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const IconRoots trees;
    const std::string shape = "/" + std::to_string(kRoots) + "x" + std::to_string(kIconsPerRoot);
    benchmark::RegisterBenchmark(("BaselineWalk" + shape).c_str(), [&trees](
                                                                       benchmark::State& state) {
        BaselineWalk(state, trees);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CheckIcons" + shape).c_str(), [&trees](benchmark::State& state) {
        CheckIcons(state, trees);
    })->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
