// WidgetManager: the process-wide registry of top-level widgets, frame watchers and dirty widgets.
// The manager is taken out of globalManagerObject before its lists are deleted: the widgets destroyed by that
// deletion then see that their manager is gone and leave its half-deleted lists alone.
#include "WidgetManager.h"

#include "Console.h"
#include "Utility.h"
#include "Widget.h"
#include "WidgetList.h"

namespace {

WidgetManager *globalManagerObject = nullptr;
Uint32 managersCreated = 0;

}  // namespace

WidgetManager::WidgetManager()
    : controlledWidgets(new WidgetList(10)), newFrameWidgets(new WidgetList(10)), dirtyWidgets(new WidgetList(50)),
      serial(++managersCreated)
{
}

WidgetManager::~WidgetManager()
{
    delete controlledWidgets;
    controlledWidgets = nullptr;
    delete newFrameWidgets;
    newFrameWidgets = nullptr;
    delete dirtyWidgets;
    dirtyWidgets = nullptr;
}

WidgetManager *WidgetManager::globalManager()
{
    if (!globalManagerObject)
        globalManagerObject = new WidgetManager();
    return globalManagerObject;
}

void WidgetManager::destroyWidgetManager()
{
    WidgetManager *manager = globalManagerObject;
    globalManagerObject = nullptr;
    delete manager;
}

SDL_bool WidgetManager::isCurrent(Uint32 serial)
{
    return (globalManagerObject && globalManagerObject->serial == serial) ? SDL_TRUE : SDL_FALSE;
}

void WidgetManager::addWidget(Widget *widget)
{
    if (!widget)
        return;
    controlledWidgets->addWidget(widget, SDL_TRUE);
    Console::addString("Widget manager is adding: '%s'", widget->getCaption());
}

void WidgetManager::removeWidget(Widget *widget)
{
    if (!widget)
        return;
    char caption[513];
    zarvello::snprintf(512, caption, "%s", widget->getCaption());
    controlledWidgets->removeWidget(widget);
    Console::addString("Widget manager is removing: '%s'", caption);
}

void WidgetManager::sortWidgets()
{
    controlledWidgets->sortList();
}

SDL_bool WidgetManager::widgetOverlapsList(Widget *widget)
{
    return controlledWidgets->widgetOverlapsList(widget);
}

Uint32 WidgetManager::largestZOrder()
{
    return controlledWidgets->largestZOrder();
}

Widget *WidgetManager::widgetAtPoint(short, short)
{
    return nullptr;
}

Widget *WidgetManager::focusWidget()
{
    return nullptr;
}

void WidgetManager::addFrameWatcher(Widget *widget)
{
    newFrameWidgets->addWidget(widget, SDL_FALSE);
}

void WidgetManager::removeFrameWatcher(Widget *widget)
{
    newFrameWidgets->removeWidget(widget);
}

void WidgetManager::addDirtyWidget(Widget *widget)
{
    dirtyWidgets->addWidget(widget, SDL_FALSE);
}

void WidgetManager::removeDirtyWidget(Widget *widget)
{
    dirtyWidgets->removeWidget(widget);
}

void WidgetManager::renderWidgets()
{
}

Uint32 WidgetManager::widgetCount()
{
    return controlledWidgets->count();
}

Widget *WidgetManager::widgetAtIndex(Uint32 index)
{
    return controlledWidgets->widgetAtIndex(index);
}

Uint32 WidgetManager::dirtyWidgetCount()
{
    return dirtyWidgets->count();
}

Widget *WidgetManager::dirtyWidgetAtIndex(Uint32 index)
{
    return dirtyWidgets->widgetAtIndex(index);
}
