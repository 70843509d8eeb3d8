// DialogWindow: the caption bar and body follow the rules of makeDialog (Dialog.cpp) piece for piece, so a
// dialog window looks exactly like the engine's dialog boxes; only the close button's cell follows its state:
// cell 1 at rest (as makeDialog draws it), cell 2 while pressed, cell 3 when the dialog cannot be closed.
#include "GuiDialog.h"

#include "Dialog.h"
#include "DialogDrawing.h"
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
    ImageList *captionButton = skin->getCaptionButton(enabledStyle);
    Uint32 cell = !closableDialog ? closeUnavailable : (closeArmed && overClose) ? closePressed : closeResting;
    if (!captionButton || cell >= captionButton->count())
        cell = closeResting;
    SDL_Rect box = area;
    drawDialogBox(enabledStyle, &box, skin, getCaption(), cell);
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
