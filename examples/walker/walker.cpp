// Walker: a hero walked with the arrow keys over a tiled field, with a counter of the steps taken. It shows a
// game's main on the engine (runEngine and its four hooks), images and a sprite sheet through the image cache,
// a font through the font cache, a game setting ("stepSize" in walker.conf) and drawing during the main loop:
// whatever a frame changes on the screen is queued on the render queue, which the engine flushes after the
// frame, and a frame that changes nothing presents nothing. The hero moves in fixed steps, 60 a second of the
// clock, at a steady 60 frames a second, so it walks at the same speed on every machine: each press of an
// arrow key is one stride of stepSize pixels, walked 2 pixels a step, and a key held down walks on stride after
// stride. Sound (the engine's audio library): a footstep on every stride, heard from where the hero is, and
// looped music streamed from the archive; the volumes are settings in walker.conf. Escape (the engine's quit
// key) or closing the window ends it. The game names itself, so the hero starts where it stood when the player
// last quit (a save in ~/.local/share/walker/hero) and the player's own ~/.config/walker/walker.conf wins over
// the shipped one.
// Depends on: the installed Zarvello engine and its audio library.
#include <zarvello/Audio.h>
#include <zarvello/Clock.h>
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
#include <zarvello/Input.h>
#include <zarvello/PlayerData.h>
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

const int stepsPerSecond = 60;
const int pixelsPerStep = 2;  // 120 pixels a second

int heroX = (screenWidth - heroSize) / 2;
int heroY = (screenHeight - heroSize) / 2;
int steps = 0;
int pendingX = 0;  // strides asked for by key presses and not yet begun
int pendingY = 0;
int strideX = 0;   // the direction of the stride under way
int strideY = 0;
int strideLeft = 0;  // its pixels still to walk

// Where the hero and the counter were last drawn.
int drawnX = heroX;
int drawnY = heroY;
int drawnSteps = 0;

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

// The hero's place is kept as the text "<x> <y>" in the player's save "hero".
void restoreHeroPosition()
{
    char text[32];
    Sint32 length = loadPlayerFile("hero", text, sizeof text - 1);
    int x, y;
    if (length <= 0)
        return;
    text[length] = '\0';
    if (SDL_sscanf(text, "%d %d", &x, &y) == 2) {
        heroX = clamp(x, 0, screenWidth - heroSize);
        heroY = clamp(y, 0, screenHeight - heroSize);
    }
}

void saveHeroPosition()
{
    char text[32];
    int length = SDL_snprintf(text, sizeof text, "%d %d\n", heroX, heroY);
    savePlayerFile("hero", text, Uint32(length));
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
    restoreHeroPosition();
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

int sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

// Begins a stride: one asked for by a press, or, with none waiting, one more while an arrow key is held.
void beginStride()
{
    if (pendingX != 0) {
        strideX = sign(pendingX);
        strideY = 0;
        pendingX -= strideX;
    } else if (pendingY != 0) {
        strideX = 0;
        strideY = sign(pendingY);
        pendingY -= strideY;
    } else {
        // The engine's held keys, not SDL_GetKeyState: a replayed session knows them too.
        strideX = isKeyDown(SDLK_RIGHT) - isKeyDown(SDLK_LEFT);
        strideY = strideX != 0 ? 0 : isKeyDown(SDLK_DOWN) - isKeyDown(SDLK_UP);
        if (strideX == 0 && strideY == 0)
            return;
    }
    strideLeft = clamp(int(stepSize), 1, heroSize);
    ++steps;
    // Heard from where the hero stands: left of the screen's middle on the left.
    playSound(footstep, 1.0, (heroX + heroSize / 2.0) / screenWidth * 2.0 - 1.0, SDL_FALSE);
}

// The game's logic, 60 times a second of the clock whatever the frame rate: the hero walks 2 pixels.
void walk()
{
    if (strideLeft == 0)
        beginStride();
    if (strideLeft == 0)
        return;
    int move = strideLeft < pixelsPerStep ? strideLeft : pixelsPerStep;
    strideLeft -= move;
    heroX = clamp(heroX + strideX * move, 0, screenWidth - heroSize);
    heroY = clamp(heroY + strideY * move, 0, screenHeight - heroSize);
}

// Draws what the steps changed: the field is repainted where the hero and the counter were, then both are drawn
// anew; each call queues what it drew.
void frame()
{
    if (heroX == drawnX && heroY == drawnY && steps == drawnSteps)
        return;
    SDL_Rect was = {Sint16(drawnX), Sint16(drawnY), heroSize, heroSize};
    repaintField(was);
    repaintField(counterArea);
    drawHero();
    drawCounter();
    drawnX = heroX;
    drawnY = heroY;
    drawnSteps = steps;
}

void cleanUp()
{
    // Only a game that started has a place to keep.
    if (hero)
        saveHeroPosition();
    if (hero)
        hero->release();
    hero = nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    setGameName("walker");
    setWindowCaption("Walker");
    setConfigFileName("walker.conf");
    setSkinRequired(SDL_FALSE);
    // Everything the game draws during the loop is queued, so an idle frame need not present anything.
    RenderQueue::setEmptyFlushes(SDL_FALSE);
    // The same speed on every machine: the hero walks in fixed steps, drawn at a steady 60 frames a second.
    setFrameRate(60);
    setFixedStep(walk, stepsPerSecond, 5);
    // A held key walks on by itself (walk reads the keyboard), so the key's own repeat is not wanted.
    setKeyRepeat(0, 0);
    registerNumberSetting("stepSize", &stepSize, 8);
    enableSound(0, 0, 0);
    registerSoundSettings();
    GameHooks hooks = {setUp, frame, event, cleanUp};
    return runEngine(argc, argv, &hooks);
}
