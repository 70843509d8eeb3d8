// GameLoop: the loop reads its clock through the frame pacing's clock, so a test that drives the frame
// schedule also decides the elapsed time reported in the frame-rate line. The game's frame hook runs in every
// frame, also in the one whose events stopped the game, because that frame still reaches the screen.
#include "GameLoop.h"

#include <SDL.h>

#include "Console.h"
#include "FrameSchedule.h"
#include "Game.h"
#include "GameDispatch.h"
#include "GuiLayer.h"
#include "RecordingFile.h"
#include "RenderQueue.h"
#include "ReplaySession.h"
#include "Video.h"

namespace {

SDL_bool gameRunning = SDL_TRUE;

}  // namespace

void stopGame()
{
    gameRunning = SDL_FALSE;
}

void handleEvents()
{
    // A replay hands on the recorded events; what SDL has from outside then is not the session's and is dropped,
    // while the game's own events (which it made again) pass.
    Uint32 recorded = 0;
    const SDL_Event *events = sessionFrameEvents(&recorded);
    for (Uint32 i = 0; i < recorded; ++i) {
        SDL_Event event = events[i];
        dispatchGameEvent(&event);
    }
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
        if (sessionReplaying() && isRecordedEvent(event))
            continue;
        translateMouseEvent(&event);
        sessionEvent(event);
        dispatchGameEvent(&event);
    }
}

void doGameLoop()
{
    handleEvents();
    runFixedSteps();
    if (gameHooks().frame)
        gameHooks().frame();
    drawGui();
}

void runGame()
{
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    updateWholeScreen();

    Uint32 begin = frameClockTicks();
    Uint32 framesRendered = 0;
    while (gameRunning == SDL_TRUE) {
        waitForNextFrame();
        doGameLoop();
        queue->updateScreen();
        ++framesRendered;
        sessionFrameEnds(gameRunning != SDL_TRUE);
    }

    Uint32 elapsed = frameClockTicks() - begin;
    double seconds = elapsed / 1000.0;
    // No measurable time gives no measurable rate: report 0 rather than an infinite or undefined figure.
    double rate = elapsed == 0 ? 0.0 : framesRendered / seconds;
    Console::addString("FPS was %3.2f, %d frames in %3.2f seconds", rate, int(framesRendered), seconds);
}
