/// @file
/// Clock: the pace of the main loop and of the game's logic, both read from the frame clock (setFrameTiming in
/// Video.h), so a game or a test that installs its own clock drives them exactly.
///
/// Without setFrameRate the loop keeps the engine's own pacing: a frame may start 14 ms after the moment the
/// previous frame read the clock, so with little work per frame the frames start in pairs, 14 ms and then 0 ms
/// apart (about 71 different pictures a second, reported as about 140 frames). With setFrameRate the frames
/// start evenly: frame n starts n x 1000 / rate ms after the first, computed whole from the first start (no
/// rounded period is added up, so nothing drifts), the loop sleeps until then, and after a stall it skips the
/// frames it missed instead of running them in a burst.
///
/// A game that must run at the same speed on every machine moves in fixed steps:
///
///     setFrameRate(60);
///     setFixedStep(moveEverything, 60, 5);  // 60 steps a second, at most 5 in one frame
///
/// Depends on: Console; the frame clock is handed in by Video, FrameSchedule.
#ifndef ZARVELLO_CLOCK_H
#define ZARVELLO_CLOCK_H

#include <SDL_types.h>

/// The steady rate setFrameRate falls back to when it is given a rate it cannot keep.
const int defaultSteadyFrameRate = 60;

/// Starts frames evenly, framesPerSecond a second (1 to 1000), from the next frame on; a game calls it before
/// runEngine or during the run. Any other rate is refused with a "WARNING: " line and 60 is used; SDL_FALSE then.
SDL_bool setFrameRate(int framesPerSecond);

/// The steady rate in force, or 0 while the engine's own pacing is.
int frameRate();

/// Runs step stepsPerSecond times for every second of the frame clock (1 to 1000), whatever the frame rate:
/// in each frame, after the frame's events and before the game's frame hook, as many times as the clock has
/// passed step boundaries since the first frame, but at most maxStepsPerFrame times (1 to 1000); steps beyond
/// the bound are dropped, so a stall slows the game down instead of freezing it in catching up. A null step
/// stops the fixed steps. A rate or bound out of range is refused with a "WARNING: " line and 60 steps a second
/// or 5 steps a frame are used; SDL_FALSE then. A game calls it before runEngine or during the run; the steps
/// count from the next frame's start.
SDL_bool setFixedStep(void (*step)(), int stepsPerSecond, int maxStepsPerFrame);

/// Milliseconds of the frame clock between the start of the previous frame and the start of this one (0 in the
/// first frame).
Uint32 frameInterval();

/// How far the clock is into the next fixed step, from 0 (a step was just due) up to but excluding 1; for
/// drawing between the last two steps. 0 without fixed steps.
double stepProgress();

/// The number of frames the steady pacing has skipped after stalls since the run began.
Uint32 framesSkipped();

#endif
