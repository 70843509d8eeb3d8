/// @file
/// A game uses it to reach the screen surface, fill it and pace its frames.
/// Video: the one display of the system, a fixed 800 x 600, 16-bit window or full screen kept in `screen`,
/// the capability report, keyboard set-up, the render queue's lifetime, a screen fill and the frame pacing of
/// the main loop (a 14 ms period on a replaceable clock and delay, so the schedule can be tested).
/// A game may ask for a window scaled by a whole factor: the game keeps drawing into `screen` at 800 x 600, the
/// window shows each of its pixels as a sharp block, and mouse events reach the game in 800 x 600.
/// Depends on: SDL's video subsystem, RenderQueue, Console, Utility, ConfigTable (`fullscreen`, game settings),
/// PixelScale, FrameSchedule, InputSetup, ReplaySession (the clock of a recorded or replayed session).
#ifndef ZARVELLO_VIDEO_H
#define ZARVELLO_VIDEO_H

#include <SDL_types.h>
#include <SDL_video.h>

union SDL_Event;

/// The display surface; null until initializeVideo succeeds, stale after shutdownVideo.
extern SDL_Surface *screen;

/// Starts the video subsystem and opens the 800 x 600 x 16 mode (full screen when `fullscreen` is SDL_TRUE),
/// logs the capability report, sets the window caption ("Zarvello" unless a game chose another), creates the render queue and turns on Unicode keys
/// and key repeat. SDL_FALSE, after logging why, when the subsystem or the mode is refused.
SDL_bool initializeVideo();

/// Sets the window caption the next initializeVideo gives the window, cut to 255 characters; null restores
/// "Zarvello". A game calls it before start-up.
void setWindowCaption(const char *caption);

/// The largest window scale: 3, a 2400 x 1800 window.
const int maxWindowScale = 3;

/// Shows the 800 x 600 picture in a window factor times as wide and high (1, the default, 2 or 3), each pixel a
/// sharp factor x factor block; the game keeps drawing into `screen` at 800 x 600 and gets mouse positions in it.
/// Full screen stays 800 x 600. A game calls it before start-up. Any other factor is refused with a "WARNING: "
/// console line and the scale kept: SDL_FALSE.
SDL_bool setWindowScale(int factor);

/// Lets players choose the window scale with the configuration setting name (a number setting; the script's
/// "name = 2"); without it in the script the game's setWindowScale holds. At start-up a number other than 1, 2 or
/// 3 there gets one "WARNING: " console line and the game's scale. SDL_FALSE when registerNumberSetting refuses
/// the name. A game calls it before start-up.
SDL_bool registerWindowScaleSetting(const char *name);

/// The scale of the open window: 1 when it is not scaled, full screen or closed.
int windowScale();

/// The surface SDL shows: `screen` itself, or in a window the engine enlarges, the larger surface each update
/// fills from `screen`. Null while the display is closed.
SDL_Surface *displaySurface();

/// Shows the whole screen with one update, SDL_UpdateRect(screen, 0, 0, 0, 0), enlarged first in a scaled window.
void updateWholeScreen();

/// Shows count rectangles of the screen, each inside it, with one SDL_UpdateRects call; in a window the engine
/// enlarges, each rectangle is enlarged first and only those reach the display.
void updateScreenRects(int count, SDL_Rect *rects);

/// Brings a mouse event (motion, button press or release) from window to screen coordinates in a window the engine
/// enlarges; every other event, and every event of an unscaled window, is left as it is. Null is ignored. The main
/// loop does this before the engine or the game sees the event.
void translateMouseEvent(SDL_Event *event);

/// On sdl12-compat, lets start-up measure what presenting the whole window costs with SDL 2's OpenGL and software
/// renderers and keep the cheaper (both show the same pixels); one console line gives the figures. Without this
/// call, or where the player set SDL_RENDER_DRIVER, SDL chooses as always; classic SDL 1.2 is not affected. A game
/// calls it before start-up.
void setCheapestPresent(SDL_bool choose);

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
