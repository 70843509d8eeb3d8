// The font cache through getFont: the data names it makes, what identifies a cached font (data name and colour,
// whatever the size asked for), growth with stable pointers, failed loads that are not remembered, the
// references it holds and gives up, and an index that answers every request as a walk over the fonts in load
// order would, duplicates of a key included, also when every key has the same hash.
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CacheIndexSupport.h"
#include "FontFixture.h"
#include "GraphicSurface.h"
#include "Memory.h"

namespace {

using fontfile::Font;

class FontCache : public FontFixture {
protected:
    // A small font whose header records pointSize.
    static Font fontOfSize(std::uint8_t pointSize)
    {
        Font font = fontfile::patternedFont(5, [](std::uint32_t k) { return 2 + k % 3; });
        font.pointSize = pointSize;
        return font;
    }
};

TEST_F(FontCache, BareNameBecomesTheFontsDataNameWithSpacesAsUnderscores)
{
    writeData("/gfx/fonts/Big_Font_14.font", fontOfSize(14).bytes());
    EngineFont *font = FontManager::getFont("Big Font", 14, 0, 0, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_STREQ(font->getFilename(), "/gfx/fonts/Big_Font_14.font");

    EXPECT_EQ(FontManager::getFont("Big Font", 15, 0, 0, 0), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/gfx/fonts/Big_Font_15.font'): Unable to open font file");
}

TEST_F(FontCache, NameBeginningWithASlashIsTheDataNameWhateverTheSize)
{
    writeData("/fonts/My Font.font", fontOfSize(99).bytes());
    for (Uint8 size : {0, 7, 99}) {
        EngineFont *font = FontManager::getFont("/fonts/My Font.font", size, 1, 2, 3);
        ASSERT_NE(font, nullptr) << int(size);
        EXPECT_STREQ(font->getFilename(), "/fonts/My Font.font");
    }
    EXPECT_EQ(FontManager::getFont("/fonts/My_Font.font", 99, 1, 2, 3), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/fonts/My_Font.font'): Unable to open font file");
}

TEST_F(FontCache, NameLongerThan255CharactersIsCutAndFailsCleanly)
{
    std::string longName(400, 'x');
    EXPECT_EQ(FontManager::getFont(longName.c_str(), 10, 0, 0, 0), nullptr);
    std::string cut = "/gfx/fonts/" + std::string(255 - 11, 'x');
    EXPECT_EQ(lastLine(), "loadFont ('" + cut + "'): Unable to open font file");
    EXPECT_EQ(FontManager::getFont(nullptr, 10, 0, 0, 0), nullptr);
}

TEST_F(FontCache, SameNameSizeAndColourGiveTheSameFontAndAnyOtherColourANewOne)
{
    writeData("/gfx/fonts/Sans_12.font", fontOfSize(12).bytes());
    EngineFont *font = FontManager::getFont("Sans", 12, 10, 20, 30);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->retainCount(), 1);  // the cache's reference; callers borrow
    EXPECT_EQ(FontManager::getFont("Sans", 12, 10, 20, 30), font);
    EngineFont *others[] = {FontManager::getFont("Sans", 12, 10, 20, 31),
                            FontManager::getFont("Sans", 12, 10, 21, 30),
                            FontManager::getFont("Sans", 12, 11, 20, 30)};
    for (EngineFont *other : others) {
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, font);
        EXPECT_NE(other->getSurface(), font->getSurface());  // each colour has its own strip
    }
    EXPECT_EQ(FontManager::getFont("Sans", 12, 10, 20, 31), others[0]);
}

TEST_F(FontCache, DataNameAndColourFindTheOneCachedFontWhateverTheSizeAskedFor)
{
    // The file found under size 14 says it is size 12: it is the one font of that data name all the same.
    writeData("/gfx/fonts/Odd_14.font", fontOfSize(12).bytes());
    EngineFont *first = FontManager::getFont("Odd", 14, 0, 0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FontManager::getFont("Odd", 14, 0, 0, 0), first);
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/Odd_14.font", 3, 0, 0, 0), first);
    EXPECT_EQ(first->size(), 12);

    // A data name asked for in any size is one font; asking again and again never grows the cache.
    writeData("/five.font", fontOfSize(5).bytes());
    EngineFont *five = FontManager::getFont("/five.font", 0, 0, 0, 0);
    ASSERT_NE(five, nullptr);
    const Uint32 held = totalAllocatedMemory();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(FontManager::getFont("/five.font", static_cast<Uint8>(i), 0, 0, 0), five) << i;
    EXPECT_EQ(totalAllocatedMemory(), held);
    EXPECT_EQ(five->retainCount(), 1);
}

TEST_F(FontCache, GrowingPastTenFontsKeepsEveryEarlierFont)
{
    writeData("/f.font", fontOfSize(10).bytes());
    std::vector<EngineFont *> fonts;
    for (Uint8 i = 0; i < 35; ++i) {
        fonts.push_back(FontManager::getFont("/f.font", 10, static_cast<Uint8>(i * 7), 0, 0));
        ASSERT_NE(fonts.back(), nullptr);
    }
    for (Uint8 i = 0; i < 35; ++i) {
        EXPECT_EQ(FontManager::getFont("/f.font", 10, static_cast<Uint8>(i * 7), 0, 0), fonts[i]) << int(i);
        EXPECT_EQ(fonts[i]->retainCount(), 1);
        fillScreen(0);
        fonts[i]->blitText(0, 0, 0, " ");
        EXPECT_EQ(pixel(0, 0), mapped(static_cast<Uint8>(i * 7), 0, 0)) << int(i);
    }
}

TEST_F(FontCache, DestroyingTheCacheFreesItsFontsAndKeepsTheRetainedOnes)
{
    writeData("/f.font", fontOfSize(10).bytes());
    FontManager::globalManager();
    Uint32 baseline = totalAllocatedMemory();
    EngineFont *kept = FontManager::getFont("/f.font", 10, 200, 100, 50);
    ASSERT_NE(kept, nullptr);
    for (Uint8 i = 0; i < 12; ++i)
        ASSERT_NE(FontManager::getFont("/f.font", 10, 2, 2, i), nullptr);
    kept->retain();
    FontManager::destroyFontManager();
    EXPECT_EQ(kept->retainCount(), 1);
    fillScreen(0);
    EXPECT_EQ(kept->blitText(0, 0, 0, " "), 1u);
    EXPECT_EQ(pixel(0, 0), mapped(200, 100, 50));
    kept->release();

    // A new cache loads afresh, and nothing of the old one is left over.
    FontManager::globalManager();
    EXPECT_EQ(totalAllocatedMemory(), baseline);
    EXPECT_NE(FontManager::getFont("/f.font", 10, 200, 100, 50), nullptr);
    FontManager::destroyFontManager();
    FontManager::destroyFontManager();  // a second destroy does nothing
    FontManager::globalManager();
    EXPECT_EQ(totalAllocatedMemory(), baseline);
}

TEST_F(FontCache, ReleasingAFontTheCacheLendsIsAnErrorAndTheFontStays)
{
    writeData("/gfx/fonts/Sans_12.font", fontOfSize(12).bytes());
    EngineFont *font = FontManager::getFont("Sans", 12, 1, 2, 3);
    ASSERT_NE(font, nullptr);
    font->release();
    EXPECT_EQ(lastLine(), "ERROR: release of '/gfx/fonts/Sans_12.font', which a cache lends: it stays until the "
                          "cache lets it go");
    EXPECT_EQ(font->retainCount(), 1);
    EXPECT_EQ(FontManager::getFont("Sans", 12, 1, 2, 3), font);
    fillScreen(0);
    EXPECT_EQ(font->blitText(0, 0, 0, " "), 1u);
    EXPECT_EQ(pixel(0, 0), mapped(1, 2, 3));
}

class FontCacheIndex : public NarrowedCacheHashes<FontCache> {};

INSTANTIATE_TEST_SUITE_P(HashBits, FontCacheIndex, cacheHashMasks(), cacheHashMaskName);

TEST_P(FontCacheIndex, EveryRequestAnswersAsAWalkInLoadOrderWould)
{
    // Data name -> the point size its file records. "Odd" in size 14 is a file that says 12; it is found under its
    // data name whatever the size asked for, like every other.
    const std::map<std::string, Uint8> files = {
        {"/gfx/fonts/Sans_10.font", 10}, {"/gfx/fonts/Sans_12.font", 12},      {"/gfx/fonts/Odd_14.font", 12},
        {"/fonts/Data Font.font", 9},    {"/gfx/fonts/Big_Font_11.font", 11}, {"/gfx/fonts/sans_10.font", 10},
        {"/gfx/fonts/A_Long_Font_Name_For_The_Menus_12.font", 12},
        {"/gfx/fonts/A_Long_Font_Name_For_The_Menus_B_12.font", 12},
    };
    for (const auto &file : files)
        writeData(file.first, fontOfSize(file.second).bytes());
    const std::vector<std::pair<std::string, Uint8>> requests = {
        {"Sans", 10}, {"Sans", 12}, {"Sans", 11}, {"sans", 10}, {"Odd", 14}, {"/gfx/fonts/Odd_14.font", 12},
        {"/gfx/fonts/Odd_14.font", 14}, {"/fonts/Data Font.font", 9}, {"/fonts/Data Font.font", 0},
        {"Big Font", 11}, {"/gfx/fonts/Big_Font_11.font", 11}, {"Gone", 10},
        {"A Long Font Name For The Menus", 12}, {"A Long Font Name For The Menus B", 12},
        {"A Long Font Name For The Menus", 13},
    };
    const Uint8 colours[][3] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {255, 0, 255}};

    struct Cached {
        std::string filename;
        Uint8 size, r, g, b;
        EngineFont *font;
    };
    std::vector<Cached> walked;  // what the cache should hold, in load order
    std::mt19937 random(23);
    for (int request = 0; request < 700; ++request) {
        const auto &[fontName, size] = requests[random() % requests.size()];
        const Uint8 *rgb = colours[random() % (sizeof colours / sizeof colours[0])];
        std::string filename = fontName;
        if (fontName[0] != '/') {
            filename = "/gfx/fonts/" + fontName + "_" + std::to_string(size) + ".font";
            for (char &c : filename)
                c = c == ' ' ? '_' : c;
        }
        EngineFont *expected = nullptr;
        for (const Cached &entry : walked) {
            if (entry.filename == filename && entry.r == rgb[0] && entry.g == rgb[1] && entry.b == rgb[2]) {
                expected = entry.font;
                break;
            }
        }
        EngineFont *got = FontManager::getFont(fontName.c_str(), size, rgb[0], rgb[1], rgb[2]);
        const auto file = files.find(filename);
        if (expected) {
            ASSERT_EQ(got, expected) << "request " << request << ": " << fontName << " " << int(size);
        } else if (file != files.end()) {
            ASSERT_NE(got, nullptr) << fontName;
            for (const Cached &entry : walked)
                ASSERT_NE(got, entry.font) << fontName << " " << int(size) << " came back as " << entry.filename;
            EXPECT_EQ(got->getFilename(), filename);
            EXPECT_EQ(got->size(), file->second);
            walked.push_back({filename, file->second, rgb[0], rgb[1], rgb[2], got});
        } else {
            ASSERT_EQ(got, nullptr) << fontName;
        }
    }
    int copies = 0;
    for (const Cached &entry : walked) {
        EXPECT_EQ(entry.font->retainCount(), 1) << entry.filename;
        copies += entry.filename == "/gfx/fonts/Odd_14.font" && entry.r == 0 && entry.g == 0 && entry.b == 0;
    }
    EXPECT_EQ(copies, 1);
}

}  // namespace
