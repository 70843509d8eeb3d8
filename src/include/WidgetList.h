/// @file
/// A game uses it to hold and order a set of widgets.
/// WidgetList: the growable array of widget pointers behind every GUI container (a widget's children, the
/// manager's top-level, frame-watcher and dirty lists). The list holds one counted reference to each widget in
/// it, sorts by ascending z-order and answers the two questions of the stacking policy.
/// Depends on: Widget (z-order and extents), ManagedResource, Memory, PointerArray, Utility (rectsOverlap).
#ifndef ZARVELLO_WIDGETLIST_H
#define ZARVELLO_WIDGETLIST_H

#include <SDL_types.h>

class Widget;

/// A growable, z-ordered list of widgets that holds one reference to each.
class WidgetList {
public:
    /// An empty list with room for defaultMaxSize widgets; it grows by 10 when full.
    explicit WidgetList(Uint32 defaultMaxSize);
    /// Releases every widget in the list (destroying those it held the last reference to).
    ~WidgetList();

    WidgetList(const WidgetList &) = delete;
    WidgetList &operator=(const WidgetList &) = delete;

    /// Appends and retains widget, then sorts by z-order when sort is SDL_TRUE. A widget already in the list,
    /// or null, is ignored; so is a widget for which the list cannot grow.
    void addWidget(Widget *widget, SDL_bool sort);
    /// Takes widget out and releases it; a widget not in the list (or null) is ignored.
    void removeWidget(Widget *widget);
    /// Releases every entry, from index 0 on; the capacity stays.
    void removeAllWidgets();

    /// The number of widgets in the list.
    Uint32 count();
    /// Null when index is not below count().
    Widget *widgetAtIndex(Uint32 index);
    /// -1 when widget is not in the list.
    Sint32 indexOfWidget(Widget *widget);
    /// Removes the entry at index and returns it. The widget is gone when the list held its last reference:
    /// the result may then only be compared, never used.
    Widget *removeAtIndex(Uint32 index);
    /// Sorts by ascending z-order; equal z-orders keep no particular order.
    void sortList();

    /// Whether widget overlaps any entry other than itself; rectangles that only touch do not overlap.
    SDL_bool widgetOverlapsList(Widget *widget);
    /// The smallest z-order below 255 in the list, 255 when none is below it, 0 for an empty list.
    Uint32 smallestZOrder();
    /// The largest z-order in the list, 0 for an empty list.
    Uint32 largestZOrder();

    /// Number of entries the array holds before it has to grow.
    Uint32 capacity() const { return maxSize; }

private:
    SDL_bool growToSize(Uint32 newMax);

    Widget **list;
    Uint32 maxSize;
    Uint32 currentSize;
};

#endif
