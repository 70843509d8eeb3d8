// The demonstration scene of the real program with the shipped skin, under a private X server: the captured
// window is compared with what the drawing rules make of the skin's own images (read from the build's
// archive), pixel by pixel on a grid over both dialogs and around them, and the caption texts are looked for
// in their bands. Escape then ends the run cleanly. A missing or damaged skin, or a damaged button image,
// are run too. Also makes docs/screenshot.png when ZARVELLO_SCREENSHOT names a file to write.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "NFILoader.h"
#include "RunDirectory.h"
#include "SkinLoader.h"
#include "TgaLoader.h"
#include "XServer.h"

namespace {

using Pixel = CapturedImage::Pixel;

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Uint8> rgb;
    Pixel at(int x, int y) const
    {
        const Uint8 *p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

bool isKey(const Pixel &p)
{
    return p.r == 255 && p.g == 0 && p.b == 255;
}

// A sheet cut into a grid, as the skin loader and the scene cut them.
struct Sheet {
    Image image;
    int columns = 1;
    int rows = 1;
    int cellWidth() const { return image.width / columns; }
    int cellHeight() const { return image.height / rows; }
    Pixel cell(int index, int x, int y) const
    {
        return image.at((index % columns) * cellWidth() + x, (index / columns) * cellHeight() + y);
    }
};

struct Rect {
    int x, y, w, h;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// What the program draws, read back from the shipped data the way the engine reads it.
struct ShippedSkin {
    Image captionBack[2];  // [0] disabled, [1] enabled
    Sheet captionBevels[2];
    Sheet captionButton[2];
    Pixel fontColour[2][2];  // [enabled][0 main, 1 shadow]
    Uint32 charHeight[2] = {0, 0};
    Image dialogBack;
    Sheet dialogBevels;
    Sheet pushButton;
    std::string dialogBevelsFile;  // the data name of the dialog bevel sheet
    bool loaded = false;
};

bool readImage(const std::string &name, Image &image)
{
    Uint16 width = 0, height = 0;
    Uint8 *data = targaImageFromFile(name.c_str(), width, height);
    if (!data)
        return false;
    image.width = width;
    image.height = height;
    image.rgb.assign(data, data + static_cast<size_t>(width) * height * 3);
    delete[] data;
    return true;
}

ShippedSkin readShippedSkin()
{
    logConsole = SDL_FALSE;
    displayConsole = SDL_FALSE;
    ShippedSkin skin;
    NFILoader *loader = NFILoader::globalLoader();
    loader->addDataPath((std::string(ZARVELLO_BUILD_DIR) + "/data").c_str());
    NFIHandle handle = loader->openFile("/gfx/skins/default.skin");
    std::string bytes(skinFileSize, '\0');
    bool ok = handle >= 0 && loader->readByteStream(handle, bytes.data(), skinFileSize) == SDL_TRUE;
    loader->closeFile(handle);
    for (int slot = 0; ok && slot < SKINSLOT_COUNT; ++slot) {
        const char *record = bytes.data() + slot * skinPartRecordSize;
        std::string file(record + 4, strnlen(record + 4, 256));
        const Uint8 *rgb = reinterpret_cast<const Uint8 *>(record + 260);
        bool vertical = record[270] || record[271] || record[272] || record[273];
        int enabled = slot < 4 ? 1 : 0;
        std::string image = "/gfx/skins/" + file;
        switch (slot) {
        case SKINSLOT_ENABLED_CAPTION_BACK:
        case SKINSLOT_DISABLED_CAPTION_BACK:
            ok = readImage(image, skin.captionBack[enabled]);
            break;
        case SKINSLOT_ENABLED_CAPTION_BUTTON:
        case SKINSLOT_DISABLED_CAPTION_BUTTON:
            ok = readImage(image, skin.captionButton[enabled].image);
            skin.captionButton[enabled].columns = vertical ? 1 : 4;
            skin.captionButton[enabled].rows = vertical ? 4 : 1;
            break;
        case SKINSLOT_ENABLED_CAPTION_BEVELS:
        case SKINSLOT_DISABLED_CAPTION_BEVELS:
            ok = readImage(image, skin.captionBevels[enabled].image);
            skin.captionBevels[enabled].columns = skin.captionBevels[enabled].rows = 3;
            break;
        case SKINSLOT_ENABLED_CAPTION_FONT:
        case SKINSLOT_DISABLED_CAPTION_FONT: {
            skin.fontColour[enabled][0] = {rgb[0], rgb[1], rgb[2]};
            skin.fontColour[enabled][1] = {rgb[3], rgb[4], rgb[5]};
            NFIHandle font = loader->openFile(("/gfx/fonts/" + file).c_str());
            ok = font >= 0 && loader->seek(font, 35, SEEK_SET) && loader->readINT4(font, &skin.charHeight[enabled]);
            loader->closeFile(font);
            break;
        }
        case SKINSLOT_DIALOG_BACK:
            ok = readImage(image, skin.dialogBack);
            break;
        case SKINSLOT_DIALOG_BEVELS:
            skin.dialogBevelsFile = image;
            ok = readImage(image, skin.dialogBevels.image);
            skin.dialogBevels.columns = skin.dialogBevels.rows = 3;
            break;
        }
    }
    ok = ok && readImage("/gfx/buttons/rectangle/medium.tga", skin.pushButton.image);
    skin.pushButton.rows = 4;
    delete loader;
    Console::destroyConsole();
    skin.loaded = ok;
    return skin;
}

// Where the caption text of a dialog may lie: from the bevel to the caption button, in the text's band.
struct Layout {
    Rect dialog, caption, body, captionButton, textBand, pushButton;
};

Layout layoutOf(const ShippedSkin &skin, int enabled, int x, int y)
{
    Layout l;
    int captionHeight = skin.captionBack[enabled].height;
    int bevelWidth = skin.captionBevels[enabled].cellWidth();
    const Sheet &button = skin.captionButton[enabled];
    l.dialog = {x, y, 250, 200};
    l.caption = {x, y, 250, captionHeight};
    l.body = {x, y + captionHeight, 250, 200 - captionHeight};
    l.captionButton = {x + 250 - (button.cellWidth() + bevelWidth), y + captionHeight / 2 - button.cellHeight() / 2,
                       button.cellWidth(), button.cellHeight()};
    int textY = y + captionHeight / 2 - static_cast<int>((skin.charHeight[enabled] + 1) / 2);
    l.textBand = {x + bevelWidth, textY, l.captionButton.x - (x + bevelWidth), static_cast<int>(skin.charHeight[enabled]) + 1};
    l.pushButton = {x + 20, y + 55, skin.pushButton.cellWidth(), skin.pushButton.cellHeight()};
    return l;
}

// The colour the bevelled box drawing puts at (px, py), or false when it leaves the pixel alone.
bool bevelBoxAt(const Rect &box, const Image &fill, const Sheet &bevels, int px, int py, Pixel &out)
{
    if (!box.contains(px, py))
        return false;
    out = fill.at((px - box.x) % fill.width, (py - box.y) % fill.height);
    int bw = bevels.cellWidth(), bh = bevels.cellHeight();
    auto layer = [&](int cell, const Rect &area, bool tiled) {
        if (!area.contains(px, py) || !box.contains(px, py))
            return;
        int cx = px - area.x, cy = py - area.y;
        if (tiled) {
            cx %= bw;
            cy %= bh;
        }
        Pixel p = bevels.cell(cell, cx, cy);
        if (!isKey(p))
            out = p;
    };
    layer(1, {box.x, box.y, box.w, bh}, true);
    layer(7, {box.x, box.y + box.h - bh, box.w, bh}, true);
    layer(3, {box.x, box.y, bw, box.h}, true);
    layer(5, {box.x + box.w - bw, box.y, bw, box.h}, true);
    layer(0, {box.x, box.y, bw, bh}, false);
    layer(2, {box.x + box.w - bw, box.y, bw, bh}, false);
    layer(6, {box.x, box.y + box.h - bh, bw, bh}, false);
    layer(8, {box.x + box.w - bw, box.y + box.h - bh, bw, bh}, false);
    return true;
}

// The scene's colour at (px, py), text left out; false outside both dialogs.
bool sceneAt(const ShippedSkin &skin, const Layout layouts[2], int px, int py, Pixel &out)
{
    for (int enabled = 0; enabled < 2; ++enabled) {
        const Layout &l = layouts[enabled];
        if (!l.dialog.contains(px, py))
            continue;
        bevelBoxAt(l.caption, skin.captionBack[enabled], skin.captionBevels[enabled], px, py, out);
        bevelBoxAt(l.body, skin.dialogBack, skin.dialogBevels, px, py, out);
        if (l.captionButton.contains(px, py)) {
            Pixel p = skin.captionButton[enabled].cell(1, px - l.captionButton.x, py - l.captionButton.y);
            if (!isKey(p))
                out = p;
        }
        if (l.pushButton.contains(px, py)) {
            Pixel p = skin.pushButton.cell(enabled ? 1 : 0, px - l.pushButton.x, py - l.pushButton.y);
            if (!isKey(p))
                out = p;
        }
        return true;
    }
    return false;
}

// The 16-bit display keeps the top 5, 6 and 5 bits; the capture may refill the low bits.
bool sameOnScreen(const Pixel &expected, const Pixel &seen)
{
    auto close = [](int want, int bits, int got) {
        int kept = want & (0xFF << (8 - bits)) & 0xFF;
        return got >= kept && got <= kept + (0xFF >> bits);
    };
    return close(expected.r, 5, seen.r) && close(expected.g, 6, seen.g) && close(expected.b, 5, seen.b);
}

std::string describe(const Pixel &p)
{
    return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
}

class Scene : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skin = new ShippedSkin(readShippedSkin()); }
    static void TearDownTestSuite()
    {
        delete skin;
        skin = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(skin->loaded) << "the shipped data in " ZARVELLO_BUILD_DIR "/data cannot be read";
        ASSERT_TRUE(server.running()) << "Xvfb did not start";
        run.setEnv("DISPLAY", server.display());
        // In a sanitizer build, what the X library and SDL keep for good is not the program's leak (that one
        // the program reports itself as "Memory Leak!").
        run.ignoreSystemLibraryLeaks();
        layouts[1] = layoutOf(*skin, 1, 10, 10);
        layouts[0] = layoutOf(*skin, 0, 350, 10);
    }

    void TearDown() override
    {
        if (pid > 0 && !finished)
            run.wait(pid, 1);
    }

    // Starts the program and captures its window once the scene is on it (the body no longer shows the
    // cleared screen).
    void startAndCapture()
    {
        pid = run.start({"-windowed"});
        window = server.findWindow("^Zarvello$", 30000, pid);
        ASSERT_FALSE(window.empty()) << run.standardErrorSoFar(pid);
        for (int attempt = 0; attempt < 100; ++attempt) {
            pause(100);
            if (!server.captureWindow(window, shot))
                continue;
            if (shot.width == 800 && shot.height == 600 && !(shot.at(100, 150) == shot.at(790, 590)))
                break;
        }
        ASSERT_EQ(shot.width, 800);
        ASSERT_EQ(shot.height, 600);
    }

    RunResult escape()
    {
        server.sendKey(window, "Escape");
        finished = true;
        return run.wait(pid, 30);
    }

    // Compares every 3rd pixel of the area around and inside both dialogs with the drawing rules, leaving out
    // the caption text bands; returns the number of mismatches (and reports the first few).
    int compareScene(bool withPushButtons)
    {
        Pixel cleared = shot.at(790, 590);
        int mismatches = 0;
        for (int y = 0; y < 240; y += 3)
            for (int x = 0; x < 640; x += 3) {
                if (layouts[0].textBand.contains(x, y) || layouts[1].textBand.contains(x, y))
                    continue;
                Pixel want = cleared;
                Layout shown[2] = {layouts[0], layouts[1]};
                if (!withPushButtons)
                    shown[0].pushButton = shown[1].pushButton = {0, 0, 0, 0};
                bool inside = sceneAt(*skin, shown, x, y, want);
                Pixel seen = shot.at(x, y);
                bool same = inside ? sameOnScreen(want, seen) : seen == cleared;
                if (!same && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << describe(seen) << ", expected "
                                  << describe(want) << (inside ? "" : " (the cleared screen)");
            }
        return mismatches;
    }

    // Pixels of the band that show colour (within the 16-bit precision).
    int pixelsOfColour(const Rect &band, const Pixel &colour)
    {
        int count = 0;
        for (int y = band.y; y < band.y + band.h; ++y)
            for (int x = band.x; x < band.x + band.w; ++x)
                count += sameOnScreen(colour, shot.at(x, y));
        return count;
    }

    static ShippedSkin *skin;
    XServer server;
    RunDirectory run;
    Layout layouts[2];
    pid_t pid = 0;
    bool finished = false;
    std::string window;
    CapturedImage shot;
};

ShippedSkin *Scene::skin = nullptr;

TEST_F(Scene, TwoDialogsAreDrawnByTheRulesFromTheShippedSkin)
{
    startAndCapture();
    EXPECT_EQ(layouts[1].dialog.x + layouts[1].dialog.w - 1, 259);
    EXPECT_EQ(layouts[0].dialog.x + layouts[0].dialog.w - 1, 599);
    EXPECT_EQ(compareScene(true), 0);

    // The rest of the screen keeps the cleared colour.
    Pixel cleared = shot.at(790, 590);
    int changed = 0;
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 7)
            if (!layouts[0].dialog.contains(x, y) && !layouts[1].dialog.contains(x, y))
                changed += !(shot.at(x, y) == cleared);
    EXPECT_EQ(changed, 0);

    // Each caption's text, and its shadow, lie in the band the rules give it.
    for (int enabled = 0; enabled < 2; ++enabled) {
        Rect band = layouts[enabled].textBand;
        EXPECT_GT(pixelsOfColour(band, skin->fontColour[enabled][0]), 100) << "main text, enabled " << enabled;
        EXPECT_GT(pixelsOfColour(band, skin->fontColour[enabled][1]), 30) << "shadow, enabled " << enabled;
        Rect above = {band.x, layouts[enabled].caption.y, band.w, band.y - layouts[enabled].caption.y};
        EXPECT_EQ(pixelsOfColour(above, skin->fontColour[enabled][0]), 0) << "nothing above the band";
    }

    if (const char *target = std::getenv("ZARVELLO_SCREENSHOT"))
        server.runCommand("xwd -silent -id " + window + " | convert xwd:- -crop 620x230+0+0 +repage '" + target + "'");

    RunResult result = escape();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

TEST_F(Scene, ButtonImageThatCannotBeLoadedIsLeftOutAndTheRunGoesOn)
{
    run.writeFile("data/gfx/buttons/rectangle/medium.tga", "not an image");
    startAndCapture();
    EXPECT_EQ(compareScene(false), 0);
    RunResult result = escape();
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.contains("tgaImageFromFile ('/gfx/buttons/rectangle/medium.tga'): ")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

TEST(SceneStart, MissingSkinStopsStartUpWithTheLoadersLine)
{
    RunDirectory run;
    run.writeConfig("skin = \"nosuch\"\n");
    RunResult result = run.run();
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('/gfx/skins/nosuch.skin'): Unable to open skin file")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

TEST(SceneStart, DamagedSkinStopsStartUpWithTheLoadersLine)
{
    RunDirectory run;
    // A loose file shadows the archive's member of the same name.
    run.writeFile("data/gfx/skins/default.skin", std::string(100, '\0'));
    RunResult result = run.run();
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('default'): Error reading skin part field filename")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

TEST(SceneStart, SkinMissingOnePartStopsStartUpHavingReleasedTheOthers)
{
    ShippedSkin skin = readShippedSkin();
    ASSERT_TRUE(skin.loaded);
    RunDirectory run;
    run.writeFile("data" + skin.dialogBevelsFile, "damaged");
    RunResult result = run.run();
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('default') : Error loading bevel graphic for dialog bevels"))
        << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

}  // namespace
