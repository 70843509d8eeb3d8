// DialogWindow: the caption bar and body follow the rules of makeDialog (Dialog.cpp) piece for piece, so a
// dialog window looks exactly like the engine's dialog boxes; only the close button's cell follows its state:
// cell 1 at rest (as makeDialog draws it), cell 2 while pressed, cell 3 when the dialog cannot be closed.
#include "GuiDialog.h"

#include "Dialog.h"
#include "Font.h"
#include "GraphicSurface.h"
#include "GuiLayerAccess.h"
#include "Gui.h"
#include "ImageList.h"
#include "SkinLoader.h"

namespace {

const Uint32 closeResting = 1, closePressed = 2, closeUnavailable = 3;

bool inside(const SDL_Rect &r, short x, short y)
{
    return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
}

}  // namespace

DialogWindow::DialogWindow(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent)
    : GuiWidget(caption, x, y, w, h, parent), modalDialog(SDL_FALSE), draggableDialog(SDL_FALSE),
      closableDialog(SDL_TRUE), enabledStyle(SDL_TRUE), closeArmed(SDL_FALSE), overClose(SDL_FALSE)
{
}

Uint16 DialogWindow::captionHeight()
{
    GraphicSurface *back = skin ? skin->getCaptionBack(enabledStyle) : nullptr;
    return back ? Uint16(back->height()) : 0;
}

SDL_Rect DialogWindow::closeButton()
{
    ImageList *button = skin ? skin->getCaptionButton(enabledStyle) : nullptr;
    ImageList *bevels = skin ? skin->getCaptionBevels(enabledStyle) : nullptr;
    if (!button || button->count() == 0)
        return SDL_Rect{0, 0, 0, 0};
    SDL_Rect extents;
    getExtents(&extents);
    Sint32 height = captionHeight();
    Sint32 x = extents.w - (button->width(0) + (bevels ? bevels->width(0) : 0));
    Sint32 y = height / 2 - button->height(0) / 2;
    return SDL_Rect{Sint16(x), Sint16(y), button->width(0), button->height(0)};
}

void DialogWindow::draw(const SDL_Rect &area)
{
    if (!skin)
        return;
    GraphicSurface *captionBack = skin->getCaptionBack(enabledStyle);
    ImageList *captionBevels = skin->getCaptionBevels(enabledStyle);
    ImageList *captionButton = skin->getCaptionButton(enabledStyle);
    EngineFont *mainFont = skin->getCaptionFont(enabledStyle, 0);
    EngineFont *shadowFont = skin->getCaptionFont(enabledStyle, 1);

    Sint32 height = captionHeight();
    SDL_Rect captionArea = {area.x, area.y, area.w, Uint16(height)};
    SDL_Rect bodyArea = {area.x, Sint16(area.y + height), area.w, Uint16(area.h > height ? area.h - height : 0)};
    bevelBox(&captionArea, captionBack, captionBevels);
    bevelBox(&bodyArea, skin->getDialogBack(), skin->getDialogBevels());

    if (captionButton) {
        SDL_Rect button = closeButton();
        Uint32 cell = !closableDialog ? closeUnavailable : (closeArmed && overClose) ? closePressed : closeResting;
        if (cell >= captionButton->count())
            cell = closeResting;
        captionButton->blitImage(cell, Sint16(area.x + button.x), Sint16(area.y + button.y));
    }
    Sint32 textX = area.x + (captionBevels ? captionBevels->width(0) : 0);
    if (mainFont && shadowFont) {
        Sint32 textY = area.y + height / 2 - Sint32((mainFont->charHeight() + 1) / 2);
        shadowFont->blitText(Sint16(textX + 1), Sint16(textY + 1), 0, getCaption());
        mainFont->blitText(Sint16(textX), Sint16(textY), 0, getCaption());
    }
}

SDL_bool DialogWindow::isOpaque()
{
    return (skin && skin->getCaptionBack(enabledStyle) && skin->getDialogBack()) ? SDL_TRUE : SDL_FALSE;
}

void DialogWindow::mousePressed(short x, short y)
{
    if (closableDialog && inside(closeButton(), x, y)) {
        closeArmed = SDL_TRUE;
        overClose = SDL_TRUE;
        makeDirty();
        return;
    }
    if (draggableDialog && y >= 0 && y < captionHeight())
        GuiLayerAccess::beginDrag(this, x, y);
}

void DialogWindow::mouseReleased(short x, short y, SDL_bool)
{
    if (!closeArmed)
        return;
    closeArmed = SDL_FALSE;
    makeDirty();
    if (inside(closeButton(), x, y))
        close();
}

void DialogWindow::mouseMoved(short x, short y)
{
    if (!closeArmed)
        return;
    SDL_bool over = inside(closeButton(), x, y) ? SDL_TRUE : SDL_FALSE;
    if (over != overClose) {
        overClose = over;
        makeDirty();
    }
}

void DialogWindow::close()
{
    if (!closableDialog)
        return;
    hide();
    runAction();
}

void DialogWindow::setModal(SDL_bool modal)
{
    modalDialog = modal ? SDL_TRUE : SDL_FALSE;
}

void DialogWindow::setDraggable(SDL_bool draggable)
{
    draggableDialog = draggable ? SDL_TRUE : SDL_FALSE;
}

void DialogWindow::setClosable(SDL_bool closable)
{
    closableDialog = closable ? SDL_TRUE : SDL_FALSE;
    if (isVisible())
        makeDirty();
}

void DialogWindow::setCaptionStyle(SDL_bool enabled)
{
    enabledStyle = enabled ? SDL_TRUE : SDL_FALSE;
    if (isVisible())
        makeDirty();
}
