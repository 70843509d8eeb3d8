/// @file
/// GuiLayer: what the main loop drives to make the GUI's widget kinds (GuiWidget.h) work. It does nothing until
/// a game makes its first GuiWidget. Then, every frame, it draws the visible dirty widgets in stacking order and
/// queues exactly the rectangles it drew on the render queue; a frame with nothing dirty costs one comparison.
/// It routes the mouse to the topmost visible widget under the pointer and the keyboard to the focused widget:
/// Tab and Shift+Tab move the focus, Return and Space press the focused button, Escape closes the topmost modal
/// dialog (while one is shown, Escape does that instead of quitting). Events it does not use go on to the engine
/// and the game's event hook; the window close always does.
///
/// What a hidden, moved or destroyed widget covered is restored: by the game's background callback when it gave
/// one (setGuiBackground), otherwise from a copy of the screen the layer takes before it first draws, which holds
/// whatever the game drew in its set-up.
/// Depends on: GuiWidget, Widget, WidgetManager, RenderQueue, Video (`screen`), SDL's events,
/// Font, FontManager, GraphicSurface, Gui, GuiDialog, GuiLayerAccess, ImageList, ImageLoader, SkinLoader.
#ifndef ZARVELLO_GUILAYER_H
#define ZARVELLO_GUILAYER_H

#include <SDL_types.h>
#include <SDL_video.h>

union SDL_Event;
class GuiWidget;

/// Draws the visible dirty widgets (and those over an area to restore), queues what it drew, and leaves every
/// widget clean. The main loop calls it once a frame, after the game's frame hook.
void drawGui();

/// Gives one event to the GUI; SDL_TRUE when the GUI used it (the event then goes no further). The window close
/// and the quit key quitKey are never used, except Escape while a modal dialog is shown. A null event is ignored.
SDL_bool handleGuiEvent(SDL_Event *event, Uint32 quitKey);

/// The game's painter of the background: called with a screen area (the screen clipped to it) to paint what
/// lies under the widgets there. Null goes back to the copy of the screen taken before the first drawing.
void setGuiBackground(void (*repaint)(SDL_Rect *area));

/// Tells the layer that the game drew over area: the widgets there are drawn again at the end of the frame.
void refreshGui(SDL_Rect *area);

/// The widget with keyboard focus, null when none has it.
GuiWidget *guiFocus();

/// Gives widget keyboard focus (null takes focus away); a widget that cannot take focus is refused (SDL_FALSE).
SDL_bool setGuiFocus(GuiWidget *widget);

/// Releases what the layer holds (widgets waiting to be taken out, the background copy, the button sheet) and
/// forgets the fonts; shutdownGUI calls it first.
void shutdownGuiLayer();

#endif
