// The icon conflict check over many large resource roots, beside the natural walk that any such
// check has to do: reading each directory once, telling regular files from the listing, and
// keeping every file's path under its lower-cased name. The gap between the two is what the
// checker itself costs. Then the counts that do not move with the machine's load: system calls
// per folder and instructions per file, of one scan of a fixed tree under strace and callgrind.
//
//   orvane_bench_conflicts [benchmark options] [--no-counts]
//   orvane_bench_conflicts --check-counts=BUDGETS     the counting test: fails over a budget
#include "KxResourceConfilct.h"
#include "ResourceKind.h"
#include "SettingStore.h"
#include "WorkCounts.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
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
constexpr int kSharedIcons = 10; // in every root, so each is one conflict of `roots` paths

// The fixed tree of the counts: small enough for callgrind, large enough that what one folder
// and one file cost stands out of what the program does once.
constexpr int kCountedRoots = 40;
constexpr int kCountedIcons = 250;

// `roots` resource roots with `icons` icons each, created once and removed at the end.
class IconRoots {
public:
    IconRoots(int roots = kRoots, int icons = kIconsPerRoot) {
        std::string pattern = (fs::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        base_ = pattern;
        for (int r = 0; r < roots; ++r) {
            const std::string root = base_ + "/Package" + std::to_string(r) + "/";
            const std::string folder = root + "Icons/";
            fs::create_directories(folder);
            for (int i = 0; i < icons; ++i) {
                const std::string name =
                    i < kSharedIcons
                        ? (r % 2 ? "Shared_" : "shared_") + std::to_string(i) + ".PNG"
                        : "icon_" + std::to_string(r) + "_" + std::to_string(i) + ".png";
                std::ofstream(folder + name) << 'x';
            }
            roots_.push_back(root);
        }
    }

    const std::string& Base() const { return base_; }
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
std::size_t ScanIcons(const std::vector<std::string>& roots) {
    std::vector<std::string> dirs;
    dirs.reserve(roots.size());
    for (const auto& root : roots) {
        dirs.push_back(VELMORA::NEVRA::Platform::ResourceDir(
            root, VELMORA::NEVRA::Platform::ResourceKind::Icons));
    }
    const KxResourceConflictList result = KxResourceConfilctIcon().Check(dirs);
    benchmark::DoNotOptimize(result.data());
    return result.size();
}

// The natural walk: one readdir pass per directory, the kind from d_type, every regular file's
// path kept under its lower-cased name, the names met more than once taken out.
std::size_t WalkIcons(const std::vector<std::string>& roots) {
    std::unordered_map<std::string, std::vector<std::string>> paths;
    for (const auto& root : roots) {
        const std::string dir = root + "Icons/";
        DIR* stream = ::opendir(dir.c_str());
        if (stream == nullptr) {
            continue;
        }
        while (const dirent* entry = ::readdir(stream)) {
            const std::string path = dir + entry->d_name;
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat status {};
                regular = ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
            }
            if (!regular) {
                continue;
            }
            std::string key(entry->d_name);
            for (char& c : key) {
                c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            }
            paths[std::move(key)].push_back(path);
        }
        ::closedir(stream);
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> conflicts;
    for (auto& entry : paths) {
        if (entry.second.size() > 1) {
            conflicts.emplace_back(entry.first, std::move(entry.second));
        }
    }
    benchmark::DoNotOptimize(conflicts.data());
    return conflicts.size();
}

void CheckIcons(benchmark::State& state, const IconRoots& trees) {
    std::size_t conflicts = 0;
    for (auto _ : state) {
        conflicts = ScanIcons(trees.Roots());
    }
    if (conflicts != kSharedIcons) {
        state.SkipWithError("unexpected number of conflicts");
    }
    SetFileRate(state);
}

void NaturalWalk(benchmark::State& state, const IconRoots& trees) {
    std::size_t conflicts = 0;
    for (auto _ : state) {
        conflicts = WalkIcons(trees.Roots());
    }
    if (conflicts != kSharedIcons) {
        state.SkipWithError("unexpected number of conflicts");
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
        const auto walk = times_.find("NaturalWalk" + shape);
        const auto check = times_.find("CheckIcons" + shape);
        if (walk != times_.end() && check != times_.end() && walk->second > 0) {
            std::printf("CheckIcons / NaturalWalk = %.2f\n", check->second / walk->second);
        }
    }

private:
    std::map<std::string, double> times_;
    std::set<std::string> medians_;
};

// --- counts -----------------------------------------------------------------------------------

// One pass of `what` (scan, walk, or idle: everything but the pass) over the roots below `base`.
int CountedChild(const std::string& what, const std::string& base) {
    std::vector<std::string> roots;
    for (int r = 0; r < kCountedRoots; ++r) {
        roots.push_back(base + "/Package" + std::to_string(r) + "/");
    }
    std::size_t conflicts = kSharedIcons;
    if (what == "scan") {
        conflicts = ScanIcons(roots);
    } else if (what == "walk") {
        conflicts = WalkIcons(roots);
    }
    return conflicts == kSharedIcons ? 0 : 1;
}

struct ScanCounts {
    orvane::bench::WorkCounts scan; // one pass, beyond what the program does anyway
    orvane::bench::WorkCounts walk;
};

ScanCounts MeasureCounts(const std::string& self) {
    using orvane::bench::Count;
    const IconRoots tree(kCountedRoots, kCountedIcons);
    const auto count = [&](const char* what) {
        return Count({self, std::string("--child=") + what, tree.Base()});
    };
    const orvane::bench::WorkCounts idle = count("idle");
    return {orvane::bench::PerUnit(count("scan"), idle, 1),
            orvane::bench::PerUnit(count("walk"), idle, 1)};
}

void PrintCounts(const ScanCounts& c) {
    const double folders = kCountedRoots;
    const double files = double(kCountedRoots) * kCountedIcons;
    std::printf("\nCounts of one pass over %d folders of %d icons (%s build)\n", kCountedRoots,
                kCountedIcons, ORVANE_BENCH_BUILD_TYPE);
    std::printf("%28s %12s %12s %8s\n", "", "CheckIcons", "NaturalWalk", "ratio");
    std::printf("%28s %12.2f %12.2f %8.2f\n", "system calls per folder", c.scan.syscalls / folders,
                c.walk.syscalls / folders, c.scan.syscalls / c.walk.syscalls);
    std::printf("%28s %12.2f %12.2f\n", "getdents64 per folder",
                c.scan.Calls("getdents64") / folders, c.walk.Calls("getdents64") / folders);
    std::printf("%28s %12.0f %12.0f %8.2f\n", "user instructions per file",
                c.scan.instructions / files, c.walk.instructions / files,
                c.scan.instructions / c.walk.instructions);
}

int CheckCounts(const std::string& self, const std::string& budgetsFile) {
    const orvane::bench::Budgets budgets(budgetsFile);
    const ScanCounts c = MeasureCounts(self);
    PrintCounts(c);
    std::printf("\n");
    const double folders = kCountedRoots;
    const double files = double(kCountedRoots) * kCountedIcons;
    bool within = budgets.Check("conflicts.syscalls_per_folder", c.scan.syscalls / folders);
    within &=
        budgets.Check("conflicts.getdents64_per_folder", c.scan.Calls("getdents64") / folders);
    within &=
        budgets.Check(std::string("conflicts.instructions_per_file.") + ORVANE_BENCH_BUILD_TYPE,
                      c.scan.instructions / files);
    return within ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0].rfind("--child=", 0) == 0) {
        return CountedChild(args[0].substr(8), args[1]);
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    if (args.size() == 1 && args[0].rfind("--check-counts=", 0) == 0) {
        return CheckCounts(self, args[0].substr(15));
    }
    const bool counts = std::find(args.begin(), args.end(), "--no-counts") == args.end();
    argc = static_cast<int>(
        std::remove_if(argv + 1, argv + argc,
                       [](const char* arg) { return std::string(arg) == "--no-counts"; }) -
        argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const IconRoots trees;
    const std::string shape = "/" + std::to_string(kRoots) + "x" + std::to_string(kIconsPerRoot);
    benchmark::RegisterBenchmark(("NaturalWalk" + shape).c_str(), [&trees](
                                                                      benchmark::State& state) {
        NaturalWalk(state, trees);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CheckIcons" + shape).c_str(), [&trees](benchmark::State& state) {
        CheckIcons(state, trees);
    })->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (counts) {
        PrintCounts(MeasureCounts(self));
    }
    return 0;
}
