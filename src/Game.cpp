// Game: the engine's two ways out come first, so a game's event hook can neither swallow the quit key nor the
// window close; the game then sees every event, those two included. A game that spares empty flushes gets the
// whole screen queued when the window is exposed, since no flush may come to show it again. Before both, the GUI
// takes the events its widgets use; it never takes the window close or the quit key, except Escape while a
// modal dialog is shown, which closes that dialog instead of quitting.
#include "Game.h"

#include <SDL_events.h>

#include "GameDispatch.h"
#include "GameLoop.h"
#include "Input.h"
#include "InputSetup.h"
#include "GuiLayer.h"
#include "RenderQueue.h"
#include "Video.h"

namespace {

GameHooks hooksInForce = {nullptr, nullptr, nullptr, nullptr};

}  // namespace

void setGameHooks(const GameHooks *hooks)
{
    hooksInForce = hooks ? *hooks : GameHooks{nullptr, nullptr, nullptr, nullptr};
}

const GameHooks &gameHooks()
{
    return hooksInForce;
}

void handleGameEvent(SDL_Event *event)
{
    if (!event)
        return;
    translateMouseEvent(event);
    dispatchGameEvent(event);
}

void dispatchGameEvent(SDL_Event *event)
{
    noteKeyEvent(event);
    // Events the GUI uses (never the window close, nor the quit key in force unless it closes a modal dialog) end
    // here.
    const bool quitKeyDown = event->type == SDL_KEYDOWN && isQuitKey(event->key.keysym.sym) == SDL_TRUE;
    if (handleGuiEvent(event, quitKeyDown ? Uint32(event->key.keysym.sym) : Uint32(SDLK_LAST)) == SDL_TRUE)
        return;
    switch (event->type) {
    case SDL_QUIT:
        stopGame();
        break;
    case SDL_KEYDOWN:
        if (isQuitKey(event->key.keysym.sym) == SDL_TRUE)
            stopGame();
        handleFullScreenKey(event);
        break;
    case SDL_VIDEOEXPOSE:
        if (RenderQueue::emptyFlushes() == SDL_FALSE && screen)
            RenderQueue::globalRenderQueue()->addRegion(0, 0, Uint16(screen->w), Uint16(screen->h));
        break;
    default:
        break;
    }
    if (hooksInForce.event)
        hooksInForce.event(event);
}
