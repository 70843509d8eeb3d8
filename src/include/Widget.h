/// @file
/// A game uses it as the base of its GUI elements.
/// Widget: the base of every GUI element, a captioned rectangle in a tree. Top-level widgets are registered
/// with the WidgetManager, children are held by their parent's list; lists hold the counted references, and a
/// widget dies when the last list lets it go. The base class keeps the tree, the stacking order, visibility and
/// dirtiness; it draws nothing.
/// Depends on: ManagedResource, WidgetList, WidgetManager, Console, Utility.
#ifndef ZARVELLO_WIDGET_H
#define ZARVELLO_WIDGET_H

#include <SDL_types.h>
#include <SDL_video.h>

#include "ManagedResource.h"

class WidgetList;
class WidgetManager;

/// The base of every GUI element: a captioned rectangle in a tree with stacking order, visibility and dirtiness.
class Widget : public ManagedResource {
public:
    /// Registers the widget with parent (or, without one, with the manager) and marks it dirty: the container
    /// and the dirty list each hold a reference, the creator none. A null caption is empty, null extents are 0.
    Widget(const char *caption, SDL_Rect *newExtents, Widget *parent);
    /// The same with the extents given as numbers.
    Widget(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent);
    /// Releases the children. Children that the dirty list still holds are cleaned first, and children that
    /// outlive the widget lose their parent pointer.
    virtual ~Widget();

    /// Cut to 512 characters; null sets an empty caption.
    virtual void setCaption(const char *newCaption);
    /// The caption text (owned by the widget).
    virtual char *getCaption();

    /// None of the geometry setters marks the widget dirty or re-sorts anything.
    virtual void setExtents(SDL_Rect *newExtents);
    /// Sets position and size at once.
    virtual void setExtents(short x, short y, unsigned short w, unsigned short h);
    /// Sets the position only.
    virtual void setLocation(short x, short y);
    /// Sets the size only.
    virtual void setDimensions(unsigned short w, unsigned short h);
    /// Copies the extents into *outExtents (null is ignored).
    virtual void getExtents(SDL_Rect *outExtents);
    /// The extents as numbers.
    virtual void getExtents(short &x, short &y, unsigned short &w, unsigned short &h);
    /// The position.
    virtual void getLocation(short &x, short &y);
    /// The size.
    virtual void getDimensions(unsigned short &w, unsigned short &h);

    /// Re-sorts the widget's container; a widget that overlaps its own children makes its parent dirty.
    virtual void setZOrder(Uint32 newZOrder);
    /// The stacking order; higher is drawn later (on top).
    virtual Uint32 getZOrder();

    /// Moves the widget to newParent (null: to the manager's top-level widgets). The z-order is kept.
    virtual void setParent(Widget *newParent);
    /// The parent, or null for a top-level widget.
    virtual Widget *getParent();

    /// Both log a line on every call with a widget, also for repeated adds and absent children; null is ignored.
    virtual void addChild(Widget *child);
    /// Takes child out of this widget's children (see addChild for the log line).
    virtual void removeChild(Widget *child);
    /// Whether child is a direct child.
    virtual SDL_bool isChild(Widget *child);
    /// Whether child is a child of one of the direct children: exactly one level below them.
    virtual SDL_bool hasChild(Widget *child);
    /// The number of direct children.
    virtual Uint32 childCount();
    /// Null when index is not below childCount().
    virtual Widget *childAtIndex(Uint32 index);
    /// Sorts the children by ascending z-order.
    virtual void sortChildren();

    /// Showing does not make the widget dirty; hiding makes it clean.
    virtual void show();
    /// Hides the widget and makes it clean.
    virtual void hide();
    /// Whether the widget is shown.
    virtual SDL_bool isVisible();

    /// Marks the widget and, down the tree, its visible children that are not dirty yet.
    virtual void makeDirty();
    /// Clears the widget's own dirtiness only. This can release the widget's last reference.
    virtual void makeClean();
    /// Whether the widget needs redrawing.
    virtual SDL_bool isDirty();

private:
    /// Whether this widget is widget itself or one of its ancestors.
    SDL_bool isAncestorOf(Widget *widget);
    void setup(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *newParent);
    /// The manager while it still exists, null once it has been destroyed.
    WidgetManager *liveManager();

    char captionText[513];
    SDL_Rect extents;
    Uint32 zOrder;
    Widget *parent;
    WidgetList *children;
    SDL_bool visible;
    SDL_bool dirty;
    WidgetManager *manager;
    Uint32 managerSerial;
};

#endif
