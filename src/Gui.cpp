// GUI start-up and shutdown. The singletons come up in a fixed order, the widget manager first, then the font
// cache and the image cache, and the skin is loaded last because it is built from those caches. Shutdown takes
// the skin down first and destroys the singletons in the reverse order, the widget manager last.
// A game that draws no dialog may make the skin optional: a skin it does not have is then no fault to report,
// while one it has but cannot load still gets the loader's line, so a damaged file does not go unnoticed.
#include "Gui.h"

#include "ConfigTable.h"
#include "FontManager.h"
#include "GuiLayer.h"
#include "ImageManager.h"
#include "SkinLoader.h"
#include "WidgetManager.h"

EngineSkin *skin = nullptr;

namespace {

SDL_bool skinRequired = SDL_TRUE;

}  // namespace

void setSkinRequired(SDL_bool required)
{
    skinRequired = required;
}

SDL_bool initializeGUI()
{
    WidgetManager::globalManager();
    FontManager::globalManager();
    ImageManager::globalManager();
    if (skinRequired == SDL_TRUE) {
        skin = loadSkin(skinName);
        return skin ? SDL_TRUE : SDL_FALSE;
    }
    if (skinFileExists(skinName))
        skin = loadSkin(skinName);
    return SDL_TRUE;
}

void shutdownGUI()
{
    shutdownGuiLayer();
    delete skin;
    skin = nullptr;
    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    WidgetManager::destroyWidgetManager();
}
