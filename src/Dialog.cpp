// Dialog drawing. Every piece is placed by the rules of the skin's sheets alone (cell 0 gives the frame's
// thickness and the button's place), so a game's dialogs look exactly like the demonstration's. The show calls
// collect the area of every piece they draw, because a caption text or a frame thicker than its box reaches past
// the dialog's rectangle, and queue that area cut to the screen.
#include "Dialog.h"
#include "DialogDrawing.h"

#include "Font.h"
#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageLoader.h"
#include "RenderQueue.h"
#include "SkinLoader.h"
#include "Video.h"

namespace {

// The bounding box of what a drawing call touched, in screen coordinates, right and bottom exclusive.
struct Area {
    bool empty = true;
    Sint32 left = 0, top = 0, right = 0, bottom = 0;

    void add(Sint32 x, Sint32 y, Sint32 w, Sint32 h)
    {
        if (w <= 0 || h <= 0)
            return;
        if (empty || x < left)
            left = x;
        if (empty || y < top)
            top = y;
        if (empty || x + w > right)
            right = x + w;
        if (empty || y + h > bottom)
            bottom = y + h;
        empty = false;
    }
    void add(const SDL_Rect &rect) { add(rect.x, rect.y, rect.w, rect.h); }
};

// What blitImage or tileImage of the cell draws: the cell's own size at (x, y), or the whole of destination.
// Only a cell the sheet has counts, so that measuring adds no bad-index line to those of the drawing.
void addCell(Area *area, ImageList *sheet, Uint32 cell, Sint32 x, Sint32 y)
{
    if (area && cell < sheet->count())
        area->add(x, y, sheet->width(cell), sheet->height(cell));
}

void addTiled(Area *area, ImageList *sheet, Uint32 cell, const SDL_Rect &destination)
{
    if (area && cell < sheet->count() && sheet->width(cell) > 0 && sheet->height(cell) > 0)
        area->add(destination);
}

void queueArea(const Area &area)
{
    if (area.empty || !screen)
        return;
    Sint32 left = area.left < 0 ? 0 : area.left;
    Sint32 top = area.top < 0 ? 0 : area.top;
    Sint32 right = area.right > screen->w ? screen->w : area.right;
    Sint32 bottom = area.bottom > screen->h ? screen->h : area.bottom;
    if (left >= right || top >= bottom)
        return;
    RenderQueue::globalRenderQueue()->addRegion(static_cast<Sint16>(left), static_cast<Sint16>(top),
                                                static_cast<Uint16>(right - left), static_cast<Uint16>(bottom - top));
}

void drawBevelBox(SDL_Rect *box, GraphicSurface *fill, ImageList *bevels, Area *area)
{
    if (!box)
        return;
    if (fill) {
        fill->tileToRect(box);
        if (area && fill->width() > 0 && fill->height() > 0)
            area->add(*box);
    }
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
    addTiled(area, bevels, 1, top);
    addTiled(area, bevels, 7, bottom);
    addTiled(area, bevels, 3, left);
    addTiled(area, bevels, 5, right);

    Sint16 rightX = static_cast<Sint16>(box->x + box->w - bevWidth);
    Sint16 bottomY = static_cast<Sint16>(box->y + box->h - bevHeight);
    bevels->blitImage(0, box->x, box->y);
    bevels->blitImage(2, rightX, box->y);
    bevels->blitImage(6, box->x, bottomY);
    bevels->blitImage(8, rightX, bottomY);
    addCell(area, bevels, 0, box->x, box->y);
    addCell(area, bevels, 2, rightX, box->y);
    addCell(area, bevels, 6, box->x, bottomY);
    addCell(area, bevels, 8, rightX, bottomY);
}

// The text's pixels lie within the pen's run and the glyph strip's height.
void addText(Area *area, EngineFont *font, Sint16 x, Sint16 y, const char *text)
{
    if (!area)
        return;
    Sint32 height = static_cast<Sint32>(font->charHeight());
    if (font->getSurface() && font->getSurface()->height() > height)
        height = font->getSurface()->height();
    area->add(x, y, static_cast<Sint32>(font->textSize(text) > 0x7FFF ? 0x7FFF : font->textSize(text)), height);
}

// The caption button shows buttonCell of its sheet: the demonstration's dialogs show cell 1, a GUI dialog its
// close button's state. A dialog shorter than its caption has no body.
void drawDialog(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *capText, Uint32 buttonCell,
                Area *area)
{
    if (!dlg || !skin)
        return;
    GraphicSurface *captionBack = skin->getCaptionBack(enabled);
    ImageList *captionBevels = skin->getCaptionBevels(enabled);
    ImageList *captionButton = skin->getCaptionButton(enabled);
    EngineFont *mainFont = skin->getCaptionFont(enabled, 0);
    EngineFont *shadowFont = skin->getCaptionFont(enabled, 1);

    Sint32 captionHeight = captionBack ? captionBack->height() : 0;
    SDL_Rect captionArea = {dlg->x, dlg->y, dlg->w, static_cast<Uint16>(captionHeight)};
    SDL_Rect bodyArea = {dlg->x, static_cast<Sint16>(dlg->y + captionHeight), dlg->w,
                         static_cast<Uint16>(dlg->h > captionHeight ? dlg->h - captionHeight : 0)};
    drawBevelBox(&captionArea, captionBack, captionBevels, area);
    drawBevelBox(&bodyArea, skin->getDialogBack(), skin->getDialogBevels(), area);

    Sint32 bevelWidth = captionBevels ? captionBevels->width(0) : 0;
    if (captionButton) {
        Sint32 buttonX = dlg->x + dlg->w - (captionButton->width(0) + bevelWidth);
        Sint32 buttonY = captionArea.y + captionHeight / 2 - captionButton->height(0) / 2;
        captionButton->blitImage(buttonCell, static_cast<Sint16>(buttonX), static_cast<Sint16>(buttonY));
        addCell(area, captionButton, buttonCell, static_cast<Sint16>(buttonX), static_cast<Sint16>(buttonY));
    }

    Sint32 textX = dlg->x + bevelWidth;
    if (mainFont && shadowFont && capText) {
        Sint32 textY = captionArea.y + captionHeight / 2 - static_cast<Sint32>((mainFont->charHeight() + 1) / 2);
        Sint16 shadowX = static_cast<Sint16>(textX + 1), shadowY = static_cast<Sint16>(textY + 1);
        shadowFont->blitText(shadowX, shadowY, 0, capText);
        mainFont->blitText(static_cast<Sint16>(textX), static_cast<Sint16>(textY), 0, capText);
        addText(area, shadowFont, shadowX, shadowY, capText);
        addText(area, mainFont, static_cast<Sint16>(textX), static_cast<Sint16>(textY), capText);
    }
}

}  // namespace

void bevelBox(SDL_Rect *box, GraphicSurface *fill, ImageList *bevels)
{
    drawBevelBox(box, fill, bevels, nullptr);
}

void makeDialog(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *capText)
{
    drawDialog(enabled, dlg, skin, capText, 1, nullptr);
}

void drawDialogBox(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *caption, Uint32 buttonCell)
{
    drawDialog(enabled, dlg, skin, caption, buttonCell, nullptr);
}

void showDialog(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *capText)
{
    Area area;
    drawDialog(enabled, dlg, skin, capText, 1, &area);
    queueArea(area);
}

ImageList *loadButtonImages(const char *imageName)
{
    GraphicSurface *image = imageName ? loadImage(imageName, 0, 0) : nullptr;
    if (!image)
        return nullptr;
    ImageList *buttons = new ImageList(image, 1, 4);
    image->setColorKey(255, 0, 255);
    buttons->retain();
    return buttons;
}

void showButton(ImageList *buttons, Uint32 cell, Sint16 x, Sint16 y)
{
    if (!buttons)
        return;
    buttons->blitImage(cell, x, y);
    Area area;
    addCell(&area, buttons, cell, x, y);
    queueArea(area);
}
