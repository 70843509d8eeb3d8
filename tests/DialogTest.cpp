// Dialog drawing on a 16-bit screen of SDL's dummy driver: dialogs from the shipped skin (read from the build's
// archive), bevel boxes and button sheets from small images written for the test. Covers what each call draws,
// that the make and bevel calls queue nothing while the show calls queue exactly the area they drew (cut to the
// screen), the lines of sheets with missing cells, and that nothing is drawn without a skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Dialog.h"
#include "FontManager.h"
#include "ImageList.h"
#include "ImageLoader.h"
#include "ImageTestSupport.h"
#include "RenderQueue.h"
#include "SkinLoader.h"
#include "TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct Rgb {
    Uint8 r, g, b;
};
// Colours the 5-6-5 screen holds exactly.
const Rgb cleared = {8, 4, 8};
const Rgb cellColours[9] = {{248, 0, 0},   {0, 252, 0},   {0, 0, 248},     {248, 252, 0}, {0, 252, 248},
                            {248, 0, 248}, {128, 128, 0}, {0, 128, 128}, {128, 0, 128}};
const Rgb fillColour = {200, 200, 200};
const Rgb magenta = {255, 0, 255};

Bytes rgbBytes(const std::vector<Rgb> &pixels)
{
    Bytes out;
    for (const Rgb &p : pixels) {
        out.push_back(p.r);
        out.push_back(p.g);
        out.push_back(p.b);
    }
    return out;
}

class DialogDrawing : public ImageDisplayTest {
protected:
    void SetUp() override
    {
        ImageDisplayTest::SetUp();
        NFILoader::globalLoader()->addNFIFile(ZARVELLO_BUILD_DIR "/data/default.nfi");
        shipped = loadSkin("default");
        ASSERT_NE(shipped, nullptr) << "the shipped skin is built into " ZARVELLO_BUILD_DIR "/data/default.nfi";
        clear();
        firstLine = Console::totalLines();
    }
    void TearDown() override
    {
        delete shipped;
        delete RenderQueue::globalRenderQueue();
        FontManager::destroyFontManager();
        ImageDisplayTest::TearDown();
    }

    Uint16 pixel(Rgb c) const { return static_cast<Uint16>(SDL_MapRGB(screen->format, c.r, c.g, c.b)); }
    void clear() { clearScreenArea(nullptr, cleared.r, cleared.g, cleared.b); }

    std::vector<Uint16> snapshot() const
    {
        std::vector<Uint16> pixels;
        for (int y = 0; y < screen->h; ++y)
            for (int x = 0; x < screen->w; ++x)
                pixels.push_back(pixelAt(screen, x, y));
        return pixels;
    }

    // The smallest rectangle holding every pixel that is not the cleared colour; w 0 when there is none.
    SDL_Rect changedArea() const
    {
        int left = screen->w, top = screen->h, right = -1, bottom = -1;
        for (int y = 0; y < screen->h; ++y)
            for (int x = 0; x < screen->w; ++x)
                if (pixelAt(screen, x, y) != pixel(cleared)) {
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                }
        if (right < 0)
            return SDL_Rect{0, 0, 0, 0};
        return SDL_Rect{Sint16(left), Sint16(top), Uint16(right - left + 1), Uint16(bottom - top + 1)};
    }

    static bool holds(const SDL_Rect &outer, const SDL_Rect &inner)
    {
        return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
               inner.y + inner.h <= outer.y + outer.h;
    }

    // A 6 x 6 bevel sheet of nine 2 x 2 cells in cellColours, and a 1 x 1 fill.
    ImageList *bevelSheet()
    {
        std::vector<Rgb> pixels;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                pixels.push_back(cellColours[(y / 2) * 3 + x / 2]);
        GraphicSurface *sheet = loadImage(put("/gfx/bevels.tga", tgaFromRgb(6, 6, rgbBytes(pixels))).c_str(), 0, 0);
        EXPECT_NE(sheet, nullptr);
        ImageList *bevels = new ImageList(sheet, 3, 3);
        bevels->retain();
        return bevels;
    }
    GraphicSurface *fill()
    {
        GraphicSurface *surface = loadImage(put("/gfx/fill.tga", tgaFromRgb(1, 1, rgbBytes({fillColour}))).c_str(), 0, 0);
        EXPECT_NE(surface, nullptr);
        surface->retain();
        return surface;
    }

    EngineSkin *shipped = nullptr;
};

}  // namespace

TEST_F(DialogDrawing, ShowDialogDrawsMakeDialogsPixelsAndQueuesTheDialogMakeDialogQueuesNothing)
{
    SDL_Rect dialogBox = {10, 10, 250, 200};
    makeDialog(SDL_TRUE, &dialogBox, shipped, "I am an enabled dialog box");
    std::vector<Uint16> made = snapshot();
    EXPECT_EQ(RenderQueue::globalRenderQueue()->count(), 0);
    EXPECT_TRUE(sameRect(changedArea(), dialogBox));

    clear();
    showDialog(SDL_TRUE, &dialogBox, shipped, "I am an enabled dialog box");
    EXPECT_TRUE(snapshot() == made);
    ASSERT_EQ(RenderQueue::globalRenderQueue()->count(), 1);
    EXPECT_TRUE(sameRect(RenderQueue::globalRenderQueue()->rectAt(0), dialogBox));
    EXPECT_EQ(newLines(), Lines{});
}

TEST_F(DialogDrawing, QueuedAreaHoldsACaptionReachingPastTheDialogAndIsCutToTheScreen)
{
    SDL_Rect narrow = {100, 300, 60, 100};
    showDialog(SDL_FALSE, &narrow, shipped, "A caption far longer than its narrow dialog");
    ASSERT_EQ(RenderQueue::globalRenderQueue()->count(), 1);
    SDL_Rect queued = RenderQueue::globalRenderQueue()->rectAt(0);
    SDL_Rect changed = changedArea();
    EXPECT_GT(changed.x + changed.w, narrow.x + narrow.w) << "the caption runs past the dialog";
    EXPECT_TRUE(holds(queued, changed));
    EXPECT_TRUE(holds(queued, narrow));

    delete RenderQueue::globalRenderQueue();
    clear();
    SDL_Rect corner = {-30, 580, 100, 100};
    showDialog(SDL_TRUE, &corner, shipped, "Corner");
    ASSERT_EQ(RenderQueue::globalRenderQueue()->count(), 1);
    EXPECT_TRUE(sameRect(RenderQueue::globalRenderQueue()->rectAt(0), SDL_Rect{0, 580, 70, 20}));
    EXPECT_TRUE(sameRect(changedArea(), SDL_Rect{0, 580, 70, 20}));
}

TEST_F(DialogDrawing, WithoutASkinOrARectangleNothingIsDrawnOrQueued)
{
    SDL_Rect dialogBox = {10, 10, 250, 200};
    makeDialog(SDL_TRUE, &dialogBox, nullptr, "no skin");
    showDialog(SDL_TRUE, &dialogBox, nullptr, "no skin");
    showDialog(SDL_TRUE, nullptr, shipped, "no rectangle");
    bevelBox(nullptr, nullptr, nullptr);
    EXPECT_EQ(changedArea().w, 0);
    EXPECT_EQ(RenderQueue::globalRenderQueue()->count(), 0);

    // Without a caption text the dialog is drawn all the same.
    showDialog(SDL_TRUE, &dialogBox, shipped, nullptr);
    EXPECT_TRUE(sameRect(changedArea(), dialogBox));
    EXPECT_EQ(newLines(), Lines{});
}

TEST_F(DialogDrawing, BevelBoxTilesTheEdgesAndPutsTheCornersByTheFirstCell)
{
    ImageList *bevels = bevelSheet();
    GraphicSurface *inside = fill();
    SDL_Rect box = {20, 20, 9, 7};
    bevelBox(&box, inside, bevels);
    EXPECT_EQ(RenderQueue::globalRenderQueue()->count(), 0);
    EXPECT_TRUE(sameRect(changedArea(), box));

    // Columns 20-21 and 27-28 are the sides, rows 20-21 and 25-26 the top and bottom.
    auto cellAt = [](int x, int y) {
        int column = x < 22 ? 0 : (x < 27 ? 1 : 2);
        int row = y < 22 ? 0 : (y < 25 ? 1 : 2);
        return row * 3 + column;
    };
    int wrong = 0;
    for (int y = box.y; y < box.y + box.h; ++y)
        for (int x = box.x; x < box.x + box.w; ++x) {
            int cell = cellAt(x, y);
            Uint16 expected = pixel(cell == 4 ? fillColour : cellColours[cell]);
            wrong += pixelAt(screen, x, y) != expected;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(newLines(), Lines{});
    inside->release();
    bevels->release();
}

TEST_F(DialogDrawing, BevelSheetWithMissingCellsSkipsEachOneWithItsLine)
{
    ImageList *full = bevelSheet();
    GraphicSurface *sheetSurface = loadImage("/gfx/bevels.tga", 0, 0);
    ASSERT_NE(sheetSurface, nullptr);
    ImageList *five = new ImageList(sheetSurface);
    five->retain();
    for (int cell = 0; cell < 5; ++cell) {
        SDL_Rect rect = {Sint16((cell % 3) * 2), Sint16((cell / 3) * 2), 2, 2};
        five->addRect(&rect);
    }
    SDL_Rect box = {20, 20, 9, 7};
    bevelBox(&box, nullptr, five);
    EXPECT_EQ(newLines(), (Lines{"ERROR: ImageList->blitImage (7): bad index", "ERROR: ImageList->blitImage (5): bad index",
                                 "ERROR: ImageList->blitImage (6): bad index",
                                 "ERROR: ImageList->blitImage (8): bad index"}));

    firstLine = Console::totalLines();
    ImageList *none = new ImageList(sheetSurface);
    none->retain();
    showDialog(SDL_TRUE, &box, nullptr, nullptr);
    bevelBox(&box, nullptr, none);
    Lines expected = {"ERROR: ImageList->width (0): bad index", "ERROR: ImageList->height (0): bad index"};
    for (int cell : {1, 7, 3, 5, 0, 2, 6, 8})
        expected.push_back("ERROR: ImageList->blitImage (" + std::to_string(cell) + "): bad index");
    EXPECT_EQ(newLines(), expected);
    none->release();
    five->release();
    full->release();
}

TEST_F(DialogDrawing, ButtonSheetIsFourStackedCellsWithMagentaTransparent)
{
    std::vector<Rgb> pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 3; ++x)
            pixels.push_back(y == 2 && x == 1 ? magenta : cellColours[y / 2]);
    std::string name = put("/gfx/buttons/test.tga", tgaFromRgb(3, 8, rgbBytes(pixels)));
    ImageList *buttons = loadButtonImages(name.c_str());
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->retainCount(), 1);
    ASSERT_EQ(buttons->count(), 4u);

    showButton(buttons, 1, 50, 60);
    ASSERT_EQ(RenderQueue::globalRenderQueue()->count(), 1);
    EXPECT_TRUE(sameRect(RenderQueue::globalRenderQueue()->rectAt(0), SDL_Rect{50, 60, 3, 2}));
    EXPECT_TRUE(sameRect(changedArea(), SDL_Rect{50, 60, 3, 2}));
    EXPECT_EQ(pixelAt(screen, 50, 60), pixel(cellColours[1]));
    EXPECT_EQ(pixelAt(screen, 51, 60), pixel(cleared)) << "magenta is transparent";
    EXPECT_EQ(pixelAt(screen, 52, 61), pixel(cellColours[1]));

    showButton(buttons, 4, 50, 60);
    showButton(nullptr, 0, 50, 60);
    EXPECT_EQ(RenderQueue::globalRenderQueue()->count(), 1);
    EXPECT_EQ(newLines(), Lines{"ERROR: ImageList->blitImage (4): bad index"});
    buttons->release();

    firstLine = Console::totalLines();
    EXPECT_EQ(loadButtonImages("/gfx/buttons/none.tga"), nullptr);
    ASSERT_EQ(newLines().size(), 1u);
    EXPECT_EQ(newLines()[0].rfind("tgaImageFromFile ('/gfx/buttons/none.tga'): ", 0), 0u) << newLines()[0];
}
