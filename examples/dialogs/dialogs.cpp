// Dialogs: two skinned dialog boxes drawn with the engine's dialog calls from the shipped skin, one enabled with
// an OK button, one disabled with its button unavailable. The key "keyPress" (Return unless dialogs.conf says
// otherwise) presses OK: the button shows its pressed cell for a moment and the dialog counts the presses. The
// enabled dialog's caption is the game setting "greeting". Escape or closing the window ends it.
// Depends on: the installed Zarvello engine.
#include <zarvello/ConfigTable.h>
#include <zarvello/Console.h>
#include <zarvello/Dialog.h>
#include <zarvello/Font.h>
#include <zarvello/FontManager.h>
#include <zarvello/Game.h>
#include <zarvello/Gui.h>
#include <zarvello/ImageList.h>
#include <zarvello/Init.h>
#include <zarvello/Video.h>

#include <SDL.h>

namespace {

// The game settings.
char greeting[64];
SDLKey keyPress;

// The cells of the button sheet, top to bottom.
const Uint32 buttonNormal = 0;
const Uint32 buttonPressed = 2;
const Uint32 buttonUnavailable = 3;
const int pressedFrames = 20;  // how long the button stays down, in frames

SDL_Rect mainDialog = {100, 80, 420, 200};  // as tall as the skin's body tile and caption
SDL_Rect otherDialog = {180, 340, 420, 160};

ImageList *buttons = nullptr;    // ours: one reference, released in cleanUp
EngineFont *bodyFont = nullptr;  // borrowed from the font cache
int presses = 0;
int framesDown = 0;

Sint16 buttonX(const SDL_Rect &dialog) { return Sint16(dialog.x + dialog.w - 96 - 24); }
Sint16 buttonY(const SDL_Rect &dialog) { return Sint16(dialog.y + dialog.h - 28 - 20); }

// Draws the main dialog with its text and button. During the loop (queue SDL_TRUE) the show calls also queue
// what they drew, so that it reaches the display at the end of the frame.
void drawMainDialog(SDL_bool queue, Uint32 buttonCell)
{
    if (queue)
        showDialog(SDL_TRUE, &mainDialog, skin, greeting);
    else
        makeDialog(SDL_TRUE, &mainDialog, skin, greeting);
    Sint16 x = Sint16(mainDialog.x + 24);
    Sint16 y = Sint16(mainDialog.y + 50);
    bodyFont->blitText(x, y, 0, "The OK button answers to a key of the game's own:");
    bodyFont->blitText(x, Sint16(y + 20), 0, "\"keyPress\" in dialogs.conf (Return unless it says otherwise).");
    bodyFont->blitTextFmt(x, Sint16(y + 60), 0, "OK pressed %d time%s", presses, presses == 1 ? "" : "s");
    if (!buttons)
        return;
    if (queue)
        showButton(buttons, buttonCell, buttonX(mainDialog), buttonY(mainDialog));
    else
        buttons->blitImage(buttonCell, buttonX(mainDialog), buttonY(mainDialog));
}

SDL_bool setUp()
{
    bodyFont = FontManager::getFont("DejaVu Sans", 12, 0, 0, 0);
    if (!bodyFont) {
        Console::addString("dialogs: the shipped font is missing (data/default.nfi)");
        return SDL_FALSE;
    }
    // Without the button image the dialogs are still drawn, without buttons.
    buttons = loadButtonImages("/gfx/buttons/rectangle/medium.tga");

    drawMainDialog(SDL_FALSE, buttonNormal);
    makeDialog(SDL_FALSE, &otherDialog, skin, "A disabled dialog");
    bodyFont->blitText(Sint16(otherDialog.x + 24), Sint16(otherDialog.y + 50), 0, "Nothing here answers.");
    if (buttons)
        buttons->blitImage(buttonUnavailable, buttonX(otherDialog), buttonY(otherDialog));
    return SDL_TRUE;
}

void event(SDL_Event *e)
{
    if (e->type == SDL_KEYDOWN && Uint32(e->key.keysym.sym) == storedSetting(keyPress)) {
        ++presses;
        framesDown = pressedFrames;
        drawMainDialog(SDL_TRUE, buttonPressed);
    }
}

void frame()
{
    if (framesDown > 0 && --framesDown == 0)
        drawMainDialog(SDL_TRUE, buttonNormal);
}

void cleanUp()
{
    if (buttons)
        buttons->release();
    buttons = nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    setWindowCaption("Dialogs");
    setConfigFileName("dialogs.conf");
    registerTextSetting("greeting", greeting, sizeof greeting, "Hello");
    registerKeySetting("keyPress", &keyPress, SDLK_RETURN);
    GameHooks hooks = {setUp, frame, event, cleanUp};
    return runEngine(argc, argv, &hooks);
}
