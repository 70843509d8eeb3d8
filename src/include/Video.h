/// @file
/// A game uses it to reach the screen surface, fill it and pace its frames.
/// Video: the one display of the system, a fixed 800 x 600, 16-bit window or full screen kept in `screen`,
/// the capability report, keyboard set-up, the render queue's lifetime, a screen fill and the frame pacing of
/// the main loop (a 14 ms period on a replaceable clock and delay, so the schedule can be tested).
/// Depends on: SDL's video subsystem, RenderQueue, Console, Utility, ConfigTable (`fullscreen`).
#ifndef ZARVELLO_VIDEO_H
#define ZARVELLO_VIDEO_H

#include <SDL_types.h>
#include <SDL_video.h>

/// The display surface; null until initializeVideo succeeds, stale after shutdownVideo.
extern SDL_Surface *screen;

/// Starts the video subsystem and opens the 800 x 600 x 16 mode (full screen when `fullscreen` is SDL_TRUE),
/// logs the capability report, sets the window caption ("Zarvello" unless a game chose another), creates the render queue and turns on Unicode keys
/// and key repeat. SDL_FALSE, after logging why, when the subsystem or the mode is refused.
SDL_bool initializeVideo();

/// Sets the window caption the next initializeVideo gives the window, cut to 255 characters; null restores
/// "Zarvello". A game calls it before start-up.
void setWindowCaption(const char *caption);

/// Quits the video subsystem if it was started and destroys the render queue; safe after a failed start.
void shutdownVideo();

/// Fills area of the screen with (r, g, b); a null area is the whole screen. Nothing is queued for display.
void clearScreenArea(SDL_Rect *area, Uint8 r, Uint8 g, Uint8 b);

/// Sleeps until the frame's start time, then sets the next one 14 ms after the time read on entry; with a steady
/// rate chosen (Clock.h), sleeps until the frame's place in the steady schedule instead.
void waitForNextFrame();

/// The millisecond clock and the sleep used for frame pacing (and by the main loop for its frame rate).
typedef Uint32 (*FrameClock)();
/// The sleep used for frame pacing.
typedef void (*FrameDelay)(Uint32 milliseconds);

/// Replaces the frame clock and delay; a null argument restores SDL_GetTicks or SDL_Delay. Also forgets the
/// pending deadline (and the steady schedule and fixed steps of Clock.h), so the next waitForNextFrame starts a
/// fresh schedule. A game or a test calls it before runEngine to run the frames on a clock of its own.
void setFrameTiming(FrameClock clock, FrameDelay delay);

/// The current frame clock's time in milliseconds.
Uint32 frameClockTicks();

#endif
