// Walker: a hero walked with the arrow keys over a tiled field, with a counter of the steps taken. It shows a
// game's main on the engine (runEngine and its four hooks), images and a sprite sheet through the image cache,
// a font through the font cache, a game setting ("stepSize" in walker.conf) and drawing during the main loop:
// whatever a frame changes on the screen is queued on the render queue, which the engine flushes after the
// frame, and a frame that changes nothing presents nothing. Sound (the engine's audio library): a footstep on
// every step, heard from where the hero is, and looped music streamed from the archive; the volumes are settings
// in walker.conf. Escape (the engine's quit key) or closing the window ends it.
// Depends on: the installed Zarvello engine and its audio library.
#include <zarvello/Audio.h>
#include <zarvello/ConfigTable.h>
#include <zarvello/Console.h>
#include <zarvello/Font.h>
#include <zarvello/FontManager.h>
#include <zarvello/Game.h>
#include <zarvello/GraphicSurface.h>
#include <zarvello/Gui.h>
#include <zarvello/ImageList.h>
#include <zarvello/ImageManager.h>
#include <zarvello/Init.h>
#include <zarvello/RenderQueue.h>
#include <zarvello/Video.h>

#include <SDL.h>

namespace {

const int screenWidth = 800;
const int screenHeight = 600;
const int tileSize = 32;   // the field's tile, and the hero's cell in its sprite sheet
const int heroSize = 32;

double stepSize = 8;  // the game setting "stepSize"

GraphicSurface *tile = nullptr;   // borrowed from the image cache
ImageList *hero = nullptr;        // our own sprite sheet over the cached hero image: two walking poses
EngineFont *counterFont = nullptr;
EngineSound *footstep = nullptr;  // borrowed from the sound cache

int heroX = (screenWidth - heroSize) / 2;
int heroY = (screenHeight - heroSize) / 2;
int steps = 0;
int pendingX = 0;  // steps asked for by key presses since the last frame
int pendingY = 0;

const SDL_Rect counterArea = {0, 0, 256, 32};

// The smallest rectangle of whole tiles that covers area, so that the field can be repainted there exactly as
// it was tiled from the screen's corner.
SDL_Rect wholeTilesAround(const SDL_Rect &area)
{
    int left = area.x / tileSize * tileSize;
    int top = area.y / tileSize * tileSize;
    int right = (area.x + area.w + tileSize - 1) / tileSize * tileSize;
    int bottom = (area.y + area.h + tileSize - 1) / tileSize * tileSize;
    SDL_Rect tiles = {Sint16(left), Sint16(top), Uint16(right - left), Uint16(bottom - top)};
    return tiles;
}

void repaintField(const SDL_Rect &area)
{
    SDL_Rect tiles = wholeTilesAround(area);
    tile->tileToRect(&tiles);
    RenderQueue::globalRenderQueue()->addRect(&tiles);
}

SDL_Rect heroArea()
{
    SDL_Rect area = {Sint16(heroX), Sint16(heroY), heroSize, heroSize};
    return area;
}

void drawHero()
{
    // The pose changes every other step.
    hero->blitImage(Uint32((steps / 2) % 2), Sint16(heroX), Sint16(heroY));
    SDL_Rect area = heroArea();
    RenderQueue::globalRenderQueue()->addRect(&area);
}

void drawCounter()
{
    counterFont->blitTextFmt(10, 8, 0, "Steps: %d", steps);
}

int clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

SDL_bool setUp()
{
    tile = ImageManager::getImage("/gfx/walker/tile.tga");
    GraphicSurface *heroImage = ImageManager::getImage("/gfx/walker/hero.tga");
    counterFont = FontManager::getFont("DejaVu Sans Mono", 16, 255, 255, 255);
    if (!tile || !heroImage || !counterFont) {
        Console::addString("walker: the game's data is missing (data/walker.nfi)");
        return SDL_FALSE;
    }
    // Sound is welcome but not needed: without it the game goes on silent.
    footstep = getSound("/sfx/step.wav");
    playMusic("/music/walk.ogg", SDL_TRUE, 1000);
    heroImage->setColorKey(255, 0, 255);
    hero = new ImageList(heroImage, 2, 1);
    hero->retain();

    // Drawn before the loop: the loop's first whole-screen update shows it, nothing needs queuing.
    SDL_Rect field = {0, 0, screenWidth, screenHeight};
    tile->tileToRect(&field);
    hero->blitImage(0, Sint16(heroX), Sint16(heroY));
    drawCounter();
    return SDL_TRUE;
}

void event(SDL_Event *e)
{
    if (e->type != SDL_KEYDOWN)
        return;
    switch (e->key.keysym.sym) {
    case SDLK_LEFT: --pendingX; break;
    case SDLK_RIGHT: ++pendingX; break;
    case SDLK_UP: --pendingY; break;
    case SDLK_DOWN: ++pendingY; break;
    default: break;
    }
}

void frame()
{
    if (pendingX == 0 && pendingY == 0)
        return;
    int step = clamp(int(stepSize), 1, heroSize);
    int newX = clamp(heroX + pendingX * step, 0, screenWidth - heroSize);
    int newY = clamp(heroY + pendingY * step, 0, screenHeight - heroSize);
    steps += (pendingX < 0 ? -pendingX : pendingX) + (pendingY < 0 ? -pendingY : pendingY);
    pendingX = pendingY = 0;

    // Repaint the field where the hero and the counter were, then draw both anew; each call queues what it drew.
    repaintField(heroArea());
    repaintField(counterArea);
    heroX = newX;
    heroY = newY;
    // Heard from where the hero stands: left of the screen's middle on the left.
    playSound(footstep, 1.0, (heroX + heroSize / 2.0) / screenWidth * 2.0 - 1.0, SDL_FALSE);
    drawHero();
    drawCounter();
}

void cleanUp()
{
    if (hero)
        hero->release();
    hero = nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    setWindowCaption("Walker");
    setConfigFileName("walker.conf");
    setSkinRequired(SDL_FALSE);
    // Everything the game draws during the loop is queued, so an idle frame need not present anything.
    RenderQueue::setEmptyFlushes(SDL_FALSE);
    registerNumberSetting("stepSize", &stepSize, 8);
    enableSound(0, 0, 0);
    registerSoundSettings();
    GameHooks hooks = {setUp, frame, event, cleanUp};
    return runEngine(argc, argv, &hooks);
}
