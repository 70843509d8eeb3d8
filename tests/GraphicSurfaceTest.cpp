// GraphicSurface on the dummy display (16 bits, 5-6-5): creation in the screen's layout, ownership and
// destruction, colour keys, alpha and RLE (by the pixels a blit leaves, which every SDL 1.2 shares), blits,
// and tiling that stays inside its rectangle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "Console.h"
#include "GraphicSurface.h"
#include "Memory.h"
#include "TestSupport.h"
#include "Video.h"

namespace {

const Uint16 black = 0;

Uint16 pixelOf(SDL_Surface *surface, int x, int y)
{
    return reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(surface->pixels) + y * surface->pitch)[x];
}

Uint16 colour(Uint8 r, Uint8 g, Uint8 b)
{
    return Uint16(SDL_MapRGB(screen->format, r, g, b));
}

void fill(SDL_Surface *surface, Sint16 x, Sint16 y, Uint16 w, Uint16 h, Uint16 pixel)
{
    SDL_Rect area = {x, y, w, h};
    SDL_FillRect(surface, &area, pixel);
}

// Blits the sprite at (x, y) over a screen area filled with background and counts the pixels under it that
// differ from what a game expects: the background where the sprite holds the key colour (when keyed is set),
// the sprite's own pixel everywhere else.
int pixelsBlittedWrongly(GraphicSurface *sprite, Sint16 x, Sint16 y, Uint16 background, bool keyed, Uint16 key)
{
    // The sprite's pixels are read under a lock: a run-length encoded surface has them only while locked.
    SDL_Surface *s = sprite->getSurface();
    std::vector<Uint16> own;
    SDL_LockSurface(s);
    for (int py = 0; py < s->h; ++py)
        for (int px = 0; px < s->w; ++px)
            own.push_back(pixelOf(s, px, py));
    SDL_UnlockSurface(s);
    fill(screen, x, y, Uint16(s->w), Uint16(s->h), background);
    sprite->blitToScreen(x, y);
    int wrong = 0;
    for (int py = 0; py < s->h; ++py)
        for (int px = 0; px < s->w; ++px) {
            const Uint16 pixel = own[std::size_t(py * s->w + px)];
            const Uint16 expected = keyed && pixel == key ? background : pixel;
            if (pixelOf(screen, x + px, y + py) != expected)
                ++wrong;
        }
    return wrong;
}

// A 16 x 3 sprite in the key colour with runs of other colours of every length from 1 to 4 pixels, a colour
// one step from the key among them, so a run-length encoded blit has runs to start and end everywhere.
GraphicSurface *makeKeyedSprite(Uint16 key)
{
    GraphicSurface *sprite = GraphicSurface::newSurface(16, 3, "sprite");
    sprite->retain();
    SDL_Surface *s = sprite->getSurface();
    fill(s, 0, 0, 16, 3, key);
    fill(s, 1, 0, 1, 1, colour(255, 255, 255));
    fill(s, 3, 0, 2, 1, colour(255, 4, 255));
    fill(s, 6, 0, 3, 1, colour(0, 200, 0));
    fill(s, 10, 0, 4, 1, colour(10, 20, 30));
    fill(s, 0, 1, 16, 1, colour(255, 255, 0));
    fill(s, 15, 2, 1, 1, colour(0, 0, 0));
    return sprite;
}

// Counts the screen pixels that are not black outside the rectangle (x, y, w, h).
int paintedOutside(int x, int y, int w, int h)
{
    int painted = 0;
    for (int py = 0; py < screen->h; ++py)
        for (int px = 0; px < screen->w; ++px)
            if ((px < x || px >= x + w || py < y || py >= y + h) && pixelOf(screen, px, py) != black)
                ++painted;
    return painted;
}

class GraphicSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(initializeVideo(), SDL_TRUE);
        clearScreenArea(nullptr, 0, 0, 0);
        Console::clearBuffer();
        memoryBefore = totalAllocatedMemory();
    }
    void TearDown() override
    {
        if (tile)
            tile->release();
        EXPECT_EQ(totalAllocatedMemory(), memoryBefore);
        shutdownVideo();
        SDL_Quit();
    }

    // A 30 x 20 tile: red with a green first column and a blue first row, so tile edges can be found.
    GraphicSurface *makeTile()
    {
        tile = GraphicSurface::newSurface(30, 20, "tile");
        tile->retain();
        SDL_Surface *s = tile->getSurface();
        fill(s, 0, 0, 30, 20, colour(255, 0, 0));
        fill(s, 0, 0, 1, 20, colour(0, 255, 0));
        fill(s, 0, 0, 30, 1, colour(0, 0, 255));
        return tile;
    }

    Uint32 memoryBefore = 0;
    GraphicSurface *tile = nullptr;
};

TEST_F(GraphicSurfaceTest, NewSurfaceHasTheScreensLayoutAndAnOwnCopyOfItsName)
{
    char name[] = "glyphs";
    GraphicSurface *surface = GraphicSurface::newSurface(12, 7, name);
    ASSERT_NE(surface, nullptr);
    name[0] = 'X';
    EXPECT_STREQ(surface->getName(), "glyphs");
    EXPECT_EQ(surface->width(), 12);
    EXPECT_EQ(surface->height(), 7);
    EXPECT_EQ(surface->retainCount(), 0);
    SDL_PixelFormat *format = surface->getSurface()->format;
    EXPECT_EQ(format->BitsPerPixel, 16);
    EXPECT_EQ(format->Rmask, screen->format->Rmask);
    EXPECT_EQ(format->Gmask, screen->format->Gmask);
    EXPECT_EQ(format->Bmask, screen->format->Bmask);
    EXPECT_EQ(format->Amask, 0u);
    EXPECT_EQ(surface->getSurface()->flags & SDL_HWSURFACE, 0u);
    surface->retain();
    surface->release();
}

TEST_F(GraphicSurfaceTest, WrappedSurfaceIsOwnedAndNullIsAccepted)
{
    SDL_Surface *raw = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    GraphicSurface *wrapped = GraphicSurface::wrapSurface(raw, "raw");
    EXPECT_EQ(wrapped->getSurface(), raw);
    wrapped->retain();
    wrapped->release();

    GraphicSurface *empty = GraphicSurface::wrapSurface(nullptr, "none");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->width(), 0);
    EXPECT_EQ(empty->height(), 0);
    empty->setColorKey(255, 0, 255);
    empty->setAlpha(10);
    empty->enableRLE(SDL_TRUE);
    empty->blitToScreen(0, 0);
    SDL_Rect dest = {0, 0, 100, 100};
    empty->tileToRect(&dest);
    EXPECT_EQ(paintedOutside(0, 0, 0, 0), 0);
    empty->retain();
    empty->release();
}

TEST_F(GraphicSurfaceTest, NewSurfaceWithoutAScreenIsNull)
{
    shutdownVideo();
    EXPECT_EQ(GraphicSurface::newSurface(4, 4, "late"), nullptr);
    ASSERT_EQ(initializeVideo(), SDL_TRUE);
    Console::clearBuffer();
}

TEST_F(GraphicSurfaceTest, DestroyingAHeldSurfaceLogsAndStillFrees)
{
    GraphicSurface *surface = GraphicSurface::newSurface(8, 8, "held");
    surface->retain();
    surface->retain();
    ManagedResource *resource = surface;
    delete resource;
    EXPECT_EQ(linesEqualTo("ERROR: destructor invoked when the retain count isn't 0!"), 1);
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), memoryBefore);
}

TEST_F(GraphicSurfaceTest, ColourKeyMakesThatColourTransparentWithRle)
{
    const Uint16 key = colour(255, 0, 255);
    GraphicSurface *sprite = makeKeyedSprite(key);
    sprite->setColorKey(255, 0, 255);
    SDL_Surface *s = sprite->getSurface();
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(s->format->colorkey, Uint32(key));
    EXPECT_EQ(pixelsBlittedWrongly(sprite, 2, 0, colour(0, 0, 255), true, key), 0);
    // Blitted again (encoded by now where the library encodes) and over another background.
    EXPECT_EQ(pixelsBlittedWrongly(sprite, 40, 7, colour(90, 60, 30), true, key), 0);
    sprite->release();
}

TEST_F(GraphicSurfaceTest, RleCanBeToggledWithoutLosingTheColourKey)
{
    const Uint16 key = colour(255, 0, 255);
    const Uint16 background = colour(0, 0, 255);
    GraphicSurface *sprite = makeKeyedSprite(key);
    SDL_Surface *s = sprite->getSurface();
    sprite->setColorKey(255, 0, 255);
    EXPECT_EQ(pixelsBlittedWrongly(sprite, 0, 0, background, true, key), 0);

    sprite->enableRLE(SDL_FALSE);
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(s->format->colorkey, Uint32(key));
    EXPECT_EQ(pixelsBlittedWrongly(sprite, 0, 10, background, true, key), 0);

    sprite->enableRLE(SDL_TRUE);
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(s->format->colorkey, Uint32(key));
    EXPECT_EQ(pixelsBlittedWrongly(sprite, 0, 20, background, true, key), 0);

    // Without a key, turning RLE on adds none: the key colour is drawn like any other.
    GraphicSurface *plain = makeKeyedSprite(key);
    plain->enableRLE(SDL_TRUE);
    EXPECT_FALSE(plain->getSurface()->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(pixelsBlittedWrongly(plain, 0, 30, background, false, key), 0);
    plain->release();
    sprite->release();
}

TEST_F(GraphicSurfaceTest, SurfaceAlphaBlendsOverTheScreen)
{
    GraphicSurface *veil = GraphicSurface::newSurface(2, 2, "veil");
    veil->retain();
    fill(veil->getSurface(), 0, 0, 2, 2, colour(255, 255, 255));
    veil->setAlpha(128);
    EXPECT_TRUE(veil->getSurface()->flags & SDL_SRCALPHA);
    EXPECT_EQ(veil->getSurface()->format->alpha, 128);
    veil->blitToScreen(0, 0);
    // Half of white over black, at every pixel of the veil and nowhere else.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(pixelOf(screen, x, y), screen->format, &r, &g, &b);
            EXPECT_NEAR(r, 128, 8) << x << "," << y;
            EXPECT_NEAR(g, 128, 8) << x << "," << y;
            EXPECT_NEAR(b, 128, 8) << x << "," << y;
        }
    EXPECT_EQ(paintedOutside(0, 0, 2, 2), 0);
    veil->release();
}

TEST_F(GraphicSurfaceTest, BlitsPlaceTheSurfaceOrAPartOfIt)
{
    makeTile();
    tile->blitToScreen(100, 50);
    EXPECT_EQ(pixelOf(screen, 100, 50), colour(0, 0, 255));
    EXPECT_EQ(pixelOf(screen, 101, 51), colour(255, 0, 0));
    EXPECT_EQ(paintedOutside(100, 50, 30, 20), 0);

    clearScreenArea(nullptr, 0, 0, 0);
    SDL_Rect part = {10, 5, 4, 3};
    tile->blitRectToScreen(&part, 200, 300);
    EXPECT_EQ(pixelOf(screen, 200, 300), colour(255, 0, 0));
    EXPECT_EQ(pixelOf(screen, 203, 302), colour(255, 0, 0));
    EXPECT_EQ(paintedOutside(200, 300, 4, 3), 0);
}

TEST_F(GraphicSurfaceTest, TilingCutsThePartialTilesAtTheRectanglesEdges)
{
    makeTile();
    SDL_Rect source = {0, 0, 30, 20};
    SDL_Rect dest = {50, 40, 100, 50};
    tile->tileRectToRect(&source, &dest);
    // Columns start at offsets 0, 30, 60, 90 (the green first column of each tile), rows at 0, 20, 40.
    for (int column : {0, 30, 60, 90})
        EXPECT_EQ(pixelOf(screen, 50 + column, 45), colour(0, 255, 0)) << column;
    for (int row : {0, 20, 40})
        EXPECT_EQ(pixelOf(screen, 55, 40 + row), colour(0, 0, 255)) << row;
    EXPECT_EQ(pixelOf(screen, 149, 89), colour(255, 0, 0));
    EXPECT_EQ(paintedOutside(50, 40, 100, 50), 0);
}

TEST_F(GraphicSurfaceTest, TilingAnExactMultipleDrawsWholeTilesOnly)
{
    makeTile();
    SDL_Rect dest = {0, 0, 90, 40};
    tile->tileToRect(&dest);
    EXPECT_EQ(pixelOf(screen, 60, 20), colour(0, 0, 255));
    EXPECT_EQ(pixelOf(screen, 89, 39), colour(255, 0, 0));
    EXPECT_EQ(paintedOutside(0, 0, 90, 40), 0);
}

TEST_F(GraphicSurfaceTest, TilingRestoresTheScreensClipRectangle)
{
    makeTile();
    SDL_Rect custom = {10, 10, 300, 200};
    SDL_SetClipRect(screen, &custom);
    SDL_Rect dest = {0, 0, 100, 100};
    tile->tileToRect(&dest);
    SDL_Rect after;
    SDL_GetClipRect(screen, &after);
    EXPECT_TRUE(sameRect(after, custom));
    // The tiling itself is bounded by its rectangle, not by the caller's clip.
    EXPECT_EQ(pixelOf(screen, 0, 0), colour(0, 0, 255));

    SDL_Rect offScreen = {900, 700, 50, 50};
    tile->tileToRect(&offScreen);
    SDL_GetClipRect(screen, &after);
    EXPECT_TRUE(sameRect(after, custom));
}

TEST_F(GraphicSurfaceTest, ZeroSizeRectanglesDrawNothing)
{
    makeTile();
    SDL_Rect before;
    SDL_GetClipRect(screen, &before);
    SDL_Rect flat = {10, 10, 0, 40};
    tile->tileToRect(&flat);
    SDL_Rect thin = {10, 10, 40, 0};
    tile->tileToRect(&thin);
    SDL_Rect emptySource = {0, 0, 0, 5};
    SDL_Rect dest = {0, 0, 100, 100};
    tile->tileRectToRect(&emptySource, &dest);
    SDL_Rect emptySource2 = {0, 0, 5, 0};
    tile->tileRectToRect(&emptySource2, &dest);
    GraphicSurface *nothing = GraphicSurface::newSurface(0, 0, "nothing");
    if (nothing) {
        nothing->tileToRect(&dest);
        nothing->retain();
        nothing->release();
    }
    EXPECT_EQ(paintedOutside(0, 0, 0, 0), 0);
    SDL_Rect after;
    SDL_GetClipRect(screen, &after);
    EXPECT_TRUE(sameRect(after, before));
}

TEST_F(GraphicSurfaceTest, TilesStayAlignedToARectangleThatStartsOffScreen)
{
    makeTile();
    SDL_Rect dest = {-25, -15, 100, 60};
    tile->tileToRect(&dest);
    // Tiles start at x = -25, 5, 35, 65 and y = -15, 5, 25: only the visible parts are drawn.
    EXPECT_EQ(pixelOf(screen, 5, 10), colour(0, 255, 0));
    EXPECT_EQ(pixelOf(screen, 35, 10), colour(0, 255, 0));
    EXPECT_EQ(pixelOf(screen, 10, 5), colour(0, 0, 255));
    EXPECT_EQ(pixelOf(screen, 0, 0), colour(255, 0, 0));
    EXPECT_EQ(paintedOutside(0, 0, 75, 45), 0);
}

TEST_F(GraphicSurfaceTest, TinyTileOverAHugeRectangleFinishesQuickly)
{
    makeTile();
    SDL_Rect dot = {5, 5, 1, 1};
    SDL_Rect huge = {-32768, -32768, 65535, 65535};
    auto start = std::chrono::steady_clock::now();
    tile->tileRectToRect(&dot, &huge);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0);
    EXPECT_EQ(pixelOf(screen, 0, 0), colour(255, 0, 0));
    EXPECT_EQ(pixelOf(screen, 799, 599), colour(255, 0, 0));
}

TEST_F(GraphicSurfaceTest, SourceRectangleReachingPastTheSurfaceIsCutBySdl)
{
    makeTile();
    SDL_Rect source = {20, 0, 20, 20};  // the last 10 columns exist, the next 10 do not
    SDL_Rect dest = {0, 0, 40, 20};
    tile->tileRectToRect(&source, &dest);
    EXPECT_EQ(pixelOf(screen, 9, 10), colour(255, 0, 0));
    EXPECT_EQ(pixelOf(screen, 10, 10), black);
    EXPECT_EQ(pixelOf(screen, 20, 10), colour(255, 0, 0));
    EXPECT_EQ(paintedOutside(0, 0, 40, 20), 0);
}

}  // namespace
