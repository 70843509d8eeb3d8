// GuiWidget: the base of the drawn widget kinds. Every change that alters what the screen should show marks the
// widget dirty, and every change that leaves pixels behind (hiding, moving, resizing) hands the area the widget
// last covered to the layer, which restores it before it draws the frame. hide() ends in Widget::hide, because
// its makeClean can release the last reference and destroy the widget.
#include "GuiWidget.h"

#include "GuiLayer.h"
#include "GuiLayerAccess.h"

GuiWidget::GuiWidget(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent)
    : Widget(caption, x, y, w, h, parent), drawnArea{0, 0, 0, 0}, available(SDL_TRUE), action(nullptr),
      actionData(nullptr)
{
    GuiLayerAccess::widgetMade(this);
}

GuiWidget::~GuiWidget()
{
    if (drawnArea.w && drawnArea.h)
        GuiLayerAccess::expose(drawnArea);
    GuiLayerAccess::widgetGone(this);
}

void GuiWidget::setCaption(const char *newCaption)
{
    Widget::setCaption(newCaption);
    if (isVisible())
        makeDirty();
}

void GuiWidget::setExtents(SDL_Rect *newExtents)
{
    exposeSubtree();
    Widget::setExtents(newExtents);
    if (isVisible())
        makeDirty();
}

void GuiWidget::setExtents(short x, short y, unsigned short w, unsigned short h)
{
    SDL_Rect extents = {x, y, w, h};
    setExtents(&extents);
}

void GuiWidget::setLocation(short x, short y)
{
    SDL_Rect extents;
    getExtents(&extents);
    extents.x = x;
    extents.y = y;
    setExtents(&extents);
}

void GuiWidget::setDimensions(unsigned short w, unsigned short h)
{
    SDL_Rect extents;
    getExtents(&extents);
    extents.w = w;
    extents.h = h;
    setExtents(&extents);
}

void GuiWidget::show()
{
    SDL_bool wasVisible = isVisible();
    Widget::show();
    if (!wasVisible)
        makeDirty();
}

void GuiWidget::hide()
{
    exposeSubtree();
    for (Widget *w = guiFocus(); w; w = w->getParent())
        if (w == this) {
            setGuiFocus(nullptr);
            break;
        }
    Widget::hide();
}

void GuiWidget::exposeSubtree()
{
    if (drawnArea.w && drawnArea.h)
        GuiLayerAccess::expose(drawnArea);
    drawnArea = SDL_Rect{0, 0, 0, 0};
    for (Uint32 i = 0; i < childCount(); ++i) {
        GuiWidget *child = dynamic_cast<GuiWidget *>(childAtIndex(i));
        if (child)
            child->exposeSubtree();
    }
}

SDL_bool GuiWidget::isOpaque()
{
    return SDL_FALSE;
}

SDL_bool GuiWidget::isFocusable()
{
    return SDL_FALSE;
}

void GuiWidget::mousePressed(short, short)
{
}

void GuiWidget::mouseReleased(short, short, SDL_bool)
{
}

void GuiWidget::mouseMoved(short, short)
{
}

void GuiWidget::mouseWheel(int)
{
}

SDL_bool GuiWidget::keyPressed(const SDL_keysym &)
{
    return SDL_FALSE;
}

void GuiWidget::setEnabled(SDL_bool enabled)
{
    SDL_bool value = enabled ? SDL_TRUE : SDL_FALSE;
    if (value == available)
        return;
    available = value;
    if (!available && hasFocus())
        setGuiFocus(nullptr);
    if (isVisible())
        makeDirty();
}

void GuiWidget::setAction(GuiCallback callback, void *data)
{
    action = callback;
    actionData = data;
}

void GuiWidget::destroy()
{
    GuiLayerAccess::destroyLater(this);
}

SDL_bool GuiWidget::isHovered()
{
    return GuiLayerAccess::isHovered(this);
}

SDL_bool GuiWidget::isPressed()
{
    return GuiLayerAccess::isPressed(this);
}

SDL_bool GuiWidget::hasFocus()
{
    return GuiLayerAccess::hasFocus(this);
}

void GuiWidget::screenExtents(SDL_Rect *out)
{
    if (!out)
        return;
    getExtents(out);
    Sint32 x = out->x, y = out->y;
    for (Widget *up = getParent(); up; up = up->getParent()) {
        short px, py;
        up->getLocation(px, py);
        x += px;
        y += py;
    }
    out->x = Sint16(x < -32768 ? -32768 : x > 32767 ? 32767 : x);
    out->y = Sint16(y < -32768 ? -32768 : y > 32767 ? 32767 : y);
}

void GuiWidget::runAction()
{
    if (action)
        action(this, actionData);
}
