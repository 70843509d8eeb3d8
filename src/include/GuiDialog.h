/// @file
/// DialogWindow: a skinned dialog window, drawn exactly as the engine's dialog boxes (Dialog.h): a caption bar in
/// the enabled or disabled style with the caption text and a close button at its right end, above the body. Its
/// children lie in it (their extents are relative to the dialog's top-left corner, the caption bar included).
/// The close button works; a modal dialog keeps the mouse and the keyboard from everything below it; a draggable
/// dialog follows the mouse by its caption bar.
/// Depends on: GuiWidget, Dialog and DialogDrawing (the drawing rules), SkinLoader (`skin`),
/// Font, GraphicSurface, GuiLayerAccess, Gui, ImageList.
#ifndef ZARVELLO_GUIDIALOG_H
#define ZARVELLO_GUIDIALOG_H

#include "GuiWidget.h"

/// A dialog window with a caption bar, a close button and a body that holds other widgets.
class DialogWindow : public GuiWidget {
public:
    /// A visible, enabled, closable, neither modal nor draggable dialog; caption is its caption text. A null
    /// parent makes it top-level (the usual case).
    DialogWindow(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent = nullptr);

    /// Draws the caption bar and the body from the skin.
    void draw(const SDL_Rect &area) override;
    /// A dialog covers its rectangle when the skin has both fills.
    SDL_bool isOpaque() override;
    /// On the close button: arms it; on the rest of the caption bar of a draggable dialog: starts the drag.
    void mousePressed(short x, short y) override;
    /// Released on the armed close button: closes the dialog.
    void mouseReleased(short x, short y, SDL_bool inside) override;
    /// Redraws the close button as the pointer enters or leaves it.
    void mouseMoved(short x, short y) override;

    /// Hides the dialog, then runs its action (set with setAction), which may destroy it. The close button and
    /// Escape (for the topmost modal dialog) call it.
    void close();
    /// A modal dialog, while shown, is the only target of the mouse and of keyboard focus.
    void setModal(SDL_bool modal);
    /// Whether the dialog is modal.
    SDL_bool isModal() const { return modalDialog; }
    /// Whether the caption bar moves the dialog.
    void setDraggable(SDL_bool draggable);
    /// Whether the close button is available (drawn unavailable and dead otherwise).
    void setClosable(SDL_bool closable);
    /// The caption bar's style: enabled (the default) or disabled; the skin has both.
    void setCaptionStyle(SDL_bool enabled);
    /// The caption bar's height: the skin's caption background's height (0 without a skin).
    Uint16 captionHeight();

private:
    /// The close button's rectangle relative to the dialog.
    SDL_Rect closeButton();
    SDL_bool modalDialog;
    SDL_bool draggableDialog;
    SDL_bool closableDialog;
    SDL_bool enabledStyle;
    SDL_bool closeArmed;
    SDL_bool overClose;
};

#endif
