/// @file
/// Zarvello: every public header of the engine at once, for a game that would rather not pick.
/// Depends on: the whole engine, SDL 1.2.
#ifndef ZARVELLO_ZARVELLO_H
#define ZARVELLO_ZARVELLO_H

#include "Version.h"

#include "BitArray.h"
#include "Console.h"
#include "ManagedResource.h"
#include "Memory.h"
#include "Utility.h"

#include "DataRWops.h"
#include "NFILoader.h"

#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageLoader.h"
#include "ImageManager.h"
#include "RawLoader.h"
#include "RenderQueue.h"
#include "TgaLoader.h"
#include "VidBlend.h"
#include "Video.h"

#include "Font.h"
#include "FontManager.h"

#include "Dialog.h"
#include "Gui.h"
#include "GuiControls.h"
#include "GuiDialog.h"
#include "GuiLayer.h"
#include "GuiText.h"
#include "GuiWidget.h"
#include "SkinLoader.h"
#include "Widget.h"
#include "WidgetList.h"
#include "WidgetManager.h"

#include "Config.h"
#include "Clock.h"
#include "ConfigTable.h"
#include "EngineModule.h"
#include "Game.h"
#include "GameLoop.h"
#include "Init.h"
#include "Input.h"
#include "KeyMapping.h"
#include "PlayerData.h"
#include "PlayerSettings.h"
#include "Replay.h"

#endif
