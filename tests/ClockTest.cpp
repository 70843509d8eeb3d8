// The steady frame rate and the fixed steps, on a frame clock of the test's own: the clock stands still while a
// frame works unless the frame says how long it worked, and the pacing's sleep moves it on by exactly the time
// asked for. Frame starts, intervals, steps and sleeps are therefore exact. The main loop runs once per process,
// so every run happens in a child process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>

#include "Clock.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Game.h"
#include "GameLoop.h"
#include "RunDirectory.h"
#include "Video.h"

namespace {

// The game of these runs: each frame records its start, the interval and the step progress it was told, and
// the steps run before it; it works `work` ms, and `stall` ms more in frame `stallFrame`.
struct Pacing {
    Uint32 start = 0;
    Uint32 work = 0;
    int frames = 10;       // the loop stops after this many frames
    int traced = 10;       // frames written into the trace
    int stallFrame = -1;
    Uint32 stall = 0;
};

Pacing run;
Uint32 now = 0;
int frameCount = 0;
int stepCount = 0;
int stepsBefore = 0;
int delays = 0;
Uint32 firstStart = 0;
Uint32 lastStart = 0;
Uint32 shortest = 0xffffffff;
Uint32 longest = 0;
std::string trace;

Uint32 clock()
{
    return now;
}

void delay(Uint32 ms)
{
    now += ms;
    ++delays;
}

void step()
{
    ++stepCount;
}

void frame()
{
    if (frameCount == 0)
        firstStart = now;
    else {
        shortest = frameInterval() < shortest ? frameInterval() : shortest;
        longest = frameInterval() > longest ? frameInterval() : longest;
    }
    lastStart = now;
    if (frameCount < run.traced) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "%u/%u/%d/%.2f ", now - run.start, frameInterval(),
                      stepCount - stepsBefore, stepProgress());
        trace += entry;
    }
    stepsBefore = stepCount;
    now += run.work;
    if (frameCount == run.stallFrame)
        now += run.stall;
    if (++frameCount == run.frames)
        stopGame();
}

// Runs the loop in a child with the game above; the child returns "start/interval/steps/progress ..." of the
// traced frames.
std::string runFrames(const Pacing &chosen, void (*choose)())
{
    ChildResult child = runInChild([&chosen, choose]() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        displayConsole = SDL_FALSE;
        if (initializeVideo() != SDL_TRUE)
            return std::string("no display");
        run = chosen;
        now = chosen.start;
        setFrameTiming(clock, delay);
        if (choose)
            choose();
        GameHooks hooks = {nullptr, frame, nullptr, nullptr};
        setGameHooks(&hooks);
        runGame();
        shutdownVideo();
        SDL_Quit();
        return trace;
    });
    EXPECT_EQ(child.exitCode, 0) << child.standardError;
    return child.output;
}

// The summary of a long run: the last frame's start after the first, the shortest and longest interval, the
// sleeps, the steps and the frames skipped.
std::string summary()
{
    char text[160];
    std::snprintf(text, sizeof text, "last %u, intervals %u to %u, sleeps %d, steps %d, skipped %u",
                  lastStart - firstStart, shortest, longest, delays, stepCount, framesSkipped());
    return text;
}

std::string runLong(const Pacing &chosen, void (*choose)())
{
    ChildResult child = runInChild([&chosen, choose]() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        displayConsole = SDL_FALSE;
        if (initializeVideo() != SDL_TRUE)
            return std::string("no display");
        run = chosen;
        now = chosen.start;
        setFrameTiming(clock, delay);
        choose();
        GameHooks hooks = {nullptr, frame, nullptr, nullptr};
        setGameHooks(&hooks);
        runGame();
        shutdownVideo();
        SDL_Quit();
        return summary();
    }, 120);
    EXPECT_EQ(child.exitCode, 0) << child.standardError;
    return child.output;
}

}  // namespace

TEST(EnginePacing, FramesStartInPairsFourteenMillisecondsApart)
{
    // What a game gets without choosing a rate, told through the frame interval.
    Pacing chosen;
    chosen.frames = chosen.traced = 6;
    EXPECT_EQ(runFrames(chosen, nullptr), "0/0/0/0.00 14/14/0/0.00 14/0/0/0.00 28/14/0/0.00 28/0/0/0.00 "
                                          "42/14/0/0.00 ");
}

TEST(SteadyFrameRate, FramesStartEvenlySpacedWithoutPairsWhateverTheWork)
{
    for (Uint32 work : {0u, 3u, 15u}) {
        Pacing chosen;
        chosen.work = work;
        chosen.frames = chosen.traced = 7;
        EXPECT_EQ(runFrames(chosen, []() { setFrameRate(60); }),
                  "0/0/0/0.00 16/16/0/0.00 33/17/0/0.00 50/17/0/0.00 66/16/0/0.00 83/17/0/0.00 100/17/0/0.00 ")
            << work << " ms of work";
    }
}

TEST(SteadyFrameRate, ScheduleDoesNotDriftOverTenMinutesAtAnyRate)
{
    // 60 a second for ten minutes: the 36001st frame starts 600 s after the first, to the millisecond, and the
    // loop slept once per frame (the first frame starts at once); the clock wraps around on the way.
    Pacing chosen;
    chosen.start = 0xffffffffu - 300000;
    chosen.work = 2;
    chosen.frames = 36001;
    chosen.traced = 0;
    EXPECT_EQ(runLong(chosen, []() { setFrameRate(60); }),
              "last 600000, intervals 16 to 17, sleeps 36000, steps 0, skipped 0");
    chosen.frames = 7 * 60 + 1;  // a minute at 7 frames a second: 1000 / 7 is not a whole number
    EXPECT_EQ(runLong(chosen, []() { setFrameRate(7); }),
              "last 60000, intervals 142 to 143, sleeps 420, steps 0, skipped 0");
    chosen.work = 0;
    chosen.frames = 10 * 1000 + 1;
    EXPECT_EQ(runLong(chosen, []() { setFrameRate(1000); }),
              "last 10000, intervals 1 to 1, sleeps 10000, steps 0, skipped 0");
}

TEST(SteadyFrameRate, StallSkipsTheMissedFramesInsteadOfRunningThemInABurst)
{
    // Frame 4 starts at 66 ms and works 100 ms: frames 5 to 9 (due at 83 to 150) are skipped, the late frame
    // starts at once in the place of frame 10 (166 ms) and the next one is due on the schedule again.
    Pacing chosen;
    chosen.stallFrame = 4;
    chosen.stall = 100;
    chosen.frames = chosen.traced = 8;
    ChildResult child = runInChild([&chosen]() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        displayConsole = SDL_FALSE;
        if (initializeVideo() != SDL_TRUE)
            return std::string("no display");
        run = chosen;
        setFrameTiming(clock, delay);
        setFrameRate(60);
        GameHooks hooks = {nullptr, frame, nullptr, nullptr};
        setGameHooks(&hooks);
        runGame();
        return trace + "skipped " + std::to_string(framesSkipped());
    });
    EXPECT_EQ(child.output,
              "0/0/0/0.00 16/16/0/0.00 33/17/0/0.00 50/17/0/0.00 66/16/0/0.00 166/100/0/0.00 183/17/0/0.00 "
              "200/17/0/0.00 skipped 5");
}

TEST(FixedStep, StepsFollowTheClockWhateverTheFrameRate)
{
    // 50 steps a second: after one second of the clock 50 steps have run, at 60, 30 or 7 frames a second and
    // under the engine's own pacing alike; after ten seconds, 500.
    Pacing chosen;
    chosen.work = 1;
    chosen.traced = 0;
    chosen.frames = 61;
    EXPECT_EQ(runLong(chosen, []() { setFrameRate(60); setFixedStep(step, 50, 5); }),
              "last 1000, intervals 16 to 17, sleeps 60, steps 50, skipped 0");
    chosen.frames = 301;
    EXPECT_EQ(runLong(chosen, []() { setFrameRate(30); setFixedStep(step, 50, 5); }),
              "last 10000, intervals 33 to 34, sleeps 300, steps 500, skipped 0");
    chosen.frames = 71;
    EXPECT_EQ(runLong(chosen, []() { setFrameRate(7); setFixedStep(step, 50, 10); }),
              "last 10000, intervals 142 to 143, sleeps 70, steps 500, skipped 0");
    // The engine's pacing: frames in pairs, 14 ms apart; 1428 frames reach 9996 ms, 499 steps' worth.
    chosen.work = 0;
    chosen.frames = 1429;
    EXPECT_EQ(runLong(chosen, []() { setFixedStep(step, 50, 5); }),
              "last 9996, intervals 0 to 14, sleeps 714, steps 499, skipped 0");
}

TEST(FixedStep, FrameHookLearnsTheStepsRunAndHowFarTheNextStepIs)
{
    // 40 steps a second (one every 25 ms) at 60 frames a second.
    Pacing chosen;
    chosen.frames = chosen.traced = 6;
    EXPECT_EQ(runFrames(chosen, []() { setFrameRate(60); setFixedStep(step, 40, 5); }),
              "0/0/0/0.00 16/16/0/0.64 33/17/1/0.32 50/17/1/0.00 66/16/0/0.64 83/17/1/0.32 ");
}

TEST(FixedStep, BoundDropsTheStepsBeyondItAfterAStall)
{
    // 100 steps a second, at most 3 in a frame: a 200 ms stall gives 3 steps, and the schedule goes on from
    // there instead of catching up on the 17 dropped ones.
    Pacing chosen;
    chosen.stallFrame = 2;
    chosen.stall = 200;
    chosen.frames = chosen.traced = 6;
    EXPECT_EQ(runFrames(chosen, []() { setFrameRate(60); setFixedStep(step, 100, 3); }),
              "0/0/0/0.00 16/16/1/0.60 33/17/2/0.30 233/200/3/0.30 250/17/2/0.00 266/16/1/0.60 ");
}

TEST(FixedStep, NullStepStopsTheSteps)
{
    Pacing chosen;
    chosen.frames = chosen.traced = 3;
    EXPECT_EQ(runFrames(chosen, []() { setFrameRate(60); setFixedStep(step, 100, 3); setFixedStep(nullptr, 0, 0); }),
              "0/0/0/0.00 16/16/0/0.00 33/17/0/0.00 ");
}

TEST(ClockChoices, RatesThatCannotBeKeptAreRefusedWithOneLineAndTheDefaultsUsed)
{
    ChildResult child = runInChild([]() {
        displayConsole = SDL_FALSE;
        std::string seen;
        for (int rate : {0, -5, 1001, 100000}) {
            Console::clearBuffer();
            seen += std::to_string(setFrameRate(rate));
            seen += " " + std::to_string(frameRate()) + " " + std::to_string(Console::totalLines()) + ": " +
                    Console::lineAtIndex(0) + "\n";
        }
        Console::clearBuffer();
        seen += std::to_string(setFrameRate(1000));
        seen += std::to_string(setFrameRate(1));
        seen += " " + std::to_string(frameRate()) + " " + std::to_string(Console::totalLines()) + "\n";
        seen += std::to_string(setFixedStep(step, 0, 5));
        seen += std::string(" ") + Console::lineAtIndex(0) + "\n";
        Console::clearBuffer();
        seen += std::to_string(setFixedStep(step, 30, -1));
        seen += std::string(" ") + Console::lineAtIndex(0) + "\n";
        Console::clearBuffer();
        seen += std::to_string(setFixedStep(nullptr, -1, -1));
        seen += " " + std::to_string(Console::totalLines());
        return seen;
    });
    EXPECT_EQ(child.output,
              "0 60 1: WARNING: setFrameRate (0): not a rate of 1 to 1000 frames a second; 60 is used\n"
              "0 60 1: WARNING: setFrameRate (-5): not a rate of 1 to 1000 frames a second; 60 is used\n"
              "0 60 1: WARNING: setFrameRate (1001): not a rate of 1 to 1000 frames a second; 60 is used\n"
              "0 60 1: WARNING: setFrameRate (100000): not a rate of 1 to 1000 frames a second; 60 is used\n"
              "11 1 0\n"
              "0 WARNING: setFixedStep (0): not a rate of 1 to 1000 steps a second; 60 is used\n"
              "0 WARNING: setFixedStep (-1): not a bound of 1 to 1000 steps a frame; 5 is used\n"
              "1 0");
}
