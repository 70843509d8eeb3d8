// PacingGame: an idle game on the engine for the pacing benchmark: it draws nothing (its frames flush the empty
// render queue, the engine's default), counts its frames and its fixed steps (60 a second), and ends itself after
// a number of seconds of the wall clock. At the end it prints one line on standard output: the SDL 1.2 it ran on,
// its steps and frames, the wall-clock seconds from its first frame to its last, the CPU seconds it used over
// them, the median frame interval and the share of intervals within 2 ms of the median.
// Usage: pacing_game steady|engine SECONDS
// Depends on: the engine's public interface, POSIX clocks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/resource.h>
#include <time.h>

#include <SDL.h>

#include "Clock.h"
#include "Game.h"
#include "GameLoop.h"
#include "Gui.h"
#include "Init.h"

namespace {

double seconds = 10;
int steps = 0;
std::vector<double> *frameStarts = nullptr;  // milliseconds of the monotonic clock
double cpuAtFirstFrame = 0;

double monotonicMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000.0 + now.tv_nsec / 1e6;
}

double cpuSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

SDL_bool setUp()
{
    frameStarts = new std::vector<double>;
    frameStarts->reserve(size_t(seconds * 1000) + 16);
    return SDL_TRUE;
}

void step()
{
    ++steps;
}

void frame()
{
    double now = monotonicMs();
    if (frameStarts->empty())
        cpuAtFirstFrame = cpuSeconds();
    frameStarts->push_back(now);
    if (now - frameStarts->front() >= seconds * 1000)
        stopGame();
}

void cleanUp()
{
    std::vector<double> &starts = *frameStarts;
    double cpu = cpuSeconds() - cpuAtFirstFrame;
    std::vector<double> intervals;
    for (size_t i = 1; i < starts.size(); ++i)
        intervals.push_back(starts[i] - starts[i - 1]);
    std::vector<double> sorted = intervals;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted.empty() ? 0 : sorted[sorted.size() / 2];
    size_t within = 0;
    for (double interval : intervals)
        within += interval >= median - 2 && interval <= median + 2;
    double wall = starts.size() > 1 ? (starts.back() - starts.front()) / 1000.0 : 0;
    const SDL_version *linked = SDL_Linked_Version();
    std::printf("sdl %d.%d.%d steps %d frames %zu wall %.4f cpu %.4f median %.3f within2 %.4f\n", linked->major,
                linked->minor, linked->patch, steps, starts.size(), wall, cpu, median,
                intervals.empty() ? 0.0 : double(within) / intervals.size());
    std::fflush(stdout);
    delete frameStarts;
    frameStarts = nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "steady") != 0 && std::strcmp(argv[1], "engine") != 0)) {
        std::fprintf(stderr, "usage: pacing_game steady|engine SECONDS\n");
        return 2;
    }
    seconds = std::atof(argv[2]);
    if (std::strcmp(argv[1], "steady") == 0)
        setFrameRate(60);
    // The steps run under either pacing: they follow the clock, not the frames. The bound lets a frame catch up
    // on a sixth of a second, so that only stalls longer than that (a loaded machine's) drop steps.
    setFixedStep(step, 60, 10);
    setSkinRequired(SDL_FALSE);
    setConfigFileName("pacing_game.conf");
    // No log file beside the program, no console echo to mix with the result line.
    char noLog[] = "-nologconsole";
    char noEcho[] = "-noddisplayconsole";
    char *engineArgs[] = {argv[0], noLog, noEcho, nullptr};
    GameHooks hooks = {setUp, frame, nullptr, cleanUp};
    return runEngine(3, engineArgs, &hooks);
}
