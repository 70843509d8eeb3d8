// WidgetList: a growable array of retained widget pointers, kept in ascending z-order on request.
// Releasing a widget can destroy it, and a widget's destructor may itself take widgets out of a list (its
// children out of the dirty list), so every removal takes the entry out of the array before it releases.
#include "WidgetList.h"

#include <cstdlib>
#include <cstring>

#include <SDL_video.h>

#include "Memory.h"
#include "PointerArray.h"
#include "Utility.h"
#include "Widget.h"

namespace {

const Uint32 growStep = 10;

// Ascending z-order. The values are compared rather than subtracted: the difference of two unsigned 32-bit
// z-orders does not fit a signed int, and its sign would put a z-order of 0 above one of 0x80000001.
int widgetCompareFunc(const void *a, const void *b)
{
    Uint32 first = (*static_cast<Widget *const *>(a))->getZOrder();
    Uint32 second = (*static_cast<Widget *const *>(b))->getZOrder();
    return (first > second) - (first < second);
}

}  // namespace

WidgetList::WidgetList(Uint32 defaultMaxSize) : list(allocatePointers<Widget>(defaultMaxSize)), maxSize(0), currentSize(0)
{
    if (list)
        maxSize = defaultMaxSize;
}

WidgetList::~WidgetList()
{
    removeAllWidgets();
    if (list)
        mem_dealloc(list);
}

SDL_bool WidgetList::growToSize(Uint32 newMax)
{
    if (newMax < currentSize || !growPointers(list, currentSize, newMax))
        return SDL_FALSE;
    maxSize = newMax;
    return SDL_TRUE;
}

void WidgetList::addWidget(Widget *widget, SDL_bool sort)
{
    if (!widget || indexOfWidget(widget) != -1)
        return;
    if (currentSize == maxSize) {
        if (currentSize > 0xFFFFFFFFu - growStep || growToSize(currentSize + growStep) == SDL_FALSE)
            return;
    }
    widget->retain();
    list[currentSize++] = widget;
    if (sort == SDL_TRUE)
        sortList();
}

void WidgetList::removeWidget(Widget *widget)
{
    Sint32 index = indexOfWidget(widget);
    if (index == -1)
        return;
    Uint32 i = static_cast<Uint32>(index);
    std::memmove(list + i, list + i + 1, (currentSize - i - 1) * sizeof(Widget *));
    --currentSize;
    widget->release();
}

void WidgetList::removeAllWidgets()
{
    // Entry 0 leaves the array before it is released, so a destructor that edits this list finds it whole.
    while (currentSize > 0) {
        Widget *widget = list[0];
        std::memmove(list, list + 1, (currentSize - 1) * sizeof(Widget *));
        --currentSize;
        widget->release();
    }
}

Uint32 WidgetList::count()
{
    return currentSize;
}

Widget *WidgetList::widgetAtIndex(Uint32 index)
{
    if (index < currentSize)
        return list[index];
    return nullptr;
}

Sint32 WidgetList::indexOfWidget(Widget *widget)
{
    if (!widget)
        return -1;
    for (Uint32 i = 0; i < currentSize; ++i) {
        if (list[i] == widget)
            return static_cast<Sint32>(i);
    }
    return -1;
}

Widget *WidgetList::removeAtIndex(Uint32 index)
{
    Widget *widget = widgetAtIndex(index);
    if (widget)
        removeWidget(widget);
    return widget;
}

void WidgetList::sortList()
{
    if (currentSize > 1)
        std::qsort(list, currentSize, sizeof(Widget *), widgetCompareFunc);
}

SDL_bool WidgetList::widgetOverlapsList(Widget *widget)
{
    if (!widget)
        return SDL_FALSE;
    SDL_Rect widgetExtents;
    SDL_Rect entryExtents;
    for (Uint32 i = 0; i < currentSize; ++i) {
        if (list[i] == widget)
            continue;
        widget->getExtents(&widgetExtents);
        list[i]->getExtents(&entryExtents);
        if (rectsOverlap(&widgetExtents, &entryExtents) == SDL_TRUE)
            return SDL_TRUE;
    }
    return SDL_FALSE;
}

Uint32 WidgetList::smallestZOrder()
{
    if (currentSize == 0)
        return 0;
    Uint32 smallest = 255;
    for (Uint32 i = 0; i < currentSize; ++i) {
        Uint32 zOrder = list[i]->getZOrder();
        if (zOrder < smallest)
            smallest = zOrder;
    }
    return smallest;
}

Uint32 WidgetList::largestZOrder()
{
    Uint32 largest = 0;
    for (Uint32 i = 0; i < currentSize; ++i) {
        Uint32 zOrder = list[i]->getZOrder();
        if (zOrder > largest)
            largest = zOrder;
    }
    return largest;
}
