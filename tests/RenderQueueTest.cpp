// The render queue: its capacity of 1000, order and duplicates kept, the flush emptying it and handing SDL every
// rectangle in one call on a real (dummy driver) screen, and a fresh queue after the old one is deleted.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "Console.h"
#include "Game.h"
#include "Memory.h"
#include "RenderQueue.h"
#include "TestSupport.h"
#include "Video.h"

// Every SDL_UpdateRects call of this test program, recorded on its way to SDL's own: the program's definition
// comes before the library's, and the call goes on to the library through the next definition of the name.
struct UpdateCall {
    SDL_Surface *surface;
    std::vector<SDL_Rect> rects;
};
std::vector<UpdateCall> updateCalls;

extern "C" void SDL_UpdateRects(SDL_Surface *surface, int numrects, SDL_Rect *rects)
{
    updateCalls.push_back(UpdateCall{surface, std::vector<SDL_Rect>(rects, rects + (numrects > 0 ? numrects : 0))});
    using Update = void (*)(SDL_Surface *, int, SDL_Rect *);
    static const Update sdlUpdateRects = reinterpret_cast<Update>(dlsym(RTLD_NEXT, "SDL_UpdateRects"));
    if (sdlUpdateRects)
        sdlUpdateRects(surface, numrects, rects);
}

namespace {

class RenderQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Console::clearBuffer();
        queue = RenderQueue::globalRenderQueue();
    }
    void TearDown() override { delete RenderQueue::globalRenderQueue(); }

    RenderQueue *queue = nullptr;
};

TEST_F(RenderQueueTest, NewQueueIsEmptyAndFlushingItIsHarmless)
{
    EXPECT_EQ(queue->count(), 0);
    queue->updateScreen();
    EXPECT_EQ(queue->count(), 0);
}

TEST_F(RenderQueueTest, ThousandRectanglesFitAndTheNextIsRefusedWithAMessage)
{
    for (int i = 0; i < 1000; ++i)
        queue->addRegion(Sint16(i), 0, 1, 1);
    EXPECT_EQ(queue->count(), 1000);
    EXPECT_EQ(linesEqualTo("ERROR: Render queue is full!"), 0);

    SDL_Rect extra = {5, 5, 5, 5};
    queue->addRect(&extra);
    queue->addRegion(6, 6, 6, 6);
    EXPECT_EQ(queue->count(), 1000);
    EXPECT_EQ(linesEqualTo("ERROR: Render queue is full!"), 2);
    EXPECT_EQ(queue->rectAt(999).x, 999);
}

TEST_F(RenderQueueTest, RectanglesKeepTheirOrderValuesAndDuplicates)
{
    SDL_Rect a = {-5, 700, 900, 3};
    SDL_Rect b = {1, 2, 3, 4};
    queue->addRect(&a);
    queue->addRegion(1, 2, 3, 4);
    queue->addRect(&b);
    queue->addRect(&a);
    ASSERT_EQ(queue->count(), 4);
    EXPECT_TRUE(sameRect(queue->rectAt(0), a));
    EXPECT_TRUE(sameRect(queue->rectAt(1), b));
    EXPECT_TRUE(sameRect(queue->rectAt(2), b));
    EXPECT_TRUE(sameRect(queue->rectAt(3), a));
}

TEST_F(RenderQueueTest, FlushEmptiesTheQueueAndTheNextRectangleStartsAtTheFront)
{
    for (int i = 0; i < 1000; ++i)
        queue->addRegion(0, 0, 10, 10);
    queue->updateScreen();
    EXPECT_EQ(queue->count(), 0);
    queue->addRegion(7, 8, 9, 10);
    ASSERT_EQ(queue->count(), 1);
    SDL_Rect expected = {7, 8, 9, 10};
    EXPECT_TRUE(sameRect(queue->rectAt(0), expected));
}

TEST_F(RenderQueueTest, DeletedQueueIsReplacedByAFreshEmptyOne)
{
    queue->addRegion(1, 1, 1, 1);
    Uint32 withQueue = totalAllocatedMemory();
    delete queue;
    EXPECT_LT(totalAllocatedMemory(), withQueue);
    RenderQueue *fresh = RenderQueue::globalRenderQueue();
    EXPECT_EQ(fresh->count(), 0);
    EXPECT_EQ(RenderQueue::globalRenderQueue(), fresh);
}

// The flush on the dummy driver's screen: one call for the whole queue, however many rectangles it holds.
class ScreenFlush : public RenderQueueTest {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(initializeVideo(), SDL_TRUE);
        queue = RenderQueue::globalRenderQueue();
        updateCalls.clear();
    }
    void TearDown() override
    {
        RenderQueue::setEmptyFlushes(SDL_TRUE);
        shutdownVideo();
        SDL_Quit();
    }
};

TEST_F(ScreenFlush, EmptyQueueIsOneCallWithNoRectangles)
{
    queue->updateScreen();
    ASSERT_EQ(updateCalls.size(), 1u);
    EXPECT_EQ(updateCalls[0].surface, screen);
    EXPECT_TRUE(updateCalls[0].rects.empty());
}

TEST_F(ScreenFlush, ThousandRectanglesGoInOneCallInTheirOrder)
{
    for (int i = 0; i < 1000; ++i)
        queue->addRegion(Sint16(i % 800), Sint16(i / 800 * 10), 1, 10);
    queue->updateScreen();
    ASSERT_EQ(updateCalls.size(), 1u);
    ASSERT_EQ(updateCalls[0].rects.size(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        SDL_Rect expected = {Sint16(i % 800), Sint16(i / 800 * 10), 1, 10};
        ASSERT_TRUE(sameRect(updateCalls[0].rects[i], expected)) << i;
    }
    queue->updateScreen();
    ASSERT_EQ(updateCalls.size(), 2u);
    EXPECT_TRUE(updateCalls[1].rects.empty()) << "the flush emptied the queue";
}

TEST_F(ScreenFlush, RectangleAddedTwiceIsPassedTwice)
{
    SDL_Rect twice = {10, 20, 30, 40};
    SDL_Rect between = {1, 2, 3, 4};
    queue->addRect(&twice);
    queue->addRect(&between);
    queue->addRegion(10, 20, 30, 40);
    queue->updateScreen();
    ASSERT_EQ(updateCalls.size(), 1u);
    ASSERT_EQ(updateCalls[0].rects.size(), 3u);
    EXPECT_TRUE(sameRect(updateCalls[0].rects[0], twice));
    EXPECT_TRUE(sameRect(updateCalls[0].rects[1], between));
    EXPECT_TRUE(sameRect(updateCalls[0].rects[2], twice));
}

// A game that queues everything it draws can spare the empty call, which on sdl12-compat presents the whole
// window every idle frame; an exposed window is then queued whole, so that it is shown again.
TEST_F(ScreenFlush, GameCanSpareTheEmptyFlushAndGetsTheExposedWindowQueued)
{
    SDL_Event expose;
    expose.type = SDL_VIDEOEXPOSE;
    handleGameEvent(&expose);
    EXPECT_EQ(queue->count(), 0) << "by default an exposed window queues nothing";

    RenderQueue::setEmptyFlushes(SDL_FALSE);
    queue->updateScreen();
    EXPECT_TRUE(updateCalls.empty());
    queue->addRegion(1, 2, 3, 4);
    queue->updateScreen();
    ASSERT_EQ(updateCalls.size(), 1u);
    ASSERT_EQ(updateCalls[0].rects.size(), 1u);

    handleGameEvent(&expose);
    ASSERT_EQ(queue->count(), 1);
    SDL_Rect whole = {0, 0, 800, 600};
    EXPECT_TRUE(sameRect(queue->rectAt(0), whole));
    queue->updateScreen();
    ASSERT_EQ(updateCalls.size(), 2u);
    EXPECT_TRUE(sameRect(updateCalls[1].rects[0], whole));
}

TEST_F(RenderQueueTest, FlushOnTheScreenCopesWithRectanglesReachingPastIt)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    RenderQueue *open = RenderQueue::globalRenderQueue();
    open->addRegion(-100, -100, 50, 50);
    open->addRegion(790, 590, 500, 500);
    open->addRegion(-32768, -32768, 65535, 65535);
    open->addRegion(0, 0, 0, 0);
    open->addRegion(0, 0, 800, 600);
    open->updateScreen();
    EXPECT_EQ(open->count(), 0);
    shutdownVideo();
    SDL_Quit();
}

}  // namespace
