// FrameSchedule: what the frame pacing and the main loop tell the clock (Clock.h) in every frame. Private to
// the engine: the pacing reports each frame's start, the loop runs the fixed steps due by then.
// Depends on: nothing but SDL's types.
#ifndef ZARVELLO_FRAMESCHEDULE_H
#define ZARVELLO_FRAMESCHEDULE_H

#include <SDL_types.h>

// Whether a steady frame rate is in force (setFrameRate was called).
bool steadyFramePacing();

// Sleeps with delay until the next steady frame's start on clock and returns the start (the clock's reading after
// the sleep). A frame that is late starts at once; one late past the following frames skips them.
Uint32 waitForSteadyFrame(Uint32 (*clock)(), void (*delay)(Uint32));

// Records the clock's time at which the current frame started.
void noteFrameStart(Uint32 ticks);

// Runs the fixed steps due by the current frame's start.
void runFixedSteps();

// Forgets the schedules, so the next frame starts new ones (a new frame clock was installed).
void restartFrameSchedule();

#endif
