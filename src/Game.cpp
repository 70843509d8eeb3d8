// Game: the engine's two ways out come first, so a game's event hook can neither swallow the quit key nor the
// window close; the game then sees every event, those two included.
#include "Game.h"

#include <SDL_events.h>

#include "ConfigTable.h"
#include "GameLoop.h"

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
    switch (event->type) {
    case SDL_QUIT:
        stopGame();
        break;
    case SDL_KEYDOWN:
        if (Uint32(event->key.keysym.sym) == storedSetting(keyQuit))
            stopGame();
        break;
    default:
        break;
    }
    if (hooksInForce.event)
        hooksInForce.event(event);
}
