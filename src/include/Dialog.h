/// @file
/// A game uses it to draw skinned dialog boxes and buttons.
/// Dialog: skinned dialog boxes and buttons drawn straight onto `screen` from a skin's parts. A dialog is a
/// caption bar (as tall as the caption background) with a button at its right end and a shadowed caption text,
/// above a body; both are bevel boxes: a fill tiled over the rectangle and framed with a 3 x 3 bevel sheet (cells
/// row by row: corners 0, 2, 6, 8, edges 1, 3, 5, 7, cell 4 unused). The make and bevel calls queue nothing, like
/// every drawing call of the engine; the show calls also queue the area they drew on the render queue, for
/// drawing during the main loop.
/// Depends on: SkinLoader, ImageList, ImageLoader, GraphicSurface, Font, RenderQueue, Video (`screen`),
/// DialogDrawing.
#ifndef ZARVELLO_DIALOG_H
#define ZARVELLO_DIALOG_H

#include <SDL_types.h>
#include <SDL_video.h>

class EngineSkin;
class GraphicSurface;
class ImageList;

/// Fills box with fill, then frames it with the bevel sheet: edges tiled, corners on top, all placed by the size
/// of cell 0. A null fill or sheet is left out; a missing cell is skipped with the sheet's bad-index line.
void bevelBox(SDL_Rect *box, GraphicSurface *fill, ImageList *bevels);

/// Draws the dialog dlg from skin's enabled or disabled parts, with capText in its caption bar. A null dlg or
/// skin draws nothing, a null capText no text; parts the skin lacks are left out.
void makeDialog(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *capText);

/// Draws as makeDialog, then queues the screen area it drew (a caption reaching past dlg included) on the render
/// queue, so the dialog reaches the display at the end of the frame. Nothing is queued when nothing was drawn.
void showDialog(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *capText);

/// Loads the image imageName as a button sheet of four cells stacked top to bottom, magenta transparent. Returns
/// the sheet holding one reference, which the caller releases; null when the image cannot be loaded (logged).
ImageList *loadButtonImages(const char *imageName);

/// Draws cell of the button sheet at (x, y) and queues the cell's screen area on the render queue; a null
/// sheet draws nothing, a missing cell is skipped with the sheet's bad-index line.
void showButton(ImageList *buttons, Uint32 cell, Sint16 x, Sint16 y);

#endif
