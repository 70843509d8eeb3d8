// GUI start-up and shutdown. The singletons come up in a fixed order, the widget manager first, then the font
// cache and the image cache, and the skin is loaded last because it is built from those caches. Shutdown takes
// the skin down first and destroys the singletons in the reverse order, the widget manager last.
#include "Gui.h"

#include "ConfigTable.h"
#include "FontManager.h"
#include "ImageManager.h"
#include "SkinLoader.h"
#include "WidgetManager.h"

EngineSkin *skin = nullptr;

SDL_bool initializeGUI()
{
    WidgetManager::globalManager();
    FontManager::globalManager();
    ImageManager::globalManager();
    skin = loadSkin(skinName);
    return skin ? SDL_TRUE : SDL_FALSE;
}

void shutdownGUI()
{
    delete skin;
    skin = nullptr;
    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    WidgetManager::destroyWidgetManager();
}
