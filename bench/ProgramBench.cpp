// The whole program: the engine's zarvello against bare_sdl (the same window and 14 ms loop, nothing else),
// each started under a private Xvfb. Start-up is the time from starting the process to its first screen
// update having been delivered (noted by the preloaded firstframe probe), taken in pairs; idle is the CPU time
// of all the process's threads over an idle stretch after the first frame (10 s; 1 s with ZARVELLO_BENCH_SMOKE
// set), both programs idling at the same time, as a percentage of one core; peak resident memory is the
// kernel's high-water mark for the process at its end.
// Beside the times, callgrind counts the instructions of each start-up to its first frame (not in a sanitizer
// build, whose programs it cannot run).
// Programs are ended as a window manager's logout would, with SIGTERM, which SDL turns into a quit event.
// Growth: the program's start-up and peak memory with 1, 100 and 1,000 archives of 1,000 members each (names
// differ from archive to archive) beside the shipped one in its data directory, each in a run directory of its
// own (a copy of the program, its configuration and the shipped data); nfitool makes the archives. With
// ZARVELLO_BENCH_SMOKE set: 1, 2 and 3 archives of 10 members.
// Depends on: Xvfb, the built program with its run directory, bare_sdl, firstframe, nfitool, valgrind, Google
// Benchmark, Linux /proc.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

namespace {

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "program benchmark failed: %s\n", message.c_str());
    std::exit(1);
}

double monotonicSeconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Reads one line from fd, waiting at most timeoutMs; "" on timeout or end of input.
std::string readLine(int fd, int timeoutMs)
{
    std::string text;
    const double deadline = monotonicSeconds() + timeoutMs / 1000.0;
    while (text.empty() || text.back() != '\n') {
        const int left = static_cast<int>((deadline - monotonicSeconds()) * 1000);
        pollfd waiting = {fd, POLLIN, 0};
        if (left <= 0 || poll(&waiting, 1, left) <= 0)
            return "";
        char byte;
        if (read(fd, &byte, 1) != 1)
            return "";
        text += byte;
    }
    return text;
}

void redirectToDevNull(int fd)
{
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        dup2(devNull, fd);
        close(devNull);
    }
}

// A private Xvfb that chooses its own display number.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int fds[2];
        if (pipe(fds) != 0)
            fail("no pipe for Xvfb");
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            redirectToDevNull(STDOUT_FILENO);
            redirectToDevNull(STDERR_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        const std::string number = readLine(fds[0], 20000);
        close(fds[0]);
        if (pid < 0 || number.empty())
            fail("Xvfb did not start");
        name = ":" + number.substr(0, number.size() - 1);
    }

    ~VirtualDisplay()
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }

    const std::string &display() const { return name; }

private:
    pid_t pid = -1;
    std::string name;
};

VirtualDisplay *display = nullptr;
double idleSeconds = 10;

// In a child about to start a program under measurement: no terminal, the private display, no sound, the
// first-frame probe preloaded, and as many descriptors as the hard limit allows.
void enterProbedEnvironment()
{
    redirectToDevNull(STDIN_FILENO);
    redirectToDevNull(STDOUT_FILENO);
    redirectToDevNull(STDERR_FILENO);
    setenv("DISPLAY", display->display().c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Every archive keeps a descriptor open; a thousand of them need more than a common soft limit.
    rlimit files;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    const char *preloaded = std::getenv("LD_PRELOAD");
    setenv("LD_PRELOAD",
           (std::string(ZARVELLO_FIRSTFRAME) + (preloaded ? std::string(":") + preloaded : "")).c_str(), 1);
    // A sanitizer build of the program would otherwise refuse to start behind a preloaded library.
    const char *asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
}

// One run of a program, from its start to its end.
class ProgramRun {
public:
    explicit ProgramRun(const char *program)
    {
        int fds[2];
        if (pipe(fds) != 0)
            fail("no pipe for the first-frame probe");
        started = monotonicSeconds();
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            enterProbedEnvironment();
            setenv("ZARVELLO_FIRST_FRAME_FD", std::to_string(fds[1]).c_str(), 1);
            execl(program, program, static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid < 0)
            fail(std::string("cannot start ") + program);
        const std::string stamp = readLine(fds[0], 30000);
        close(fds[0]);
        long long seconds = 0;
        long nanoseconds = 0;
        if (std::sscanf(stamp.c_str(), "%lld %ld", &seconds, &nanoseconds) != 2) {
            stop();
            fail(std::string(program) + " never showed a first frame");
        }
        firstFrame = static_cast<double>(seconds) + nanoseconds * 1e-9;
    }

    ~ProgramRun() { stop(); }

    double startupSeconds() const { return firstFrame - started; }

    // CPU time of all threads so far, in seconds.
    double cpuSeconds() const
    {
        const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
        DIR *directory = opendir(tasks.c_str());
        if (!directory)
            fail("cannot read " + tasks);
        double total = 0;
        while (dirent *entry = readdir(directory)) {
            if (entry->d_name[0] == '.')
                continue;
            FILE *file = std::fopen((tasks + "/" + entry->d_name + "/schedstat").c_str(), "r");
            unsigned long long nanoseconds = 0;
            if (file && std::fscanf(file, "%llu", &nanoseconds) == 1)
                total += nanoseconds * 1e-9;
            if (file)
                std::fclose(file);
        }
        closedir(directory);
        return total;
    }

    // Ends the program with SIGTERM (SIGKILL after 10 s) and returns its peak resident memory in MiB.
    double stop()
    {
        if (pid <= 0)
            return peakMiB;
        kill(pid, SIGTERM);
        int status = 0;
        rusage usage;
        std::memset(&usage, 0, sizeof usage);
        const double deadline = monotonicSeconds() + 10;
        pid_t ended = 0;
        while ((ended = wait4(pid, &status, WNOHANG, &usage)) == 0 && monotonicSeconds() < deadline)
            usleep(5000);
        if (ended == 0) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
        }
        pid = -1;
        peakMiB = usage.ru_maxrss / 1024.0;
        return peakMiB;
    }

private:
    pid_t pid = -1;
    double started = 0;
    double firstFrame = 0;
    double peakMiB = 0;
};

// Run directories of the program with extra archives in their data directories, made when first needed and
// removed on destruction.
class GrowthRuns {
public:
    GrowthRuns(const std::vector<unsigned> &archiveCounts, unsigned members)
        : archiveCounts(archiveCounts), members(members)
    {
        const std::string name = std::filesystem::path(ZARVELLO_PROGRAM).filename().string();
        for (unsigned count : archiveCounts)
            programs.push_back(directory.path() + "/run" + std::to_string(count) + "/" + name);
    }

    // The program of the run directory with count extra archives.
    const char *program(size_t which)
    {
        make();
        return programs[which].c_str();
    }

private:
    void make()
    {
        if (made)
            return;
        made = true;
        namespace fs = std::filesystem;
        const std::string &root = directory.path();
        // One set of members, renamed for each archive so that every archive holds names of its own.
        const std::string stage = root + "/stage";
        std::string holder = stage + "/a0000";
        fs::create_directories(holder);
        for (unsigned m = 0; m < members; ++m) {
            FILE *file = std::fopen((holder + "/m" + std::to_string(m) + ".bin").c_str(), "wb");
            if (!file || std::fputs("sixteen bytes...", file) < 0 || std::fclose(file) != 0)
                fail("cannot write the members of the growth archives");
        }
        fs::create_directories(root + "/pool");
        for (unsigned a = 0; a < archiveCounts.back(); ++a) {
            char name[32];
            std::snprintf(name, sizeof name, "/a%04u", a);
            fs::rename(holder, stage + name);
            holder = stage + name;
            std::snprintf(name, sizeof name, "/x%04u.nfi", a);
            runOrDie({ZARVELLO_NFITOOL, "create", root + "/pool" + name, stage});
        }
        const fs::path original(ZARVELLO_PROGRAM);
        const fs::path build = original.parent_path();
        for (size_t i = 0; i < archiveCounts.size(); ++i) {
            const fs::path run = fs::path(programs[i]).parent_path();
            fs::create_directories(run / "data");
            fs::copy_file(original, programs[i]);
            fs::copy_file(build / "zarvello.conf", run / "zarvello.conf");
            fs::copy_file(build / "data" / "default.nfi", run / "data" / "default.nfi");
            for (unsigned a = 0; a < archiveCounts[i]; ++a) {
                char name[32];
                std::snprintf(name, sizeof name, "x%04u.nfi", a);
                fs::create_hard_link(root + "/pool/" + name, run / "data" / name);
            }
        }
    }

    ScratchDirectory directory{"growth"};
    const std::vector<unsigned> archiveCounts;
    const unsigned members;
    std::vector<std::string> programs;
    bool made = false;
};

// Start-ups of one program, as for the growth runs: the CPU share of the start-up and the memory high-water
// mark once started beside the time.
void startup(benchmark::State &state, const char *program)
{
    for (auto _ : state) {
        ProgramRun run(program);
        state.SetIterationTime(run.startupSeconds());
        state.counters["cpu_percent"] = 100 * run.cpuSeconds() / run.startupSeconds();
        state.counters["peak_rss_mib"] = run.stop();
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The engine's start-up and bare_sdl's, one right after the other (which of them goes first alternates), so
// that both of a pair meet the same load on a shared machine; the ratio is taken pair by pair. The time
// reported is the engine's; the counters are the medians over the pairs.
void startupPairs(benchmark::State &state)
{
    std::vector<double> engine, bare, ratio;
    bool engineFirst = true;
    // A first start of each, not counted, brings their files into the page cache.
    ProgramRun(ZARVELLO_PROGRAM).stop();
    ProgramRun(ZARVELLO_BARE_SDL).stop();
    for (auto _ : state) {
        double engineSeconds = 0;
        double bareSeconds = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool engineTurn = (turn == 0) == engineFirst;
            ProgramRun run(engineTurn ? ZARVELLO_PROGRAM : ZARVELLO_BARE_SDL);
            (engineTurn ? engineSeconds : bareSeconds) = run.startupSeconds();
        }
        engineFirst = !engineFirst;
        engine.push_back(engineSeconds);
        bare.push_back(bareSeconds);
        ratio.push_back(engineSeconds / bareSeconds);
        state.SetIterationTime(engineSeconds);
    }
    state.counters["engine_ms"] = 1000 * median(engine);
    state.counters["bare_sdl_ms"] = 1000 * median(bare);
    state.counters["ratio"] = median(ratio);
}

// The instructions a program executes from its start to its first screen update, as callgrind counts them: a
// count, unlike a time, that comes out the same on a busy machine as on an idle one.
double startupInstructions(const char *program)
{
    char outFile[] = "/tmp/zarvello-bench-callgrind-XXXXXX";
    const int fd = mkstemp(outFile);
    if (fd < 0)
        fail("no file for callgrind's counts");
    close(fd);
    const pid_t pid = fork();
    if (pid == 0) {
        enterProbedEnvironment();
        unsetenv("ZARVELLO_FIRST_FRAME_FD");
        setenv("ZARVELLO_FIRST_FRAME_EXIT", "1", 1);
        const std::string out = std::string("--callgrind-out-file=") + outFile;
        execlp("valgrind", "valgrind", "--tool=callgrind", out.c_str(), program, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        unlink(outFile);
        fail(std::string("callgrind could not run ") + program + " to its first frame");
    }
    double instructions = 0;
    FILE *counts = std::fopen(outFile, "r");
    char line[256];
    while (counts && std::fgets(line, sizeof line, counts))
        if (std::sscanf(line, "summary: %lf", &instructions) == 1)
            break;
    if (counts)
        std::fclose(counts);
    unlink(outFile);
    if (instructions <= 0)
        fail(std::string("no instruction count for ") + program);
    return instructions;
}

void instructions(benchmark::State &state, const char *program)
{
    for (auto _ : state) {
        const double started = monotonicSeconds();
        state.counters["instructions"] = startupInstructions(program);
        state.SetIterationTime(monotonicSeconds() - started);
    }
}

// The engine and bare_sdl idle at the same time, so that both meet the same load: the CPU time of all of each
// one's threads over the idle stretch as a percentage of one core, and each one's memory high-water mark.
void idlePair(benchmark::State &state)
{
    for (auto _ : state) {
        ProgramRun engine(ZARVELLO_PROGRAM);
        ProgramRun bare(ZARVELLO_BARE_SDL);
        const double wallBefore = monotonicSeconds();
        const double engineBefore = engine.cpuSeconds();
        const double bareBefore = bare.cpuSeconds();
        usleep(static_cast<useconds_t>(idleSeconds * 1e6));
        const double engineAfter = engine.cpuSeconds();
        const double bareAfter = bare.cpuSeconds();
        const double wall = monotonicSeconds() - wallBefore;
        state.SetIterationTime(wall);
        state.counters["engine_cpu_percent"] = 100 * (engineAfter - engineBefore) / wall;
        state.counters["bare_sdl_cpu_percent"] = 100 * (bareAfter - bareBefore) / wall;
        state.counters["engine_peak_rss_mib"] = engine.stop();
        state.counters["bare_sdl_peak_rss_mib"] = bare.stop();
    }
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const char *smoke = std::getenv("ZARVELLO_BENCH_SMOKE");
    const bool quick = smoke && *smoke;
    if (quick)
        idleSeconds = 1;
    const std::vector<unsigned> archiveCounts = quick ? std::vector<unsigned>{1, 2, 3}
                                                      : std::vector<unsigned>{1, 100, 1000};
    GrowthRuns growth(archiveCounts, quick ? 10 : 1000);
    display = new VirtualDisplay();
    benchmark::RegisterBenchmark("program/startup/pairs", startupPairs)
        ->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("program/idle/pair", idlePair)
        ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    // callgrind cannot run a program built with the sanitizers.
    if (!ZARVELLO_PROGRAM_SANITIZED) {
        benchmark::RegisterBenchmark("program/instructions/engine", instructions, ZARVELLO_PROGRAM)
            ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("program/instructions/bare_sdl", instructions, ZARVELLO_BARE_SDL)
            ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    }
    for (size_t i = 0; i < archiveCounts.size(); ++i)
        benchmark::RegisterBenchmark(("program/archives_" + std::to_string(archiveCounts[i]) + "/engine").c_str(),
                                     [&growth, i](benchmark::State &state) { startup(state, growth.program(i)); })
            ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete display;
    return 0;
}
