// GuiLayerAccess: what the widget kinds and the GUI layer tell each other and no game needs: the areas to
// restore, the widgets that are gone, the drag of a dialog, and the layer's shared drawing resources (the text
// fonts made from the skin's caption font, the button sheet: the demonstration's button image without its label).
// Depends on: GuiWidget, Font, ImageList.
#ifndef ZARVELLO_GUILAYERACCESS_H
#define ZARVELLO_GUILAYERACCESS_H

#include <SDL_types.h>
#include <SDL_video.h>

#include "GuiWidget.h"

class EngineFont;
class ImageList;

class GuiLayerAccess {
public:
    static void widgetMade(GuiWidget *widget);
    static void widgetGone(GuiWidget *widget);
    static void expose(const SDL_Rect &area);
    static void exposeSubtree(GuiWidget *widget) { widget->exposeSubtree(); }
    static SDL_Rect &drawnArea(GuiWidget *widget) { return widget->drawnArea; }
    static void destroyLater(GuiWidget *widget);
    static void beginDrag(GuiWidget *dialog, short grabX, short grabY);
    static SDL_bool isHovered(GuiWidget *widget);
    static SDL_bool isPressed(GuiWidget *widget);
    static SDL_bool hasFocus(GuiWidget *widget);
};

enum GuiFontKind { GUIFONT_TEXT, GUIFONT_UNAVAILABLE, GUIFONT_LIGHT };

/// A font of the layer (borrowed from the font cache), null without a skin font.
EngineFont *guiFont(GuiFontKind kind);

/// The button sheet "/gfx/buttons/rectangle/blank.tga" (or, without it, the demonstration's "medium.tga"):
/// four cells top to bottom (normal, highlighted, pressed, unavailable); null when neither can be loaded.
ImageList *guiButtonSheet();

/// Fills rect on the screen with the colour.
void guiFill(const SDL_Rect &rect, Uint8 r, Uint8 g, Uint8 b);

/// Draws a one-pixel frame just inside rect.
void guiFrame(const SDL_Rect &rect, Uint8 r, Uint8 g, Uint8 b);

#endif
