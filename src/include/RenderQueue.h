/// @file
/// A game uses it to say which parts of the screen it drew in a frame.
/// RenderQueue: the screen rectangles to copy to the display at the end of the frame (at most 1000), kept in
/// the order they were added, with the values given. The main loop flushes it once per frame; drawing code
/// adds what it changed. One queue per process, created on first use and deleted by the video shutdown.
/// Depends on: Video (`screen`), Console, SDL's screen updates.
#ifndef ZARVELLO_RENDERQUEUE_H
#define ZARVELLO_RENDERQUEUE_H

#include <SDL_types.h>
#include <SDL_video.h>

/// The frame's dirty rectangles: a singleton flushed by the main loop after every frame.
class RenderQueue {
public:
    /// The queue, created empty on first use (again after the previous one was deleted).
    static RenderQueue *globalRenderQueue();

    /// Deleted by the video shutdown; the next globalRenderQueue() makes a new, empty queue.
    ~RenderQueue();
    RenderQueue(const RenderQueue &) = delete;
    RenderQueue &operator=(const RenderQueue &) = delete;

    /// Appends a copy of *rect; when 1000 are queued already, logs "ERROR: Render queue is full!" and drops it.
    void addRect(SDL_Rect *rect);
    /// Appends the rectangle (x, y, w, h), as addRect does.
    void addRegion(Sint16 x, Sint16 y, Uint16 w, Uint16 h);

    /// Copies the queued rectangles, cut to the screen, to the display in one call and empties the queue. With
    /// nothing queued the call is made all the same, unless a game turned that off with setEmptyFlushes. In
    /// redraw-everything mode the whole screen is shown instead. A scaled window gets the rectangles enlarged.
    void updateScreen();

    /// Whether a flush with nothing queued still makes its empty call (SDL_TRUE, the default). A game that queues
    /// everything it draws may pass SDL_FALSE: on sdl12-compat every call presents the whole window, so idle
    /// frames then cost nothing. The engine then queues the whole screen when SDL reports it exposed.
    static void setEmptyFlushes(SDL_bool flush);
    /// The choice of setEmptyFlushes.
    static SDL_bool emptyFlushes();

    /// Whether every flush shows the whole screen with one update (SDL_TRUE) instead of the queued rectangles
    /// (SDL_FALSE, the default): for a game that draws the whole screen every frame and queues nothing. Queued
    /// rectangles are then dropped at the flush.
    static void setRedrawEverything(SDL_bool redraw);
    /// The choice of setRedrawEverything.
    static SDL_bool redrawEverything();

    /// The number of rectangles queued in this frame.
    Sint16 count() const { return regionCount; }
    /// The queued rectangle at index, as it was added; index must be below count().
    const SDL_Rect &rectAt(Sint16 index) const { return regionList[index]; }

    /// The most rectangles a frame can queue.
    static const Sint16 capacity = 1000;

private:
    RenderQueue();
    void append(const SDL_Rect &rect);

    SDL_Rect regionList[capacity];
    Sint16 regionCount;
};

#endif
