/// @file
/// GUI start-up and shutdown: the GUI singletons (widget manager, font cache, image cache) and the skin that
/// the demonstration draws its dialog boxes from.
/// Depends on: WidgetManager, FontManager, ImageManager, SkinLoader.
#ifndef ZARVELLO_GUI_H
#define ZARVELLO_GUI_H

#include <SDL_types.h>

class EngineSkin;

/// The skin loaded at start-up; null before initializeGUI has loaded it and after shutdownGUI.
extern EngineSkin *skin;

/// Creates the GUI singletons and loads the configured skin; SDL_FALSE when start-up cannot go on (the failing
/// step has logged why).
SDL_bool initializeGUI();

/// Deletes the skin and destroys the GUI singletons; safe when initializeGUI never ran or stopped half-way.
void shutdownGUI();

#endif
