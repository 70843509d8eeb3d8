/// @file
/// A game uses it to register top-level widgets and frame watchers.
/// WidgetManager: the one registry of the GUI. It holds the top-level widgets in ascending z-order, the frame
/// watchers and the widgets that need redrawing. Its own drawing, hit testing and focus give fixed answers; the
/// GUI layer (GuiLayer.h) draws, hit tests and focuses the GUI's widget kinds through the accessors below.
/// Depends on: WidgetList, Widget, Console, Utility.
#ifndef ZARVELLO_WIDGETMANAGER_H
#define ZARVELLO_WIDGETMANAGER_H

#include <SDL_types.h>

class Widget;
class WidgetList;

/// The GUI's registry of top-level widgets, frame watchers and dirty widgets; a singleton.
class WidgetManager {
public:
    /// The manager, created on first use (and again after destroyWidgetManager).
    static WidgetManager *globalManager();
    /// Destroys the manager, if there is one, releasing every widget it holds.
    static void destroyWidgetManager();

    /// Whether the manager with this serial number is the one that exists now. Widgets that outlive their
    /// manager ask this before they reach it.
    static SDL_bool isCurrent(Uint32 serial);
    /// Distinguishes this manager from every earlier and later one.
    Uint32 serialNumber() const { return serial; }

    /// Registers a top-level widget and logs it (also when it was registered already); null is ignored.
    void addWidget(Widget *widget);
    /// Unregisters a top-level widget and logs it (also when it was not registered); null is ignored.
    void removeWidget(Widget *widget);
    /// Sorts the top-level widgets by ascending z-order.
    void sortWidgets();
    /// Whether widget overlaps any top-level widget other than itself.
    SDL_bool widgetOverlapsList(Widget *widget);
    /// The largest z-order of the top-level widgets, 0 when there are none.
    Uint32 largestZOrder();

    /// Hit testing is not implemented: always null.
    Widget *widgetAtPoint(short x, short y);
    /// Focus is not implemented: always null.
    Widget *focusWidget();

    /// Registers a widget to be told about every frame (null, or one registered already, is ignored).
    void addFrameWatcher(Widget *widget);
    /// Unregisters a frame watcher (one not registered, or null, is ignored).
    void removeFrameWatcher(Widget *widget);
    /// The dirty list only; the widget's own dirty flag is the widget's business.
    void addDirtyWidget(Widget *widget);
    /// Takes widget off the dirty list (one not on it, or null, is ignored).
    void removeDirtyWidget(Widget *widget);

    /// Drawing is not implemented: the dirty list stays as it is.
    void renderWidgets();
    /// The number of top-level widgets.
    Uint32 widgetCount();
    /// Top-level widget index in ascending z-order (borrowed), null when index is not below widgetCount().
    Widget *widgetAtIndex(Uint32 index);
    /// The number of widgets on the dirty list.
    Uint32 dirtyWidgetCount();
    /// Entry index of the dirty list (borrowed), null when index is not below dirtyWidgetCount().
    Widget *dirtyWidgetAtIndex(Uint32 index);

private:
    WidgetManager();
    ~WidgetManager();
    WidgetManager(const WidgetManager &) = delete;
    WidgetManager &operator=(const WidgetManager &) = delete;

    WidgetList *controlledWidgets;
    WidgetList *newFrameWidgets;
    WidgetList *dirtyWidgets;
    Uint32 serial;
};

#endif
