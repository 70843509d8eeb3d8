// Clock: the steady frame schedule and the fixed steps. Both are kept as whole numbers from an origin: frame n
// of the current second is due n x 1000 / rate ms after the origin, and the origin moves on by exactly 1000 ms
// each time a whole second of frames (or steps) has passed, so nothing is ever rounded and added up, and the
// unsigned millisecond clock may wrap around without disturbing either schedule.
// Depends on: Console.
#include "Clock.h"

#include "Console.h"
#include "FrameSchedule.h"

namespace {

const int lowestRate = 1;
const int highestRate = 1000;
const int defaultStepsPerSecond = 60;
const int defaultMaxStepsPerFrame = 5;

bool inRange(int value)
{
    return value >= lowestRate && value <= highestRate;
}

// The steady frame schedule; rate 0 leaves the engine's own pacing in force.
struct FrameSchedule {
    Uint32 rate = 0;
    bool started = false;
    Uint32 origin = 0;  // the clock's time of frame 0 of the current second
    Uint32 next = 0;    // the frame of the current second that comes next, 0 to rate
    Uint32 skipped = 0;
} frames;

// The fixed steps; a null step runs none.
struct StepSchedule {
    void (*step)() = nullptr;
    Uint32 rate = 0;
    Uint32 maxPerFrame = 0;
    bool started = false;
    Uint32 origin = 0;  // the clock's time of step 0 of the current second
    Uint32 done = 0;    // steps of the current second run (or dropped), 0 to rate
    double progress = 0;
} steps;

bool frameStarted = false;
Uint32 frameStart = 0;
Uint32 interval = 0;

// The time after the origin at which frame (or step) n is due.
Uint64 dueTime(Uint64 n, Uint32 rate)
{
    return n * 1000 / rate;
}

// The last frame (or step) due by elapsed ms after the origin: the largest n with n x 1000 / rate <= elapsed.
Uint64 lastDue(Uint32 elapsed, Uint32 rate)
{
    return ((Uint64(elapsed) + 1) * rate - 1) / 1000;
}

}  // namespace

SDL_bool setFrameRate(int framesPerSecond)
{
    SDL_bool accepted = SDL_TRUE;
    if (!inRange(framesPerSecond)) {
        Console::addString("WARNING: setFrameRate (%d): not a rate of 1 to 1000 frames a second; %d is used",
                           framesPerSecond, defaultSteadyFrameRate);
        framesPerSecond = defaultSteadyFrameRate;
        accepted = SDL_FALSE;
    }
    frames.rate = Uint32(framesPerSecond);
    frames.started = false;
    return accepted;
}

int frameRate()
{
    return int(frames.rate);
}

SDL_bool setFixedStep(void (*step)(), int stepsPerSecond, int maxStepsPerFrame)
{
    SDL_bool accepted = SDL_TRUE;
    if (step && !inRange(stepsPerSecond)) {
        Console::addString("WARNING: setFixedStep (%d): not a rate of 1 to 1000 steps a second; %d is used",
                           stepsPerSecond, defaultStepsPerSecond);
        stepsPerSecond = defaultStepsPerSecond;
        accepted = SDL_FALSE;
    }
    if (step && !inRange(maxStepsPerFrame)) {
        Console::addString("WARNING: setFixedStep (%d): not a bound of 1 to 1000 steps a frame; %d is used",
                           maxStepsPerFrame, defaultMaxStepsPerFrame);
        maxStepsPerFrame = defaultMaxStepsPerFrame;
        accepted = SDL_FALSE;
    }
    steps = StepSchedule();
    if (step) {
        steps.step = step;
        steps.rate = Uint32(stepsPerSecond);
        steps.maxPerFrame = Uint32(maxStepsPerFrame);
    }
    return accepted;
}

Uint32 frameInterval()
{
    return interval;
}

double stepProgress()
{
    return steps.progress;
}

Uint32 framesSkipped()
{
    return frames.skipped;
}

bool steadyFramePacing()
{
    return frames.rate != 0;
}

Uint32 waitForSteadyFrame(Uint32 (*clock)(), void (*delay)(Uint32))
{
    Uint32 now = clock();
    if (!frames.started) {
        frames.started = true;
        frames.origin = now;
        frames.next = 0;
    }
    // Signed: the origin may lie just ahead of the clock once it has moved on to the next second.
    Sint64 due = Sint64(dueTime(frames.next, frames.rate));
    Sint64 elapsed = Sint32(now - frames.origin);
    if (elapsed < due) {
        delay(Uint32(due - elapsed));
        now = clock();
        elapsed = Sint32(now - frames.origin);
    }
    // A start later than the following frames' skips them: this frame takes the place of the last one due.
    if (elapsed >= 0) {
        Uint64 last = lastDue(Uint32(elapsed), frames.rate);
        if (last > frames.next) {
            frames.skipped += Uint32(last - frames.next);
            frames.next = Uint32(last);
        }
    }
    ++frames.next;
    // Frame 0 of the next second is due exactly 1000 ms after this second's: the origin moves on whole seconds.
    while (frames.next >= frames.rate) {
        frames.origin += 1000;
        frames.next -= frames.rate;
    }
    return now;
}

void noteFrameStart(Uint32 ticks)
{
    interval = frameStarted ? ticks - frameStart : 0;
    frameStarted = true;
    frameStart = ticks;
}

void runFixedSteps()
{
    if (!steps.step || !frameStarted)
        return;
    if (!steps.started) {
        steps.started = true;
        steps.origin = frameStart;
    }
    Uint32 elapsed = frameStart - steps.origin;
    Uint64 due = Uint64(elapsed) * steps.rate / 1000;
    steps.progress = double(Uint64(elapsed) * steps.rate - due * 1000) / 1000.0;
    if (due > steps.done + steps.maxPerFrame)
        steps.done = Uint32(due - steps.maxPerFrame);  // the steps beyond the bound are dropped
    void (*step)() = steps.step;
    while (steps.done < due && steps.step == step) {
        ++steps.done;
        step();
    }
    while (steps.done >= steps.rate && steps.step == step) {
        steps.origin += 1000;
        steps.done -= steps.rate;
    }
}

void restartFrameSchedule()
{
    frames.started = false;
    steps.started = false;
    steps.done = 0;
    steps.progress = 0;
    frameStarted = false;
    interval = 0;
}
