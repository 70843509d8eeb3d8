/// @file
/// A game uses it to reach the skin its dialogs are drawn from.
/// GUI start-up and shutdown: the GUI singletons (widget manager, font cache, image cache) and the skin that
/// dialog boxes are drawn from.
/// Depends on: WidgetManager, FontManager, ImageManager, SkinLoader, ConfigTable (`skinName`), GuiLayer.
#ifndef ZARVELLO_GUI_H
#define ZARVELLO_GUI_H

#include <SDL_types.h>

class EngineSkin;

/// The skin loaded at start-up; null before initializeGUI has loaded it, after shutdownGUI, and when an optional
/// skin could not be had.
extern EngineSkin *skin;

/// Creates the GUI singletons and loads the configured skin; SDL_FALSE when start-up cannot go on (the failing
/// step has logged why). Without a required skin it never fails: a missing skin file is passed over in silence,
/// one that cannot be loaded is reported, and `skin` stays null in both cases.
SDL_bool initializeGUI();

/// Whether start-up fails without a skin: SDL_TRUE (the default) for the engine's dialogs, SDL_FALSE for a game
/// that draws none. A game calls it before start-up.
void setSkinRequired(SDL_bool required);

/// Deletes the skin and destroys the GUI singletons; safe when initializeGUI never ran or stopped half-way.
void shutdownGUI();

#endif
