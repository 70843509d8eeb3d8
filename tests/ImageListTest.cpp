// Sprite sheets on the dummy display: grid cells and their numbering, uneven grids, the 100-cell limit, cells
// given as rectangles, bad indices, blits and tiles of cells, grids that cannot be cut, and the sheet's hold on
// its surface.
#include <gtest/gtest.h>

#include <string>

#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageManager.h"
#include "ImageTestSupport.h"

namespace {

class SpriteSheet : public ImageDisplayTest {
protected:
    // A surface of width x height (at most 256 x 255) whose every pixel has its own value on the 5-6-5
    // display: red holds the low 5 bits of x, green the low 6 bits of y + 1, blue the rest of both. Any screen
    // pixel then tells where in the sheet it came from, and no sheet pixel is black.
    GraphicSurface *sheet(Uint16 width, Uint16 height, const std::string &name = "/sheet.tga")
    {
        Bytes rgb;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int row = y + 1;
                rgb.insert(rgb.end(), {static_cast<Uint8>((x & 31) << 3), static_cast<Uint8>((row & 63) << 2),
                                       static_cast<Uint8>(((x >> 5) | ((row >> 6) << 3)) << 3)});
            }
        put(name, tgaFromRgb(width, height, rgb));
        return ImageManager::getImage(name.c_str());
    }

    static void clearScreen() { SDL_FillRect(screen, nullptr, 0); }

    // The sheet position the screen pixel (x, y) shows, or (-1, -1) when it is still black.
    static std::pair<int, int> shownAt(int x, int y)
    {
        const Uint16 pixel = pixelAt(screen, x, y);
        if (pixel == 0)
            return {-1, -1};
        const int red = (pixel >> 11) & 31;
        const int green = (pixel >> 5) & 63;
        const int blue = pixel & 31;
        return {red | ((blue & 7) << 5), (green | ((blue >> 3) << 6)) - 1};
    }
};

TEST_F(SpriteSheet, GridCellsAreNumberedRowByRow)
{
    GraphicSurface *surface = sheet(96, 64);
    ASSERT_NE(nullptr, surface);
    ImageList *list = new ImageList(surface, 3, 2);
    list->retain();
    ASSERT_EQ(6u, list->count());
    const int corners[6][2] = {{0, 0}, {32, 0}, {64, 0}, {0, 32}, {32, 32}, {64, 32}};
    for (Uint32 i = 0; i < 6; ++i) {
        EXPECT_EQ(32, list->width(i));
        EXPECT_EQ(32, list->height(i));
        clearScreen();
        list->blitImage(i, 100, 50);
        EXPECT_EQ(std::make_pair(corners[i][0], corners[i][1]), shownAt(100, 50)) << "cell " << i;
        EXPECT_EQ(std::make_pair(corners[i][0] + 31, corners[i][1] + 31), shownAt(131, 81)) << "cell " << i;
        EXPECT_EQ(std::make_pair(-1, -1), shownAt(132, 50)) << "cell " << i;
        EXPECT_EQ(std::make_pair(-1, -1), shownAt(100, 82)) << "cell " << i;
    }
    EXPECT_EQ(96, list->surfaceWidth());
    EXPECT_EQ(64, list->surfaceHeight());
    EXPECT_TRUE(newLines().empty());
    list->release();
}

TEST_F(SpriteSheet, UnevenGridWarnsAndLeavesTheRemainderOut)
{
    GraphicSurface *surface = sheet(100, 100);
    ImageList *list = new ImageList(surface, 3, 3);
    list->retain();
    EXPECT_TRUE(logged("WARNING: ImageList->arrayInit (3,3, '/sheet.tga'): width not evenly divisible"));
    EXPECT_TRUE(logged("WARNING: ImageList->arrayInit (3,3, '/sheet.tga'): height not evenly divisible"));
    ASSERT_EQ(9u, list->count());
    EXPECT_EQ(33, list->width(8));
    EXPECT_EQ(33, list->height(8));
    clearScreen();
    list->blitImage(8, 0, 0);
    EXPECT_EQ(std::make_pair(66, 66), shownAt(0, 0));
    EXPECT_EQ(std::make_pair(98, 98), shownAt(32, 32));
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(33, 33));
    list->release();

    ImageList *rows = new ImageList(surface, 1, 3);
    rows->retain();
    EXPECT_EQ(1, linesEqualTo("WARNING: ImageList->arrayInit (1,3, '/sheet.tga'): height not evenly divisible"));
    EXPECT_FALSE(logged("WARNING: ImageList->arrayInit (1,3, '/sheet.tga'): width not evenly divisible"));
    rows->release();
}

TEST_F(SpriteSheet, CellsPastTheHundredthAreRefusedOneByOne)
{
    ImageList *list = new ImageList(sheet(110, 100), 11, 10);
    list->retain();
    EXPECT_EQ(100u, list->count());
    EXPECT_EQ(10, linesEqualTo("ERROR: ImageList::addRect () ran out of space!"));
    SDL_Rect more = {0, 0, 1, 1};
    list->addRect(&more);
    EXPECT_EQ(100u, list->count());
    EXPECT_EQ(11, linesEqualTo("ERROR: ImageList::addRect () ran out of space!"));
    list->release();
}

TEST_F(SpriteSheet, EveryRefusedCellOfALargeGridIsReported)
{
    ImageList *list = new ImageList(sheet(150, 150), 15, 15);
    list->retain();
    EXPECT_EQ(100u, list->count());
    EXPECT_EQ(125, linesEqualTo("ERROR: ImageList::addRect () ran out of space!"));
    list->release();
}

TEST_F(SpriteSheet, AbsurdGridStopsRefusingAfterTenThousandMessages)
{
    ImageList *list = new ImageList(sheet(4, 4), 100000, 100000);
    list->retain();
    EXPECT_EQ(100u, list->count());
    EXPECT_EQ(10000, linesEqualTo("ERROR: ImageList::addRect () ran out of space!"));
    EXPECT_EQ(0, list->width(99));
    list->release();
}

TEST_F(SpriteSheet, RectanglesGivenToTheConstructorBecomeCellsInOrder)
{
    SDL_Rect a = {0, 0, 10, 20};
    SDL_Rect b = {10, 0, 30, 5};
    SDL_Rect c = {2, 3, 4, 5};
    ImageList *list = new ImageList(sheet(40, 40), &a, &b, &c, static_cast<SDL_Rect *>(nullptr));
    list->retain();
    ASSERT_EQ(3u, list->count());
    EXPECT_EQ(10, list->width(0));
    EXPECT_EQ(5, list->height(1));
    clearScreen();
    list->blitImage(2, 5, 5);
    EXPECT_EQ(std::make_pair(2, 3), shownAt(5, 5));
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(9, 5));
    list->addRect(&a);
    EXPECT_EQ(4u, list->count());
    list->release();

    ImageList *empty = new ImageList(sheet(8, 8, "/other.tga"));
    empty->retain();
    EXPECT_EQ(0u, empty->count());
    empty->release();
}

TEST_F(SpriteSheet, BadIndexLogsAndDoesNothing)
{
    ImageList *list = new ImageList(sheet(8, 8), 2, 2);
    list->retain();
    clearScreen();
    EXPECT_EQ(0, list->width(list->count()));
    EXPECT_TRUE(logged("ERROR: ImageList->width (4): bad index"));
    EXPECT_EQ(0, list->height(7));
    EXPECT_TRUE(logged("ERROR: ImageList->height (7): bad index"));
    list->blitImage(4, 0, 0);
    EXPECT_TRUE(logged("ERROR: ImageList->blitImage (4): bad index"));
    SDL_Rect area = {0, 0, 20, 20};
    list->tileImage(5, &area);
    EXPECT_TRUE(logged("ERROR: ImageList->blitImage (5): bad index"));
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(0, 0));
    list->release();
}

TEST_F(SpriteSheet, TileImageRepeatsACellOverTheRectangle)
{
    ImageList *list = new ImageList(sheet(20, 10), 2, 1);
    list->retain();
    clearScreen();
    SDL_Rect area = {200, 100, 25, 15};
    list->tileImage(1, &area);
    EXPECT_EQ(std::make_pair(10, 0), shownAt(200, 100));
    EXPECT_EQ(std::make_pair(10, 0), shownAt(210, 100));
    EXPECT_EQ(std::make_pair(14, 4), shownAt(224, 114));
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(225, 100));
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(200, 115));
    list->release();
}

TEST_F(SpriteSheet, GridsThatCannotBeCutNeverDivideByZero)
{
    GraphicSurface *surface = sheet(2, 2);
    ImageList *noColumns = new ImageList(surface, 0, 3);
    noColumns->retain();
    EXPECT_EQ(0u, noColumns->count());
    EXPECT_TRUE(logged("WARNING: ImageList->arrayInit (0,3, '/sheet.tga'): a grid without columns or rows has no cells"));
    noColumns->release();

    ImageList *noRows = new ImageList(surface, 3, 0);
    noRows->retain();
    EXPECT_EQ(0u, noRows->count());
    noRows->release();

    // More cells than pixels: the cells are empty and draw nothing.
    ImageList *tiny = new ImageList(surface, 3, 3);
    tiny->retain();
    EXPECT_EQ(9u, tiny->count());
    EXPECT_EQ(0, tiny->width(8));
    clearScreen();
    tiny->blitImage(4, 0, 0);
    SDL_Rect area = {0, 0, 50, 50};
    tiny->tileImage(4, &area);
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(0, 0));
    tiny->release();
}

TEST_F(SpriteSheet, SheetHoldsItsSurfaceUntilItGoes)
{
    // A surface held by the cache survives the sheet.
    GraphicSurface *cached = sheet(8, 8);
    ImageList *list = new ImageList(cached, 2, 2);
    list->retain();
    EXPECT_EQ(2, cached->retainCount());
    list->release();
    EXPECT_EQ(1, cached->retainCount());

    // A surface held by nobody else goes with the sheet.
    const Uint32 before = totalAllocatedMemory();
    GraphicSurface *own = GraphicSurface::newSurface(8, 8, "own");
    ASSERT_NE(nullptr, own);
    ImageList *owner = new ImageList(own, 1, 1);
    owner->retain();
    EXPECT_EQ(1, own->retainCount());
    owner->release();
    EXPECT_EQ(before, totalAllocatedMemory());
    EXPECT_FALSE(logged("ERROR: destructor invoked when the retain count isn't 0!"));
}

}  // namespace

namespace {

// The mistakes a game makes most: a sheet over an image that failed to load, a rectangle list that is null, and
// a release of what the image cache lends.
TEST_F(SpriteSheet, SheetOverAMissingImageHasNoCellsDrawsNothingAndSaysSoOnce)
{
    GraphicSurface *missing = ImageManager::getImage("/gfx/typo.tga");
    ASSERT_EQ(nullptr, missing);
    const int before = static_cast<int>(newLines().size());
    ImageList *grid = new ImageList(missing, 3, 3);
    grid->retain();
    ImageList *listed = new ImageList(missing, static_cast<SDL_Rect *>(nullptr));
    listed->retain();
    EXPECT_EQ(2, static_cast<int>(newLines().size()) - before);  // one line for each sheet
    EXPECT_EQ(2, linesEqualTo("ERROR: ImageList: no image to cut cells from; the sheet has none and draws nothing"));
    const int afterConstruction = static_cast<int>(newLines().size());
    EXPECT_EQ(0u, grid->count());
    clearScreen();
    grid->blitImage(0, 10, 10);
    SDL_Rect area = {0, 0, 100, 100};
    grid->tileImage(4, &area);
    SDL_Rect cell = {0, 0, 8, 8};
    grid->addRect(&cell);
    EXPECT_EQ(0u, grid->count());
    EXPECT_EQ(0, grid->width(0));
    EXPECT_EQ(0, grid->height(0));
    EXPECT_EQ(0, grid->surfaceWidth());
    EXPECT_EQ(std::make_pair(-1, -1), shownAt(10, 10));
    EXPECT_EQ(afterConstruction, static_cast<int>(newLines().size()));
    grid->release();
    listed->release();
}

TEST_F(SpriteSheet, NullRectangleIsIgnored)
{
    GraphicSurface *surface = sheet(32, 32);
    ASSERT_NE(nullptr, surface);
    ImageList *list = new ImageList(surface, static_cast<SDL_Rect *>(nullptr));
    list->retain();
    EXPECT_EQ(0u, list->count());
    list->addRect(nullptr);
    EXPECT_EQ(0u, list->count());
    SDL_Rect cell = {0, 0, 16, 16};
    list->addRect(&cell);
    EXPECT_EQ(1u, list->count());
    list->release();
}

TEST_F(SpriteSheet, ReleasingAnImageTheCacheLendsIsAnErrorAndTheImageStays)
{
    GraphicSurface *surface = sheet(32, 32, "/gfx/lent.tga");
    ASSERT_NE(nullptr, surface);
    surface->release();
    surface->release();
    EXPECT_EQ(2, linesEqualTo("ERROR: release of '/gfx/lent.tga', which a cache lends: it stays until the cache "
                              "lets it go"));
    EXPECT_EQ(1, surface->retainCount());
    EXPECT_EQ(surface, ImageManager::getImage("/gfx/lent.tga"));
    ImageList *list = new ImageList(surface, 2, 2);
    list->retain();
    clearScreen();
    list->blitImage(3, 0, 0);
    EXPECT_EQ(std::make_pair(16, 16), shownAt(0, 0));
    list->release();

    // A game that retains it may release its own reference, as always.
    surface->retain();
    surface->release();
    EXPECT_EQ(1, surface->retainCount());
    // The cache's own release at its end destroys it (TearDown checks that nothing is left).
}

}  // namespace
