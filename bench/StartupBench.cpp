// Start-up and shut-down of an installation with N tiny application packages, beside the bare
// loop that any plug-in loader has to do for the same packages: dlopen, the two dlsym and Init
// for each; Exit and dlclose for each in reverse order. The gap between the two is what the
// platform itself costs, and its growth with N shows whether anything scales with the number of
// packages already loaded.
//
// Every measurement runs in a fresh process (this program started again with --child), the
// platform and the bare loop alternating, so neither inherits the other's loaded libraries or
// warmed allocator. Medians are printed.
//
// Then the counts that do not move with the machine's load: system calls and user-space
// instructions per package (100 packages minus one, over 99), under strace and callgrind.
//
//   orvane_bench_startup [--sizes=100,300,1000] [--runs=7] [--no-counts]
//   orvane_bench_startup --check-counts=BUDGETS     the counting test: fails over a budget
#include "Scenario.h"
#include "WorkCounts.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using orvane::bench::Fail;
using orvane::bench::Run;
using orvane::test::Installation;

using Clock = std::chrono::steady_clock;
using EntryPoint = int (*)(void*, void*);
using PlatformEntry = int (*)();

// The packages of the counts: enough that what each one costs stands out of what varies.
constexpr int kCountedPackages = 100;

double MicrosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::string PackageStem(int index) {
    char stem[16];
    std::snprintf(stem, sizeof stem, "P%04d", index);
    return stem;
}

// The tiny packages P0000.so … are compiled once into the build tree and reused by later runs.
void EnsurePackages(int count) {
    const std::string dir = ORVANE_BENCH_PACKAGES_DIR;
    fs::create_directories(dir);
    std::vector<int> missing;
    for (int i = 0; i < count; ++i) {
        if (!fs::exists(dir + "/" + PackageStem(i) + ".so")) {
            missing.push_back(i);
        }
    }
    if (missing.empty()) {
        return;
    }
    std::fprintf(stderr, "compiling %zu tiny packages into %s …\n", missing.size(), dir.c_str());
    const unsigned jobs = std::max(2u, std::thread::hardware_concurrency());
    std::vector<pid_t> running;
    const auto reap = [&running] {
        int status = 0;
        const pid_t done = ::wait(&status);
        running.erase(std::remove(running.begin(), running.end(), done), running.end());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            Fail("compiling a tiny package failed");
        }
    };
    for (const int index : missing) {
        while (running.size() >= jobs) {
            reap();
        }
        const std::string stem = PackageStem(index);
        const std::vector<std::string> argv = {ORVANE_BENCH_CC,
                                               "-shared",
                                               "-fPIC",
                                               "-O2",
                                               "-DBENCH_STEM=" + stem,
                                               "-o",
                                               dir + "/" + stem + ".so",
                                               ORVANE_BENCH_TINY_PACKAGE};
        const pid_t child = ::fork();
        if (child < 0) {
            Fail("fork failed");
        }
        if (child == 0) {
            std::vector<char*> args;
            for (const auto& arg : argv) {
                args.push_back(const_cast<char*>(arg.c_str()));
            }
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            std::_Exit(127);
        }
        running.push_back(child);
    }
    while (!running.empty()) {
        reap();
    }
}

// An installation whose application list names N packages in KxApp/, without resources.
class BenchInstallation {
public:
    explicit BenchInstallation(int count) {
        std::vector<orvane::test::AppEntry> apps;
        for (int i = 0; i < count; ++i) {
            const std::string file = PackageStem(i) + ".so";
            const std::string target = install_.AppDir() + file;
            std::error_code error;
            fs::create_hard_link(std::string(ORVANE_BENCH_PACKAGES_DIR) + "/" + file, target,
                                 error);
            if (error) {
                fs::copy_file(std::string(ORVANE_BENCH_PACKAGES_DIR) + "/" + file, target);
            }
            apps.push_back({file});
        }
        install_.WriteAppList(apps);
        // A host does not trace its calls; the trace file would only add writes.
        ::unsetenv("KALDOR_TRACE");
        ::unsetenv("ORVANE_TEST_EVENTS");
    }

    const Installation& Install() const { return install_; }

private:
    Installation install_;
};

// --- the two children -------------------------------------------------------------------------

// Prints: load Init Exit unload, in microseconds.
int PlatformChild(const std::string& root) {
    const std::string orvane = root + "/bin/Orvane.so";
    Clock::time_point start = Clock::now();
    void* platform = ::dlopen(orvane.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (platform == nullptr) {
        Fail(::dlerror());
    }
    const double load = MicrosecondsSince(start);
    const auto init = reinterpret_cast<PlatformEntry>(::dlsym(platform, "OrvaneInit"));
    const auto exit = reinterpret_cast<PlatformEntry>(::dlsym(platform, "OrvaneExit"));
    if (init == nullptr || exit == nullptr) {
        Fail("Orvane.so lacks its entry points");
    }
    start = Clock::now();
    if (init() != 0) {
        Fail("OrvaneInit failed; see the installation's log");
    }
    const double initTime = MicrosecondsSince(start);
    start = Clock::now();
    exit();
    const double exitTime = MicrosecondsSince(start);
    start = Clock::now();
    ::dlclose(platform);
    const double unload = MicrosecondsSince(start);
    std::printf("%.1f %.1f %.1f %.1f\n", load, initTime, exitTime, unload);
    return 0;
}

// The same packages, loaded the way the platform loads them, with nothing else around.
// Prints: Init Exit, in microseconds.
int BareChild(const std::string& root, int count) {
    struct Loaded {
        void* handle;
        EntryPoint exit;
    };
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(root + "/bin/KxApp/" + PackageStem(i) + ".so");
    }
    std::vector<Loaded> loaded;
    loaded.reserve(paths.size());
    Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        void* handle = ::dlopen(paths[i].c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            Fail(::dlerror());
        }
        const std::string stem = PackageStem(i);
        const auto init = reinterpret_cast<EntryPoint>(::dlsym(handle, (stem + "Init").c_str()));
        const auto exit = reinterpret_cast<EntryPoint>(::dlsym(handle, (stem + "Exit").c_str()));
        if (init == nullptr || exit == nullptr || init(nullptr, nullptr) != 0) {
            Fail("a tiny package did not start");
        }
        loaded.push_back({handle, exit});
    }
    const double initTime = MicrosecondsSince(start);
    start = Clock::now();
    for (auto it = loaded.rbegin(); it != loaded.rend(); ++it) {
        it->exit(nullptr, nullptr);
        ::dlclose(it->handle);
    }
    const double exitTime = MicrosecondsSince(start);
    std::printf("%.1f %.1f\n", initTime, exitTime);
    return 0;
}

// --- the driver -----------------------------------------------------------------------------

std::vector<double> Numbers(const std::string& line) {
    std::vector<double> values;
    std::istringstream in(line);
    double value = 0;
    while (in >> value) {
        values.push_back(value);
    }
    return values;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Figures {
    int count = 0;
    double load = 0;     // dlopen of Orvane.so: its static construction included
    double init = 0;     // OrvaneInit
    double exit = 0;     // OrvaneExit
    double unload = 0;   // dlclose of Orvane.so: its static destruction included
    double bareInit = 0; // dlopen + 2 dlsym + Init per package
    double bareExit = 0; // Exit + dlclose per package
};

Figures Measure(const std::string& self, int count, int runs) {
    const BenchInstallation installation(count);
    const std::string root = installation.Install().Root();
    std::vector<double> load, init, exit, unload, bareInit, bareExit;
    for (int run = 0; run < runs + 1; ++run) {
        const std::vector<double> platform =
            Numbers(Run({self, "--child=platform", root, std::to_string(count)}));
        const std::vector<double> bare =
            Numbers(Run({self, "--child=bare", root, std::to_string(count)}));
        if (platform.size() != 4 || bare.size() != 2) {
            Fail("a child printed something unexpected");
        }
        if (run == 0) {
            continue; // the first pair only warms the page cache
        }
        load.push_back(platform[0]);
        init.push_back(platform[1]);
        exit.push_back(platform[2]);
        unload.push_back(platform[3]);
        bareInit.push_back(bare[0]);
        bareExit.push_back(bare[1]);
    }
    return {count,          Median(load),     Median(init),    Median(exit),
            Median(unload), Median(bareInit), Median(bareExit)};
}

void PrintTable(const char* title, const std::vector<Figures>& all, double Figures::*platform,
                double Figures::*bare) {
    std::printf("\n%s (medians, ms)\n", title);
    std::printf("%9s %10s %10s %7s %16s %16s\n", "packages", "platform", "bare", "ratio",
                "platform/added", "bare/added");
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Figures& f = all[i];
        std::printf("%9d %10.2f %10.2f %7.2f", f.count, f.*platform / 1000, f.*bare / 1000,
                    f.*platform / f.*bare);
        if (i > 0) {
            const double added = f.count - all[i - 1].count;
            std::printf(" %13.1f us %13.1f us", (f.*platform - all[i - 1].*platform) / added,
                        (f.*bare - all[i - 1].*bare) / added);
        }
        std::printf("\n");
    }
}

std::vector<int> ParseSizes(const std::string& text) {
    std::vector<int> sizes;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        sizes.push_back(std::stoi(item));
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

// --- counts -----------------------------------------------------------------------------------

struct StartupCounts {
    int count = 0;
    orvane::bench::WorkCounts platform; // per package
    orvane::bench::WorkCounts bare;     // per package
};

// What one more package costs in system calls and instructions, start-up and shut-down
// together: the runs with `count` packages minus those with one, over count - 1.
StartupCounts MeasureCounts(const std::string& self, int count) {
    using orvane::bench::Count;
    using orvane::bench::PerUnit;
    const auto counted = [&self](int packages) {
        const BenchInstallation installation(packages);
        const std::string root = installation.Install().Root();
        const std::string n = std::to_string(packages);
        return std::make_pair(Count({self, "--child=platform", root, n}),
                              Count({self, "--child=bare", root, n}));
    };
    const auto one = counted(1);
    const auto many = counted(count);
    return {count, PerUnit(many.first, one.first, count - 1),
            PerUnit(many.second, one.second, count - 1)};
}

void PrintCounts(const StartupCounts& c) {
    std::printf("\nCounts per package, start-up and shut-down together (%d packages minus 1, "
                "over %d; %s build)\n",
                c.count, c.count - 1, ORVANE_BENCH_BUILD_TYPE);
    std::printf("%22s %12s %12s %12s\n", "", "platform", "bare", "beyond bare");
    std::printf("%22s %12.2f %12.2f %12.2f\n", "system calls", c.platform.syscalls, c.bare.syscalls,
                c.platform.syscalls - c.bare.syscalls);
    std::printf("%22s %12.0f %12.0f %12.0f\n", "user instructions", c.platform.instructions,
                c.bare.instructions, c.platform.instructions - c.bare.instructions);
    std::printf("platform's system calls per package: %s\n",
                orvane::bench::CallList(c.platform, 0.5).c_str());
    std::printf("bare loop's system calls per package: %s\n",
                orvane::bench::CallList(c.bare, 0.5).c_str());
}

// The counting test: the counts of 100 packages against the budgets file.
int CheckCounts(const std::string& self, const std::string& budgetsFile) {
    const orvane::bench::Budgets budgets(budgetsFile);
    EnsurePackages(kCountedPackages);
    const StartupCounts c = MeasureCounts(self, kCountedPackages);
    PrintCounts(c);
    std::printf("\n");
    bool within = budgets.Check("startup.syscalls_per_package", c.platform.syscalls);
    within &= budgets.Check(std::string("startup.instructions_beyond_bare_per_package.") +
                                ORVANE_BENCH_BUILD_TYPE,
                            c.platform.instructions - c.bare.instructions);
    return within ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--child=platform") {
        return PlatformChild(args[1]);
    }
    if (args.size() == 3 && args[0] == "--child=bare") {
        return BareChild(args[1], std::stoi(args[2]));
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    if (args.size() == 1 && args[0].rfind("--check-counts=", 0) == 0) {
        return CheckCounts(self, args[0].substr(15));
    }
    std::vector<int> sizes = {100, 300, 1000};
    int runs = 7;
    bool counts = true;
    for (const auto& arg : args) {
        if (arg.rfind("--sizes=", 0) == 0) {
            sizes = ParseSizes(arg.substr(8));
        } else if (arg.rfind("--runs=", 0) == 0) {
            runs = std::max(1, std::stoi(arg.substr(7)));
        } else if (arg == "--no-counts") {
            counts = false;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--sizes=100,300,1000] [--runs=7] [--no-counts]\n"
                         "       %s --check-counts=BUDGETS\n",
                         argv[0], argv[0]);
            return 2;
        }
    }
    if (sizes.empty()) {
        return 2;
    }
    EnsurePackages(std::max(sizes.back(), kCountedPackages));

    std::vector<Figures> all;
    for (const int count : sizes) {
        all.push_back(Measure(self, count, runs));
        std::fprintf(stderr, "%d packages measured\n", count);
    }
    std::printf("Fresh process per run, platform and bare loop alternating, %d runs each.\n", runs);
    PrintTable("Start-up: OrvaneInit against dlopen + 2 dlsym + Init", all, &Figures::init,
               &Figures::bareInit);
    PrintTable("Shut-down: OrvaneExit against Exit + dlclose", all, &Figures::exit,
               &Figures::bareExit);
    std::printf("\nLoading and unloading Orvane.so itself (medians, ms)\n");
    std::printf("%9s %10s %10s\n", "packages", "dlopen", "dlclose");
    for (const auto& f : all) {
        std::printf("%9d %10.2f %10.2f\n", f.count, f.load / 1000, f.unload / 1000);
    }
    if (counts) {
        PrintCounts(MeasureCounts(self, kCountedPackages));
    }
    return 0;
}
