// WindowGame: a game on the engine's public interface that chooses its window and keys: the caption "Window
// Game", the icon "/gfx/icon.tga" from its data directory (unless started with --no-icon), Alt+Return for full
// screen, a steady 60 frames a second. After every key press it logs "window game: full screen yes" or "no" (the
// engine's reaction to the key comes before the game's event hook). Escape ends it.
// Depends on: the engine's public headers and library.
#include <cstring>

#include <SDL.h>

#include "Clock.h"
#include "Console.h"
#include "Game.h"
#include "Gui.h"
#include "Init.h"
#include "Input.h"
#include "Video.h"

namespace {

void event(SDL_Event *e)
{
    if (e->type == SDL_KEYDOWN && e->key.keysym.sym == SDLK_RETURN)
        Console::addString("window game: full screen %s", isFullScreen() ? "yes" : "no");
}

}  // namespace

int main(int argc, char **argv)
{
    setWindowCaption("Window Game");
    if (!(argc > 1 && std::strcmp(argv[1], "--no-icon") == 0))
        setWindowIcon("/gfx/icon.tga");
    setFullScreenKey(SDL_TRUE);
    setFrameRate(60);
    setSkinRequired(SDL_FALSE);
    GameHooks hooks = {nullptr, nullptr, event, nullptr};
    return runEngine(argc, argv, &hooks);
}
