// RenderQueue: a fixed array, so queuing never allocates. At the flush the rectangles are cut to the screen
// on their way to SDL: SDL copies them without checking bounds when the display needs a conversion (a 16-bit
// mode on a 24-bit server), so a rectangle reaching past the screen would read and write outside it. The
// queued values themselves stay as they were given. A game may spare the flush of an empty queue, or redraw
// everything: then every flush shows the whole screen with one update, whatever was queued.
#include "RenderQueue.h"

#include "Console.h"
#include "Video.h"

namespace {

RenderQueue *globalQueueObject = nullptr;
SDL_bool flushWhenEmpty = SDL_TRUE;
SDL_bool wholeEveryFrame = SDL_FALSE;

// The part of rect inside a width x height screen; w or h is 0 when nothing is left.
SDL_Rect clipToScreen(const SDL_Rect &rect, int width, int height)
{
    int left = rect.x < 0 ? 0 : rect.x;
    int top = rect.y < 0 ? 0 : rect.y;
    int right = rect.x + int(rect.w);
    int bottom = rect.y + int(rect.h);
    if (right > width)
        right = width;
    if (bottom > height)
        bottom = height;
    SDL_Rect clipped = {0, 0, 0, 0};
    if (right > left && bottom > top) {
        clipped.x = Sint16(left);
        clipped.y = Sint16(top);
        clipped.w = Uint16(right - left);
        clipped.h = Uint16(bottom - top);
    }
    return clipped;
}

}  // namespace

RenderQueue::RenderQueue() : regionCount(0) {}

RenderQueue::~RenderQueue()
{
    if (globalQueueObject == this)
        globalQueueObject = nullptr;
}

RenderQueue *RenderQueue::globalRenderQueue()
{
    if (!globalQueueObject)
        globalQueueObject = new RenderQueue();
    return globalQueueObject;
}

void RenderQueue::append(const SDL_Rect &rect)
{
    if (regionCount == capacity) {
        Console::addString("ERROR: Render queue is full!");
        return;
    }
    regionList[regionCount] = rect;
    ++regionCount;
}

void RenderQueue::addRect(SDL_Rect *rect)
{
    if (rect)
        append(*rect);
}

void RenderQueue::addRegion(Sint16 x, Sint16 y, Uint16 w, Uint16 h)
{
    SDL_Rect rect = {x, y, w, h};
    append(rect);
}

void RenderQueue::setEmptyFlushes(SDL_bool flush)
{
    flushWhenEmpty = flush == SDL_FALSE ? SDL_FALSE : SDL_TRUE;
}

SDL_bool RenderQueue::emptyFlushes()
{
    return flushWhenEmpty;
}

void RenderQueue::setRedrawEverything(SDL_bool redraw)
{
    wholeEveryFrame = redraw == SDL_TRUE ? SDL_TRUE : SDL_FALSE;
}

SDL_bool RenderQueue::redrawEverything()
{
    return wholeEveryFrame;
}

void RenderQueue::updateScreen()
{
    if (screen && wholeEveryFrame == SDL_TRUE) {
        updateWholeScreen();
    } else if (screen && (regionCount > 0 || flushWhenEmpty == SDL_TRUE)) {
        SDL_Rect visible[capacity];
        for (int i = 0; i < regionCount; ++i)
            visible[i] = clipToScreen(regionList[i], screen->w, screen->h);
        updateScreenRects(regionCount, visible);
    }
    regionCount = 0;
}
