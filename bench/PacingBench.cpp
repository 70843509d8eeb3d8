// Frame pacing under a private Xvfb, on classic SDL 1.2 and, when the run has it, on sdl12-compat: pacing_game
// (an idle game that draws nothing and takes 60 fixed steps a second) runs for 10 s of the wall clock (1 s with
// ZARVELLO_BENCH_SMOKE set) at a steady 60 frames a second and at the engine's own pacing. Reported: the fixed
// steps against the wall clock (60 a second), the median frame interval and the share of intervals within 2 ms
// of it, the frames a second and the CPU the game used, as a percentage of one core.
// sdl12-compat: run the program under linux/sdl12-compat.sh, which puts the library on LD_LIBRARY_PATH; the
// classic runs then take it off again. Without it the sdl12-compat cases report that they were skipped.
// Depends on: Xvfb, pacing_game, Google Benchmark, POSIX.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

namespace {

double runSeconds = 10;
std::string display;
pid_t xvfb = -1;
std::string compatPath;     // the LD_LIBRARY_PATH that holds sdl12-compat; "" when the run has none
std::string classicPath;    // the same without the sdl12-compat directories

// The directories of LD_LIBRARY_PATH, those with a libSDL-1.2.so.0 separated from the others.
void splitLibraryPath()
{
    const char *path = std::getenv("LD_LIBRARY_PATH");
    if (!path)
        return;
    std::string rest = path;
    bool compat = false;
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string dir = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        if (std::filesystem::exists(dir + "/libSDL-1.2.so.0"))
            compat = true;
        else
            classicPath += (classicPath.empty() ? "" : ":") + dir;
    }
    if (compat)
        compatPath = path;
}

void startXvfb()
{
    int fds[2];
    if (pipe(fds) != 0)
        benchFailure("no pipe for Xvfb");
    xvfb = fork();
    if (xvfb == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               "-noreset", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    pollfd waiting = {fds[0], POLLIN, 0};
    while (poll(&waiting, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (xvfb < 0 || number.empty())
        benchFailure("Xvfb did not start");
    display = ":" + number;
}

void stopXvfb()
{
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
}

struct GameResult {
    int sdlPatch = 0;
    int steps = 0;
    int frames = 0;
    double wall = 0;
    double cpu = 0;
    double median = 0;
    double within2 = 0;
};

// Runs pacing_game with the pacing ("steady" or "engine") on the library path given, in a scratch run directory.
GameResult runGame(const char *pacing, const std::string &libraryPath)
{
    ScratchDirectory run("pacing");
    int out[2];
    if (pipe(out) != 0)
        benchFailure("no pipe for pacing_game");
    pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        dup2(out[1], STDOUT_FILENO);
        int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDERR_FILENO);
        if (chdir(run.path().c_str()) != 0)
            _exit(126);
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // Only the timings matter here: leaks are the test suite's business, and those of SDL's X11 code in a
        // sanitizer build are none of the engine's.
        const char *lsan = std::getenv("LSAN_OPTIONS");
        const std::string leaks = (lsan && *lsan ? std::string(lsan) + ":" : std::string()) + "detect_leaks=0";
        setenv("LSAN_OPTIONS", leaks.c_str(), 1);
        if (libraryPath.empty())
            unsetenv("LD_LIBRARY_PATH");
        else
            setenv("LD_LIBRARY_PATH", libraryPath.c_str(), 1);
        const std::string seconds = std::to_string(runSeconds);
        execl(ZARVELLO_PACING_GAME, "pacing_game", pacing, seconds.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(got));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    GameResult result;
    int major = 0, minor = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "sdl %d.%d.%d steps %d frames %d wall %lf cpu %lf median %lf within2 %lf", &major,
                    &minor, &result.sdlPatch, &result.steps, &result.frames, &result.wall, &result.cpu,
                    &result.median, &result.within2) != 9)
        benchFailure(std::string("pacing_game ") + pacing + " gave no result: '" + text + "'");
    return result;
}

void pacing(benchmark::State &state, const char *pacing, bool compat)
{
    if (compat && compatPath.empty()) {
        state.SkipWithError("no sdl12-compat on LD_LIBRARY_PATH (run under linux/sdl12-compat.sh)");
        for (auto _ : state) {
        }
        return;
    }
    GameResult result;
    for (auto _ : state) {
        result = runGame(pacing, compat ? compatPath : classicPath);
        state.SetIterationTime(result.wall);
    }
    state.counters["sdl_1_2_patch"] = result.sdlPatch;
    state.counters["steps"] = result.steps;
    // Fixed steps against the wall clock: 60 a second are expected.
    state.counters["steps_vs_wall_pct"] = result.wall > 0 ? (result.steps / (60.0 * result.wall) - 1) * 100 : 0;
    state.counters["fps"] = result.wall > 0 ? (result.frames - 1) / result.wall : 0;
    state.counters["median_interval_ms"] = result.median;
    state.counters["within_2ms_pct"] = result.within2 * 100;
    state.counters["cpu_pct"] = result.wall > 0 ? result.cpu / result.wall * 100 : 0;
    // The machine's load over the last minute, beside the figures it disturbs.
    double load = 0;
    if (FILE *file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1)
            load = 0;
        std::fclose(file);
    }
    state.counters["load_avg"] = load;
}

void prepare()
{
    if (std::getenv("ZARVELLO_BENCH_SMOKE"))
        runSeconds = 1;
    splitLibraryPath();
    startXvfb();
    for (bool compat : {false, true})
        for (const char *mode : {"steady", "engine"}) {
            std::string name = std::string("pacing/") + (compat ? "sdl12compat/" : "classic/") +
                               (std::strcmp(mode, "steady") == 0 ? "steady60" : "engine");
            benchmark::RegisterBenchmark(name.c_str(), pacing, mode, compat)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kSecond);
        }
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepare, stopXvfb);
}
