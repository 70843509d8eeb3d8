// Widget: the tree, the stacking policy, visibility and dirtiness of the GUI's base element.
// A widget keeps the serial number of the manager it was made with and reaches that manager only while it
// still exists: a widget kept alive past destroyWidgetManager() leaves the manager alone (and never adopts a
// later one), so its operations touch only the widget itself.
#include "Widget.h"

#include "Console.h"
#include "Utility.h"
#include "WidgetList.h"
#include "WidgetManager.h"

namespace {

const Uint32 largestPossibleZOrder = 0xFFFFFFFFu;

}  // namespace

Widget::Widget(const char *caption, SDL_Rect *newExtents, Widget *parent)
    : captionText(), extents(), zOrder(0), parent(nullptr), children(nullptr), visible(SDL_FALSE), dirty(SDL_FALSE),
      manager(nullptr), managerSerial(0)
{
    if (newExtents)
        setup(caption, newExtents->x, newExtents->y, newExtents->w, newExtents->h, parent);
    else
        setup(caption, 0, 0, 0, 0, parent);
}

Widget::Widget(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent)
    : captionText(), extents(), zOrder(0), parent(nullptr), children(nullptr), visible(SDL_FALSE), dirty(SDL_FALSE),
      manager(nullptr), managerSerial(0)
{
    setup(caption, x, y, w, h, parent);
}

void Widget::setup(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *newParent)
{
    manager = WidgetManager::globalManager();
    managerSerial = manager->serialNumber();
    children = new WidgetList(10);
    setCaption(caption);
    setExtents(x, y, w, h);

    // The overlap test runs before the widget is in the list; the largest z-order is that of the whole list.
    SDL_bool overlaps;
    Uint32 largest;
    if (newParent) {
        overlaps = newParent->children->widgetOverlapsList(this);
        largest = newParent->children->largestZOrder();
    } else {
        overlaps = manager->widgetOverlapsList(this);
        largest = manager->largestZOrder();
    }
    // At the top of the range the new widget shares the top z-order instead of wrapping round to the bottom.
    if (overlaps == SDL_TRUE)
        zOrder = (largest == largestPossibleZOrder) ? largest : largest + 1;
    else
        zOrder = 0;

    parent = newParent;
    if (newParent)
        newParent->addChild(this);
    else
        manager->addWidget(this);
    show();
    makeDirty();
}

Widget::~Widget()
{
    // A child that the dirty list still holds would outlive this widget there with a dangling parent pointer:
    // clean it out first, so that it dies with this widget unless something else holds it. A child that does
    // survive becomes parentless.
    for (Uint32 i = 0; i < children->count(); ++i) {
        Widget *child = children->widgetAtIndex(i);
        child->parent = nullptr;
        if (WidgetManager *childManager = child->liveManager()) {
            child->dirty = SDL_FALSE;
            childManager->removeDirtyWidget(child);
        }
    }
    delete children;
}

WidgetManager *Widget::liveManager()
{
    return WidgetManager::isCurrent(managerSerial) == SDL_TRUE ? manager : nullptr;
}

void Widget::setCaption(const char *newCaption)
{
    zarvello::snprintf(512, captionText, "%s", newCaption ? newCaption : "");
}

char *Widget::getCaption()
{
    return captionText;
}

void Widget::setExtents(SDL_Rect *newExtents)
{
    if (newExtents)
        extents = *newExtents;
}

void Widget::setExtents(short x, short y, unsigned short w, unsigned short h)
{
    extents.x = x;
    extents.y = y;
    extents.w = w;
    extents.h = h;
}

void Widget::setLocation(short x, short y)
{
    extents.x = x;
    extents.y = y;
}

void Widget::setDimensions(unsigned short w, unsigned short h)
{
    extents.w = w;
    extents.h = h;
}

void Widget::getExtents(SDL_Rect *outExtents)
{
    if (outExtents)
        *outExtents = extents;
}

void Widget::getExtents(short &x, short &y, unsigned short &w, unsigned short &h)
{
    x = extents.x;
    y = extents.y;
    w = extents.w;
    h = extents.h;
}

void Widget::getLocation(short &x, short &y)
{
    x = extents.x;
    y = extents.y;
}

void Widget::getDimensions(unsigned short &w, unsigned short &h)
{
    w = extents.w;
    h = extents.h;
}

void Widget::setZOrder(Uint32 newZOrder)
{
    zOrder = newZOrder;
    if (!parent) {
        if (WidgetManager *current = liveManager())
            current->sortWidgets();
        return;
    }
    parent->sortChildren();
    if (children->widgetOverlapsList(this) == SDL_TRUE)
        parent->makeDirty();
}

Uint32 Widget::getZOrder()
{
    return zOrder;
}

SDL_bool Widget::isAncestorOf(Widget *widget)
{
    for (Widget *step = widget; step; step = step->parent)
        if (step == this)
            return SDL_TRUE;
    return SDL_FALSE;
}

void Widget::setParent(Widget *newParent)
{
    // Moving a widget below itself or one of its own descendants would make it hold itself: a cycle of
    // references that nothing could ever release. Such a move does nothing.
    if (newParent == parent || (newParent && isAncestorOf(newParent)))
        return;
    WidgetManager *current = liveManager();
    if (!newParent && !current)
        return;

    // Added before it is removed, so the widget's count stays above zero during the move. The parent pointer
    // is set before the removal, which may still release the last reference when the new container did not
    // take one.
    Widget *oldParent = parent;
    if (newParent)
        newParent->addChild(this);
    else
        current->addWidget(this);
    parent = newParent;
    if (oldParent)
        oldParent->removeChild(this);
    else if (current)
        current->removeWidget(this);
}

Widget *Widget::getParent()
{
    return parent;
}

void Widget::addChild(Widget *child)
{
    // A widget never holds itself or one of its ancestors (a cycle of references that would never be freed).
    if (!child || child->isAncestorOf(this))
        return;
    children->addWidget(child, SDL_TRUE);
    Console::addString("Widget '%s' is adding: '%s'", getCaption(), child->getCaption());
    if (children->widgetOverlapsList(child) == SDL_TRUE)
        makeDirty();
}

void Widget::removeChild(Widget *child)
{
    if (!child)
        return;
    SDL_bool overlapped = children->widgetOverlapsList(child);
    char childCaption[513];
    zarvello::snprintf(512, childCaption, "%s", child->getCaption());
    children->removeWidget(child);
    Console::addString("Widget '%s' is removing: '%s'", getCaption(), childCaption);
    if (overlapped == SDL_TRUE)
        makeDirty();
}

SDL_bool Widget::isChild(Widget *child)
{
    return children->indexOfWidget(child) != -1 ? SDL_TRUE : SDL_FALSE;
}

SDL_bool Widget::hasChild(Widget *child)
{
    for (Uint32 i = 0; i < childCount(); ++i) {
        Widget *directChild = childAtIndex(i);
        if (directChild && directChild->isChild(child) == SDL_TRUE)
            return SDL_TRUE;
    }
    return SDL_FALSE;
}

Uint32 Widget::childCount()
{
    return children->count();
}

Widget *Widget::childAtIndex(Uint32 index)
{
    return children->widgetAtIndex(index);
}

void Widget::sortChildren()
{
    children->sortList();
}

void Widget::show()
{
    visible = SDL_TRUE;
}

void Widget::hide()
{
    visible = SDL_FALSE;
    makeClean();
}

SDL_bool Widget::isVisible()
{
    return visible;
}

void Widget::makeDirty()
{
    // Without its manager the widget could not be in a dirty list, and its flag follows that membership.
    WidgetManager *current = liveManager();
    if (!current)
        return;
    dirty = SDL_TRUE;
    current->addDirtyWidget(this);
    for (Uint32 i = 0; i < childCount(); ++i) {
        Widget *child = childAtIndex(i);
        if (child && child->isVisible() == SDL_TRUE && child->isDirty() == SDL_FALSE)
            child->makeDirty();
    }
}

void Widget::makeClean()
{
    dirty = SDL_FALSE;
    if (WidgetManager *current = liveManager())
        current->removeDirtyWidget(this);
}

SDL_bool Widget::isDirty()
{
    return dirty;
}
