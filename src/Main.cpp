// The program's entry: start up, draw the demonstration scene, run, shut down; exit code 0 after a normal run,
// 1 after a failed start-up. The scene is two dialog boxes drawn straight onto the screen from the skin's
// parts, one enabled and one disabled, each with a button image; the main loop's first update shows it.
#include <SDL.h>

#include "Font.h"
#include "GameLoop.h"
#include "GraphicSurface.h"
#include "Gui.h"
#include "ImageList.h"
#include "ImageLoader.h"
#include "Init.h"
#include "SkinLoader.h"

// Fills box with fill and frames it with a 3 x 3 bevel sheet: edges tiled, corners on top, all placed by the
// size of the top-left corner cell. A missing fill or sheet (a skin slot left empty) is skipped.
void bevelBox(SDL_Rect *box, GraphicSurface *fill, ImageList *bevels)
{
    if (fill)
        fill->tileToRect(box);
    if (!bevels)
        return;
    Uint16 bevWidth = bevels->width(0);
    Uint16 bevHeight = bevels->height(0);
    SDL_Rect top = {box->x, box->y, box->w, bevHeight};
    SDL_Rect bottom = {box->x, static_cast<Sint16>(box->y + box->h - bevHeight), box->w, bevHeight};
    SDL_Rect left = {box->x, box->y, bevWidth, box->h};
    SDL_Rect right = {static_cast<Sint16>(box->x + box->w - bevWidth), box->y, bevWidth, box->h};
    bevels->tileImage(1, &top);
    bevels->tileImage(7, &bottom);
    bevels->tileImage(3, &left);
    bevels->tileImage(5, &right);
    Sint16 rightX = static_cast<Sint16>(box->x + box->w - bevWidth);
    Sint16 bottomY = static_cast<Sint16>(box->y + box->h - bevHeight);
    bevels->blitImage(0, box->x, box->y);
    bevels->blitImage(2, rightX, box->y);
    bevels->blitImage(6, box->x, bottomY);
    bevels->blitImage(8, rightX, bottomY);
}

// Draws one dialog inside dlg: the caption bar (as tall as the caption background) with its button at the
// right end and the shadowed caption text, then the body below it.
void makeDialog(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *capText)
{
    GraphicSurface *captionBack = skin->getCaptionBack(enabled);
    ImageList *captionBevels = skin->getCaptionBevels(enabled);
    ImageList *captionButton = skin->getCaptionButton(enabled);
    EngineFont *mainFont = skin->getCaptionFont(enabled, 0);
    EngineFont *shadowFont = skin->getCaptionFont(enabled, 1);

    Sint32 captionHeight = captionBack ? captionBack->height() : 0;
    SDL_Rect captionArea = {dlg->x, dlg->y, dlg->w, static_cast<Uint16>(captionHeight)};
    SDL_Rect bodyArea = {dlg->x, static_cast<Sint16>(dlg->y + captionHeight), dlg->w,
                         static_cast<Uint16>(dlg->h - captionHeight)};
    bevelBox(&captionArea, captionBack, captionBevels);
    bevelBox(&bodyArea, skin->getDialogBack(), skin->getDialogBevels());

    Sint32 bevelWidth = captionBevels ? captionBevels->width(0) : 0;
    if (captionButton) {
        Sint32 buttonX = dlg->x + dlg->w - (captionButton->width(0) + bevelWidth);
        Sint32 buttonY = captionArea.y + captionHeight / 2 - captionButton->height(0) / 2;
        captionButton->blitImage(1, static_cast<Sint16>(buttonX), static_cast<Sint16>(buttonY));
    }

    Sint32 textX = dlg->x + bevelWidth;
    if (mainFont && shadowFont) {
        Sint32 textY = captionArea.y + captionHeight / 2 - static_cast<Sint32>((mainFont->charHeight() + 1) / 2);
        shadowFont->blitText(static_cast<Sint16>(textX + 1), static_cast<Sint16>(textY + 1), 0, capText);
        mainFont->blitText(static_cast<Sint16>(textX), static_cast<Sint16>(textY), 0, capText);
    }
}

// The demonstration scene. A button image that cannot be loaded leaves the two button images out; the
// dialogs are drawn all the same.
void test()
{
    SDL_Rect dialogBox1 = {10, 10, 250, 200};
    SDL_Rect dialogBox2 = {350, 10, 250, 200};

    ImageList *buttons = nullptr;
    GraphicSurface *buttImg = loadImage("/gfx/buttons/rectangle/medium.tga", 0, 0);
    if (buttImg) {
        buttons = new ImageList(buttImg, 1, 4);
        buttImg->setColorKey(255, 0, 255);
        buttons->retain();
    }

    if (skin) {
        makeDialog(SDL_TRUE, &dialogBox1, skin, "I am an enabled dialog box");
        makeDialog(SDL_FALSE, &dialogBox2, skin, "I am a disabled dialog box");
    }

    if (buttons) {
        buttons->blitImage(1, static_cast<Sint16>(dialogBox1.x + 20), static_cast<Sint16>(dialogBox1.y + 55));
        buttons->blitImage(0, static_cast<Sint16>(dialogBox2.x + 20), static_cast<Sint16>(dialogBox2.y + 55));
        buttons->release();
    }
}

int main(int argc, char **argv)
{
    if (initializeSystem(argc, argv) == SDL_TRUE) {
        test();
        runGame();
        shutdownSystem();
        return 0;
    }
    shutdownSystem();
    return 1;
}
