// The skin loader through loadSkin on real files: skin files written from bytes, with small TGA images and a
// font in a temporary data directory, on a 16-bit screen of SDL's dummy driver. Covers the file's length rules,
// every failure message, what each kind of part becomes (colour keys, grid cuts), the sharing of cached images
// and the references released on every failure path.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ConfigTable.h"
#include "Console.h"
#include "Font.h"
#include "FontManager.h"
#include "FontWriter.h"
#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageManager.h"
#include "ImageWriters.h"
#include "LittleEndian.h"
#include "Memory.h"
#include "NFILoader.h"
#include "SkinLoader.h"
#include "TestSupport.h"
#include "Video.h"

namespace fs = std::filesystem;

namespace {

// One part record as the file stores it.
struct Part {
    Sint32 type;
    std::string file;
    std::vector<Uint8> rgb = {0, 0, 0, 0, 0, 0};
    Uint32 transparent = 0;
    Uint32 vertical = 0;
};

std::string recordBytes(const Part &part)
{
    std::string name = part.file;
    name.resize(256, '\0');
    std::string out = le32(static_cast<Uint32>(part.type)) + name;
    for (Uint8 c : part.rgb)
        out.push_back(static_cast<char>(c));
    return out + le32(part.transparent) + le32(part.vertical);
}

std::string skinBytes(const std::vector<Part> &parts)
{
    std::string out;
    for (const Part &part : parts)
        out += recordBytes(part);
    return out;
}

// Colours that the 16-bit 5-6-5 screen holds exactly.
struct Rgb {
    Uint8 r, g, b;
};
const Rgb cellColours[4] = {{248, 0, 0}, {0, 252, 0}, {0, 0, 248}, {248, 252, 0}};
const Rgb plain = {64, 128, 192};

// A width x height TGA whose pixels are all one colour.
Bytes solidTga(Uint16 width, Uint16 height, Rgb colour)
{
    Bytes rgb;
    for (int i = 0; i < width * height; ++i) {
        rgb.push_back(colour.r);
        rgb.push_back(colour.g);
        rgb.push_back(colour.b);
    }
    return tgaBytes(tgaFromRgb(width, height, rgb));
}

// A sheet of four 2 x 2 cells in cellColours, side by side or stacked.
Bytes fourCellTga(bool stacked)
{
    Uint16 width = stacked ? 2 : 8, height = stacked ? 8 : 2;
    Bytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb &c = cellColours[stacked ? y / 2 : x / 2];
            rgb.push_back(c.r);
            rgb.push_back(c.g);
            rgb.push_back(c.b);
        }
    return tgaBytes(tgaFromRgb(width, height, rgb));
}

class SkinLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        quietConsole();
        Console::destroyConsole();
        root = makeScratchDirectory("skin");
        ASSERT_FALSE(root.empty());
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen = SDL_SetVideoMode(800, 600, 16, 0);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        NFILoader::globalLoader()->addDataPath(root.c_str());

        writeData("/gfx/skins/t/cap-on.tga", solidTga(4, 6, plain));
        writeData("/gfx/skins/t/cap-off.tga", solidTga(4, 6, plain));
        writeData("/gfx/skins/t/buttons-across.tga", fourCellTga(false));
        writeData("/gfx/skins/t/buttons-down.tga", fourCellTga(true));
        writeData("/gfx/skins/t/bevels.tga", solidTga(6, 6, {255, 0, 255}));
        writeData("/gfx/skins/t/bevels-off.tga", solidTga(6, 6, plain));
        writeData("/gfx/skins/t/back.tga", solidTga(4, 4, plain));
        writeData("/gfx/skins/t/picture.raw", std::string(4 * 4 * 3, '\x40'));
        // Point size 0, as the skin asks for it, so that the font cache finds the skin's fonts again.
        fontfile::Font font = fontfile::patternedFont(6, [](Uint32) { return 3u; });
        font.pointSize = 0;
        writeData("/gfx/fonts/caption.font", font.bytes());
    }

    void TearDown() override
    {
        ImageManager::destroyImageManager();
        FontManager::destroyFontManager();
        delete NFILoader::globalLoader();
        SDL_Quit();
        screen = nullptr;
        Console::destroyConsole();
        fs::remove_all(root);
    }

    void writeData(const std::string &dataName, const std::string &bytes)
    {
        fs::path file = root + dataName;
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void writeData(const std::string &dataName, const Bytes &bytes)
    {
        writeData(dataName, std::string(bytes.begin(), bytes.end()));
    }

    // A skin whose every part loads, one of each kind and both button orientations.
    static std::vector<Part> goodParts()
    {
        return {
            {SKINPART_TILE, "t/cap-on.tga"},
            {SKINPART_BUTTON, "t/buttons-across.tga", {0, 0, 0, 0, 0, 0}, 1, 0},
            {SKINPART_BEVEL, "t/bevels.tga", {0, 0, 0, 0, 0, 0}, 1, 0},
            {SKINPART_FONT, "caption.font", {248, 252, 248, 8, 16, 24}},
            {SKINPART_TILE, "t/cap-off.tga"},
            {SKINPART_BUTTON, "t/buttons-down.tga", {0, 0, 0, 0, 0, 0}, 0, 1},
            {SKINPART_BEVEL, "t/bevels-off.tga"},
            {SKINPART_FONT, "caption.font", {200, 200, 200, 40, 40, 40}},
            {SKINPART_TILE, "t/back.tga"},
            {SKINPART_BEVEL, "t/bevels.tga", {0, 0, 0, 0, 0, 0}, 1, 0},
        };
    }

    void writeSkin(const std::string &bytes) { writeData("/gfx/skins/s.skin", bytes); }
    void writeSkin(const std::vector<Part> &parts) { writeSkin(skinBytes(parts)); }

    bool logged(const std::string &line) const
    {
        for (Sint32 i = 0; i < Console::totalLines(); ++i)
            if (line == Console::lineAtIndex(i))
                return true;
        return false;
    }

    std::string consoleText() const
    {
        std::string text;
        for (Sint32 i = 0; i < Console::totalLines(); ++i)
            text += std::string(Console::lineAtIndex(i)) + "\n";
        return text;
    }

    // The skin file's handle was closed: the lowest free handle is 0 again.
    bool skinFileClosed()
    {
        NFIHandle handle = NFILoader::globalLoader()->openFile("/gfx/skins/t/back.tga");
        NFILoader::globalLoader()->closeFile(handle);
        return handle == 0;
    }

    // The reference count of a cached image; 0 when the cache does not hold it. Looks without loading.
    Sint32 cachedCount(const std::string &file)
    {
        std::string name = "/gfx/skins/" + file;
        Uint32 before = ImageManager::globalManager()->count();
        GraphicSurface *image = ImageManager::getImage(name.c_str());
        if (ImageManager::globalManager()->count() != before)
            return 0;
        return image ? image->retainCount() : 0;
    }

    Uint16 screenPixel(int x, int y)
    {
        SDL_LockSurface(screen);
        Uint16 value = static_cast<Uint16 *>(screen->pixels)[y * (screen->pitch / 2) + x];
        SDL_UnlockSurface(screen);
        return value;
    }
    Uint16 mapped(const Rgb &c) { return static_cast<Uint16>(SDL_MapRGB(screen->format, c.r, c.g, c.b)); }

    std::string root;
};

// --- The file ---------------------------------------------------------------------------------------------

TEST_F(SkinLoader, SkinOfExactlyTenRecordsLoadsEveryPart)
{
    std::string bytes = skinBytes(goodParts());
    ASSERT_EQ(bytes.size(), 2740u);
    writeSkin(bytes);

    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    EXPECT_STREQ(skin->getName(), "s");
    EXPECT_EQ(skin->getCaptionBack(SDL_TRUE), ImageManager::getImage("/gfx/skins/t/cap-on.tga"));
    EXPECT_EQ(skin->getCaptionBack(SDL_FALSE), ImageManager::getImage("/gfx/skins/t/cap-off.tga"));
    EXPECT_EQ(skin->getDialogBack(), ImageManager::getImage("/gfx/skins/t/back.tga"));
    ASSERT_NE(skin->getCaptionButton(SDL_TRUE), nullptr);
    ASSERT_NE(skin->getCaptionButton(SDL_FALSE), nullptr);
    ASSERT_NE(skin->getCaptionBevels(SDL_TRUE), nullptr);
    ASSERT_NE(skin->getCaptionBevels(SDL_FALSE), nullptr);
    ASSERT_NE(skin->getDialogBevels(), nullptr);
    EXPECT_NE(skin->getCaptionBevels(SDL_TRUE), skin->getDialogBevels());  // each part cuts its own list
    EXPECT_EQ(skin->getCaptionFont(SDL_TRUE, 0), FontManager::getFont("/gfx/fonts/caption.font", 0, 248, 252, 248));
    EXPECT_EQ(skin->getCaptionFont(SDL_TRUE, 1), FontManager::getFont("/gfx/fonts/caption.font", 0, 8, 16, 24));
    EXPECT_EQ(skin->getCaptionFont(SDL_FALSE, 0), FontManager::getFont("/gfx/fonts/caption.font", 0, 200, 200, 200));
    EXPECT_EQ(skin->getCaptionFont(SDL_FALSE, 1), FontManager::getFont("/gfx/fonts/caption.font", 0, 40, 40, 40));
    EXPECT_EQ(skin->getCaptionFont(SDL_TRUE, 2), nullptr);
    EXPECT_TRUE(skinFileClosed());
    delete skin;
}

TEST_F(SkinLoader, BytesAfterTheTenthRecordAreIgnored)
{
    writeSkin(skinBytes(goodParts()) + std::string(500, '\x07'));
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    EXPECT_TRUE(skinFileClosed());
    delete skin;
}

TEST_F(SkinLoader, ShortFileFailsAtTheFieldItEndsIn)
{
    const std::string whole = skinBytes(goodParts());
    const struct {
        size_t length;
        const char *field;
    } cuts[] = {
        {0, "type"},
        {2739, "vertical"},
        {274 * 3 + 2, "type"},
        {274 * 3 + 4 + 255, "filename"},
        {274 * 9 + 260 + 5, "rgb"},
        {274 * 9 + 266 + 3, "transparent"},
        {274 * 9 + 270, "vertical"},
    };
    for (const auto &cut : cuts) {
        Console::clearBuffer();
        writeSkin(whole.substr(0, cut.length));
        EXPECT_EQ(loadSkin("s"), nullptr) << cut.length;
        EXPECT_TRUE(logged(std::string("loadSkin ('s'): Error reading skin part field ") + cut.field))
            << cut.length << "\n" << consoleText();
        EXPECT_TRUE(skinFileClosed()) << cut.length;
        EXPECT_EQ(ImageManager::globalManager()->count(), 0u) << "no part is loaded before the file is read whole";
    }
}

TEST_F(SkinLoader, MissingSkinNamesTheDataFileItLookedFor)
{
    EXPECT_EQ(loadSkin("nosuch"), nullptr);
    EXPECT_TRUE(logged("loadSkin ('/gfx/skins/nosuch.skin'): Unable to open skin file")) << consoleText();
}

TEST_F(SkinLoader, SkinIsReadThroughAnArchiveToo)
{
    writeSkin(goodParts());
    std::string bytes;
    {
        std::ifstream in(root + "/gfx/skins/s.skin", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove(root + "/gfx/skins/s.skin");
    // One member placed right after the 13-byte header, the directory after it.
    std::string name = "/gfx/skins/s.skin";
    name.resize(260, '\0');
    Uint32 dirOffs = 13 + static_cast<Uint32>(bytes.size());
    std::string archive = std::string("NFI\0", 4) + '\x01' + le32(0) + le32(dirOffs) + bytes + le32(1) + le32(0) +
                          name + le32(13) + le32(static_cast<Uint32>(bytes.size())) + std::string(8, '\0');
    writeData("/skins.nfi", archive);
    ASSERT_EQ(NFILoader::globalLoader()->addNFIFile((root + "/skins.nfi").c_str()), SDL_TRUE);

    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    delete skin;
}

// --- Parts that cannot be loaded ------------------------------------------------------------------------------

TEST_F(SkinLoader, EveryPartThatCannotBeLoadedNamesItsKindAndSlot)
{
    const char *kinds[] = {"tile graphic", "button graphic", "bevel graphic", "font",
                           "tile graphic", "button graphic", "bevel graphic", "font",
                           "tile graphic", "bevel graphic"};
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot) {
        Console::clearBuffer();
        std::vector<Part> parts = goodParts();
        parts[slot].file = "t/missing.tga";
        if (parts[slot].type == SKINPART_FONT)
            parts[slot].file = "missing.font";
        writeSkin(parts);
        EXPECT_EQ(loadSkin("s"), nullptr);
        std::string expected = std::string("loadSkin ('s') : Error loading ") + kinds[slot] + " for " + skinSlotLabel(slot);
        EXPECT_TRUE(logged(expected)) << expected << "\n" << consoleText();
    }
}

TEST_F(SkinLoader, RawImagePartFailsWithItsKindsMessage)
{
    const struct {
        int slot;
        const char *line;
    } cases[] = {
        {0, "loadSkin ('s') : Error loading tile graphic for enabled caption background"},
        {1, "loadSkin ('s') : Error loading button graphic for enabled caption button"},
        {9, "loadSkin ('s') : Error loading bevel graphic for dialog bevels"},
    };
    for (const auto &c : cases) {
        Console::clearBuffer();
        std::vector<Part> parts = goodParts();
        parts[c.slot].file = "t/picture.raw";
        writeSkin(parts);
        EXPECT_EQ(loadSkin("s"), nullptr);
        EXPECT_TRUE(logged(c.line)) << consoleText();
    }
}

TEST_F(SkinLoader, FileNameFillingItsWholeFieldIsUsedWithoutReadingPastIt)
{
    std::vector<Part> parts = goodParts();
    parts[0].file = std::string(256, 'a');
    writeSkin(parts);
    EXPECT_EQ(loadSkin("s"), nullptr);
    EXPECT_TRUE(logged("loadSkin ('s') : Error loading tile graphic for enabled caption background")) << consoleText();
}

TEST_F(SkinLoader, FailingFourthPartReleasesWhatTheFirstThreeTook)
{
    std::vector<Part> parts = goodParts();
    parts[3].file = "missing.font";
    writeSkin(parts);
    Console::clearBuffer();
    Uint32 before = totalAllocatedMemory();

    EXPECT_EQ(loadSkin("s"), nullptr);
    EXPECT_TRUE(logged("loadSkin ('s') : Error loading font for enabled caption font")) << consoleText();
    // The three images stay cached, each held by the cache alone: the tile's reference and the two image
    // lists (with their references to their surfaces) are gone.
    EXPECT_EQ(ImageManager::globalManager()->count(), 3u);
    EXPECT_EQ(cachedCount("t/cap-on.tga"), 1);
    EXPECT_EQ(cachedCount("t/buttons-across.tga"), 1);
    EXPECT_EQ(cachedCount("t/bevels.tga"), 1);
    EXPECT_EQ(cachedCount("t/cap-off.tga"), 0) << "later parts are not loaded";

    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(SkinLoader, DamagedFontFileFailsItsPartAndReleasesTheEarlierFonts)
{
    std::vector<Part> parts = goodParts();
    fontfile::Font font = fontfile::patternedFont(6, [](Uint32) { return 3u; });
    writeData("/gfx/fonts/short.font", font.bytes().substr(0, 100));
    parts[7].file = "short.font";
    writeSkin(parts);
    EXPECT_EQ(loadSkin("s"), nullptr);
    EXPECT_TRUE(logged("loadSkin ('s') : Error loading font for disabled caption font")) << consoleText();
    // The enabled caption font's two fonts are released: only the cache holds them now.
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/caption.font", 0, 248, 252, 248)->retainCount(), 1);
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/caption.font", 0, 8, 16, 24)->retainCount(), 1);
}

TEST_F(SkinLoader, DeletingTheSkinReleasesEveryReferenceItTook)
{
    writeSkin(goodParts());
    Console::clearBuffer();
    Uint32 before = totalAllocatedMemory();
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(cachedCount("t/cap-on.tga"), 2);
    EXPECT_EQ(skin->getCaptionFont(SDL_TRUE, 0)->retainCount(), 2);
    delete skin;
    EXPECT_EQ(cachedCount("t/cap-on.tga"), 1);
    EXPECT_EQ(cachedCount("t/buttons-across.tga"), 1);
    EXPECT_EQ(cachedCount("t/bevels.tga"), 1);
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/caption.font", 0, 248, 252, 248)->retainCount(), 1);

    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), before);
}

// --- What each kind of part becomes ------------------------------------------------------------------------------

TEST_F(SkinLoader, PartOfAnUnknownKindLoadsNothingAndDoesNotFail)
{
    std::vector<Part> parts = goodParts();
    parts[4] = {7, "t/cap-off.tga"};
    parts[5] = {7, ""};
    writeSkin(parts);
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    EXPECT_EQ(skin->getCaptionBack(SDL_FALSE), nullptr);
    EXPECT_EQ(skin->getCaptionButton(SDL_FALSE), nullptr);
    EXPECT_EQ(cachedCount("t/cap-off.tga"), 0);
    delete skin;
}

TEST_F(SkinLoader, ColourKeyIsSetOnTransparentBevelAndButtonSheetsOnly)
{
    std::vector<Part> parts = goodParts();
    parts[0].transparent = 1;  // a tile: ignored
    parts[1].transparent = 0x100;  // any non-zero value counts
    parts[2].transparent = 1;
    parts[5].transparent = 0;
    parts[6].transparent = 0;
    writeSkin(parts);
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();

    Uint32 magenta = SDL_MapRGB(screen->format, 255, 0, 255);
    auto keyed = [&](const char *file) {
        SDL_Surface *surface = ImageManager::getImage((std::string("/gfx/skins/") + file).c_str())->getSurface();
        return (surface->flags & SDL_SRCCOLORKEY) != 0 && surface->format->colorkey == magenta;
    };
    EXPECT_FALSE(keyed("t/cap-on.tga"));
    EXPECT_TRUE(keyed("t/buttons-across.tga"));
    EXPECT_TRUE(keyed("t/bevels.tga"));
    EXPECT_FALSE(keyed("t/buttons-down.tga"));
    EXPECT_FALSE(keyed("t/bevels-off.tga"));
    delete skin;
}

TEST_F(SkinLoader, ButtonSheetsAreCutFourAcrossOrFourDown)
{
    writeSkin(goodParts());
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    ImageList *across = skin->getCaptionButton(SDL_TRUE);
    ImageList *down = skin->getCaptionButton(SDL_FALSE);
    ASSERT_EQ(across->count(), 4u);
    ASSERT_EQ(down->count(), 4u);
    for (Uint32 cell = 0; cell < 4; ++cell) {
        EXPECT_EQ(across->width(cell), 2);
        EXPECT_EQ(across->height(cell), 2);
        EXPECT_EQ(down->width(cell), 2);
        EXPECT_EQ(down->height(cell), 2);
        // Drawn, each cell shows its own colour, so the cells lie where the orientation puts them.
        across->blitImage(cell, 10, 10);
        down->blitImage(cell, 20, 10);
        EXPECT_EQ(screenPixel(11, 11), mapped(cellColours[cell])) << "across, cell " << cell;
        EXPECT_EQ(screenPixel(21, 11), mapped(cellColours[cell])) << "down, cell " << cell;
    }
    delete skin;
}

TEST_F(SkinLoader, BevelSheetsAreCutIntoNineCells)
{
    writeSkin(goodParts());
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    EXPECT_EQ(skin->getCaptionBevels(SDL_TRUE)->count(), 9u);
    EXPECT_EQ(skin->getDialogBevels()->count(), 9u);
    EXPECT_EQ(skin->getDialogBevels()->width(8), 2);
    EXPECT_EQ(skin->getDialogBevels()->height(8), 2);
    delete skin;
}

TEST_F(SkinLoader, PartsNamingOneImageShareOneCachedSurface)
{
    std::vector<Part> parts = goodParts();
    parts[4].file = "t/cap-on.tga";  // both caption backgrounds
    writeSkin(parts);
    EngineSkin *skin = loadSkin("s");
    ASSERT_NE(skin, nullptr) << consoleText();
    EXPECT_EQ(skin->getCaptionBack(SDL_TRUE), skin->getCaptionBack(SDL_FALSE));
    // The cache, and each of the two tile parts.
    EXPECT_EQ(cachedCount("t/cap-on.tga"), 3);
    // The enabled caption bevels and the dialog bevels: the cache and each part's image list.
    EXPECT_EQ(cachedCount("t/bevels.tga"), 3);
    delete skin;
    EXPECT_EQ(cachedCount("t/cap-on.tga"), 1);
    EXPECT_EQ(cachedCount("t/bevels.tga"), 1);
}

// --- A part of the wrong kind in a slot -------------------------------------------------------------------------

TEST_F(SkinLoader, PartOfAnotherKindInASlotIsRefusedNamingTheSlot)
{
    const char *kindNames[] = {"tile", "bevel", "button", "font"};
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot) {
        Console::clearBuffer();
        std::vector<Part> parts = goodParts();
        Sint32 wrong = (skinSlotType(slot) + 1) % 4;
        parts[slot].type = wrong;
        writeSkin(parts);
        EXPECT_EQ(loadSkin("s"), nullptr) << slot;
        std::string expected = "loadSkin ('s'): the " + std::string(skinSlotLabel(slot)) + " slot (part " +
                               std::to_string(slot) + ") holds a " + kindNames[wrong] + " part, not a " +
                               kindNames[skinSlotType(slot)] + " part";
        EXPECT_TRUE(logged(expected)) << expected << "\n" << consoleText();
        EXPECT_TRUE(skinFileClosed());
        EXPECT_EQ(ImageManager::globalManager()->count(), 0u) << "refused before any part is loaded";
    }
}

TEST_F(SkinLoader, FontWhereTheCaptionBackgroundBelongsLeavesNothingHeld)
{
    std::vector<Part> parts = goodParts();
    parts[0] = {SKINPART_FONT, "caption.font", {1, 2, 3, 4, 5, 6}};
    writeSkin(parts);
    Console::clearBuffer();
    Uint32 before = totalAllocatedMemory();
    EXPECT_EQ(loadSkin("s"), nullptr);
    EXPECT_TRUE(logged("loadSkin ('s'): the enabled caption background slot (part 0) holds a font part, not a "
                       "tile part"))
        << consoleText();
    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), before);
}

}  // namespace
