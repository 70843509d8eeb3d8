// The program zarvello, a game written on the engine's public interface like any other: its set-up draws the
// demonstration scene, and the engine does the rest (start-up, the main loop with its quit key and window close,
// shutdown, the exit code: 0 after a normal run, 1 after a failed start-up). The scene is two dialog boxes drawn
// straight onto the screen from the skin's parts, one enabled and one disabled, each with a button image; the
// main loop's first update shows it.
#include <SDL.h>

#include "Dialog.h"
#include "Gui.h"
#include "ImageList.h"
#include "Init.h"

// The demonstration scene. A button image that cannot be loaded leaves the two button images out; the
// dialogs are drawn all the same.
void test()
{
    SDL_Rect dialogBox1 = {10, 10, 250, 200};
    SDL_Rect dialogBox2 = {350, 10, 250, 200};

    ImageList *buttons = loadButtonImages("/gfx/buttons/rectangle/medium.tga");

    makeDialog(SDL_TRUE, &dialogBox1, skin, "I am an enabled dialog box");
    makeDialog(SDL_FALSE, &dialogBox2, skin, "I am a disabled dialog box");

    if (buttons) {
        buttons->blitImage(1, static_cast<Sint16>(dialogBox1.x + 20), static_cast<Sint16>(dialogBox1.y + 55));
        buttons->blitImage(0, static_cast<Sint16>(dialogBox2.x + 20), static_cast<Sint16>(dialogBox2.y + 55));
        buttons->release();
    }
}

namespace {

SDL_bool setUpScene()
{
    test();
    return SDL_TRUE;
}

}  // namespace

int main(int argc, char **argv)
{
    GameHooks hooks = {setUpScene, nullptr, nullptr, nullptr};
    return runEngine(argc, argv, &hooks);
}
