// DialogDrawing: the one drawing of a skinned dialog box, shared by the demonstration's calls (Dialog.h) and the
// GUI's dialog window, which shows its close button's state in the caption button.
// Depends on: Dialog.
#ifndef ZARVELLO_DIALOGDRAWING_H
#define ZARVELLO_DIALOGDRAWING_H

#include <SDL_types.h>

class EngineSkin;
struct SDL_Rect;

// Draws a dialog box as makeDialog does, with the caption button in cell buttonCell of the skin's button sheet.
void drawDialogBox(SDL_bool enabled, SDL_Rect *dlg, EngineSkin *skin, const char *caption, Uint32 buttonCell);

#endif
