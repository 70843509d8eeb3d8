/// @file
/// GuiWidget: the base of the widget kinds that draw themselves with the loaded skin and answer the mouse and
/// the keyboard (dialog windows, buttons, labels, text fields, check boxes, sliders, text lists). A GuiWidget is
/// a Widget: it lives in the same tree, by the same counted references. Its extents are relative to its
/// parent's top-left corner (a top-level widget's to the screen's), so moving a dialog moves what it holds. The
/// GUI layer (GuiLayer.h) draws the dirty ones each frame and routes events to them.
/// Depends on: Widget, SDL's keyboard types, GuiLayer, GuiLayerAccess.
#ifndef ZARVELLO_GUIWIDGET_H
#define ZARVELLO_GUIWIDGET_H

#include <SDL_keyboard.h>
#include <SDL_types.h>
#include <SDL_video.h>

#include "Widget.h"

class GuiWidget;

/// What a widget calls when it acts (a click, a submitted text, a changed value): the widget and the data given
/// with the callback. The callback may hide, move, add or destroy widgets, its own among them.
typedef void (*GuiCallback)(GuiWidget *widget, void *data);

/// A widget that draws itself and takes input. Geometry changes, captions, show and hide redraw it; what it
/// covered before is restored by the GUI layer.
class GuiWidget : public Widget {
public:
    /// Made as a Widget (registered with parent, or top-level), visible and dirty.
    GuiWidget(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent);
    /// Tells the GUI layer the widget is gone (no focus, hover or press remains on it).
    ~GuiWidget() override;

    /// Sets the caption and redraws the widget.
    void setCaption(const char *newCaption) override;
    /// The geometry setters redraw the widget at its new place and restore what it covered at the old one.
    void setExtents(SDL_Rect *newExtents) override;
    /// As setExtents(SDL_Rect *).
    void setExtents(short x, short y, unsigned short w, unsigned short h) override;
    /// As setExtents(SDL_Rect *).
    void setLocation(short x, short y) override;
    /// As setExtents(SDL_Rect *).
    void setDimensions(unsigned short w, unsigned short h) override;
    using Widget::getExtents;
    /// Shows the widget and redraws it with its visible children.
    void show() override;
    /// Hides the widget; what it and its children covered is restored.
    void hide() override;

    /// Draws the widget onto the screen; area is its whole rectangle on the screen, and the screen's clip
    /// rectangle is already set to the part that may be drawn. Kinds override it.
    virtual void draw(const SDL_Rect &area) = 0;
    /// Whether draw covers every pixel of the widget's rectangle; a widget that does not is redrawn over what
    /// lies beneath it. SDL_FALSE unless a kind says otherwise.
    virtual SDL_bool isOpaque();
    /// Whether the widget takes keyboard focus (when enabled and visible). SDL_FALSE unless a kind says
    /// otherwise.
    virtual SDL_bool isFocusable();
    /// The left button went down at (x, y), relative to the widget's top-left corner.
    virtual void mousePressed(short x, short y);
    /// The left button that went down on this widget came up at (x, y); inside says whether over this widget.
    virtual void mouseReleased(short x, short y, SDL_bool inside);
    /// The pointer moved over the widget, or anywhere while the button pressed on it is held.
    virtual void mouseMoved(short x, short y);
    /// The wheel turned over the widget: -1 up, 1 down.
    virtual void mouseWheel(int direction);
    /// A key went down while the widget has focus; SDL_TRUE when the widget used it.
    virtual SDL_bool keyPressed(const SDL_keysym &key);

    /// An unavailable widget is drawn so, takes no focus and ignores input. Widgets start enabled.
    void setEnabled(SDL_bool enabled);
    /// Whether the widget is available.
    SDL_bool isEnabled() const { return available; }
    /// The callback run when the widget acts (null: none).
    void setAction(GuiCallback callback, void *data);
    /// Hides the widget now and takes it out of its parent (or the manager) at the end of the event or frame
    /// being handled, which destroys it unless the game holds a reference. Safe inside its own callback.
    void destroy();
    /// Whether the pointer is over the widget.
    SDL_bool isHovered();
    /// Whether the left button went down on the widget and is still held.
    SDL_bool isPressed();
    /// Whether the widget has keyboard focus.
    SDL_bool hasFocus();
    /// The widget's rectangle on the screen (its extents plus every ancestor's position).
    void screenExtents(SDL_Rect *out);

protected:
    /// Runs the action callback, if there is one.
    void runAction();

private:
    friend class GuiLayerAccess;
    /// Restores what the widget and its subtree covered on the screen and forgets where they were drawn.
    void exposeSubtree();
    SDL_Rect drawnArea;
    SDL_bool available;
    GuiCallback action;
    void *actionData;
};

#endif
