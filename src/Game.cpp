// Game: the demonstration has no game of its own, so the only reactions are the two ways out.
#include "Game.h"

#include <SDL_events.h>

#include "ConfigTable.h"
#include "GameLoop.h"

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
}
