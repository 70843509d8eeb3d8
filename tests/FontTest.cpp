// Font files and text drawing through the public interface, on files written byte by byte (FontWriter.h) and
// read by the real data loader: every read failure with its reason, the refusal of malformed strips, the
// packing of glyphs into the strip and its colours, what blitText draws and where the pen goes, the limits on
// text length, and that the fast glyph blitter gives exactly the pixels of one SDL blit per character.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ArchiveWriter.h"
#include "FontFixture.h"
#include "GraphicSurface.h"

namespace {

using fontfile::Font;
using fontfile::Glyph;

class FontFile : public FontFixture {};
class TextDrawing : public FontFixture {};
class GlyphBlitter : public FontFixture {};

// A small well-formed font: code 32 + k is 1 + k % 7 pixels wide and 9 high, with patterned ink.
Font smallFont()
{
    return fontfile::patternedFont(9, [](std::uint32_t k) { return 1 + k % 7; });
}

// The reason after "loadFont ('/f.font'): " in line, or "<loaded>" when font is not null.
std::string failureReason(const EngineFont *font, const std::string &line)
{
    if (font)
        return "<loaded>";
    const std::string prefix = "loadFont ('/f.font'): ";
    return line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : "<" + line + ">";
}

// --- Reading the file ---------------------------------------------------------------------------------------

struct Cut {
    size_t length;
    const char *reason;
};

// Places to cut smallFont() at, each with the reason its load fails with.
std::vector<Cut> cutsOfSmallFont()
{
    Font font = smallFont();
    size_t glyph95 = font.glyphOffset(95);
    return {
        {0, "Error reading header field fontSpecVersion"},
        {1, "Error reading header field fontName"},
        {32, "Error reading header field fontName"},
        {33, "Error reading header field pointSize"},
        {34, "Error reading header field fontStyle"},
        {35, "Error reading header field charHeight"},
        {42, "Error reading header field maxCharWidth"},
        {43, "Error reading header field averageCharWidth"},
        {47, "Error reading header field totalCharWidth"},
        {51, "Error reading char header field charWidth"},
        {54, "Error reading char header field charWidth"},
        {55, "Error reading char header field charHeight"},
        {59, "Error reading character data"},
        {glyph95 + 3, "Error reading char header field charWidth"},
        {glyph95 + 7, "Error reading char header field charHeight"},
        {glyph95 + 8, "Error reading character data"},
        {font.bytes().size() - 1, "Error reading character data"},
    };
}

TEST_F(FontFile, EveryCutOffFileFailsWithTheFieldWhereItStopped)
{
    Font font = smallFont();
    std::string whole = font.bytes();
    for (const Cut &cut : cutsOfSmallFont()) {
        writeData("/f.font", whole.substr(0, cut.length));
        EngineFont *loaded = FontManager::getFont("/f.font", font.pointSize, 255, 255, 255);
        EXPECT_EQ(failureReason(loaded, lastLine()), cut.reason) << "file cut to " << cut.length;
    }
    writeData("/f.font", whole);
    EXPECT_NE(FontManager::getFont("/f.font", font.pointSize, 255, 255, 255), nullptr);
}

TEST_F(FontFile, MemberRunningPastTheEndOfItsArchiveFailsWithTheFieldWhereTheBytesStop)
{
    // The directory says the member is whole, but the archive ends after cut.length of its bytes: every read
    // up to there succeeds, and the first one beyond fails.
    Font font = smallFont();
    std::string whole = font.bytes();
    const std::uint32_t memberOffset = 13 + 8 + 276;
    int number = 0;
    for (const Cut &cut : cutsOfSmallFont()) {
        std::string bytes = archive::fileHeader(13) + archive::dirHeader(1) +
                            archive::dirEntry("/f.font", memberOffset, static_cast<std::uint32_t>(whole.size())) +
                            whole.substr(0, cut.length);
        const std::string file = root + "/cut" + std::to_string(number++) + ".nfi";
        archive::writeFile(file, bytes);
        ASSERT_EQ(NFILoader::globalLoader()->addNFIFile(file.c_str()), SDL_TRUE);
        EngineFont *loaded = FontManager::getFont("/f.font", font.pointSize, 255, 255, 255);
        EXPECT_EQ(failureReason(loaded, lastLine()), cut.reason) << "archive cut after " << cut.length;
    }
}

TEST_F(FontFile, VersionOtherThanOneIsRefusedWithoutReadingFurther)
{
    // One byte only: reading on would fail at fontName instead.
    writeData("/f.font", std::string(1, '\2'));
    EXPECT_EQ(FontManager::getFont("/f.font", 10, 0, 0, 0), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/f.font'): Unsupported font spec");

    Font font = smallFont();
    for (int version : {0, 2, 255}) {
        font.version = static_cast<std::uint8_t>(version);
        EXPECT_EQ(load("/f.font", font), nullptr);
        EXPECT_EQ(lastLine(), "loadFont ('/f.font'): Unsupported font spec") << version;
    }
}

TEST_F(FontFile, MissingFileIsReportedOnEveryRequestAndNeverCached)
{
    EXPECT_EQ(FontManager::getFont("Nothing Here", 12, 1, 2, 3), nullptr);
    EXPECT_EQ(FontManager::getFont("Nothing Here", 12, 1, 2, 3), nullptr);
    EXPECT_EQ(countLines("loadFont ('/gfx/fonts/Nothing_Here_12.font'): Unable to open font file"), 2);

    Font font = smallFont();
    font.pointSize = 12;
    writeData("/gfx/fonts/Nothing_Here_12.font", font.bytes());
    EXPECT_NE(FontManager::getFont("Nothing Here", 12, 1, 2, 3), nullptr);
}

TEST_F(FontFile, ExtraBytesAfterTheLastGlyphAreIgnored)
{
    Font font = smallFont();
    EngineFont *plain = load("/plain.font", font);
    font.trailing = std::string(5000, '\x7F');
    EngineFont *padded = load("/padded.font", font);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(padded, nullptr);
    for (int c = 32; c < 128; ++c) {
        const SDL_Rect *a = plain->charRect(static_cast<unsigned char>(c));
        const SDL_Rect *b = padded->charRect(static_cast<unsigned char>(c));
        EXPECT_TRUE(a->x == b->x && a->y == b->y && a->w == b->w && a->h == b->h) << c;
    }
    fillScreen(0);
    padded->blitText(0, 0, 0, "The quick brown fox");
    std::vector<Uint16> first = screenPixels();
    fillScreen(0);
    plain->blitText(0, 0, 0, "The quick brown fox");
    EXPECT_EQ(screenPixels(), first);
}

TEST_F(FontFile, HeaderIsKeptAsReadAndAFullNameFieldIsNotReadPast)
{
    Font font = smallFont();
    font.name = "Name Of Exactly Thirty-Two Bytes";
    ASSERT_EQ(font.name.size(), 32u);
    font.pointSize = 17;
    font.style = 3;
    font.maxCharWidth = 4242;
    font.averageCharWidth = 77;
    EngineFont *loaded = load("/f.font", font);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->version(), 1);
    EXPECT_STREQ(loaded->name(), "Name Of Exactly Thirty-Two Bytes");
    EXPECT_EQ(loaded->size(), 17);
    EXPECT_EQ(loaded->style(), 3);
    EXPECT_EQ(loaded->charHeight(), 9u);
    EXPECT_EQ(loaded->maxCharWidth(), 4242u);
    EXPECT_EQ(loaded->averageCharWidth(), 77u);

    font.name = "Short";
    EngineFont *shortName = load("/g.font", font);
    ASSERT_NE(shortName, nullptr);
    EXPECT_STREQ(shortName->name(), "Short");
}

TEST_F(FontFile, GlyphsArePackedLeftToRightInCodeOrderFromTheTop)
{
    Font font;
    font.glyph(' ') = fontfile::patternGlyph(5, 8, 1);
    font.glyph('!') = fontfile::patternGlyph(6, 3, 2);
    font.glyph('"') = fontfile::patternGlyph(7, 8, 3);
    font.glyph('#') = fontfile::patternGlyph(2, 1, 4);
    font.measure();
    font.totalCharWidth += 3;  // room to spare is allowed
    EngineFont *loaded = load("/f.font", font);
    ASSERT_NE(loaded, nullptr);
    const int expected[][4] = {{0, 0, 5, 8}, {5, 0, 6, 3}, {11, 0, 7, 8}, {18, 0, 2, 1}, {20, 0, 0, 0}};
    for (int k = 0; k < 5; ++k) {
        const SDL_Rect *rect = loaded->charRect(static_cast<unsigned char>(32 + k));
        EXPECT_EQ(rect->x, expected[k][0]) << k;
        EXPECT_EQ(rect->y, expected[k][1]) << k;
        EXPECT_EQ(rect->w, expected[k][2]) << k;
        EXPECT_EQ(rect->h, expected[k][3]) << k;
    }
    EXPECT_EQ(loaded->charRect(127)->x, 20);
    EXPECT_EQ(loaded->charRect(31), nullptr);
    EXPECT_EQ(loaded->charRect(128), nullptr);
    EXPECT_EQ(loaded->getSurface()->width(), 23);
    EXPECT_EQ(loaded->getSurface()->height(), 8);
}

TEST_F(FontFile, StripHoldsTheInkColourOnTheTransparentKey)
{
    Font font = smallFont();
    EngineFont *loaded = load("/f.font", font, 10, 200, 30);
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(loaded->getFilename(), "/f.font");
    SDL_Surface *strip = loaded->getSurface()->getSurface();
    ASSERT_TRUE(strip->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(strip->format->colorkey, SDL_MapRGB(screen->format, 255, 0, 255));
    ASSERT_EQ(SDL_LockSurface(strip), 0);
    Uint16 ink = mapped(10, 200, 30);
    Uint16 key = mapped(255, 0, 255);
    int mismatches = 0;
    for (int k = 0; k < 96; ++k) {
        const Glyph &glyph = font.glyphs[k];
        const SDL_Rect *rect = loaded->charRect(static_cast<unsigned char>(32 + k));
        for (std::uint32_t y = 0; y < glyph.height; ++y)
            for (std::uint32_t x = 0; x < glyph.width; ++x) {
                Uint16 value = reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(strip->pixels) +
                                                                y * strip->pitch)[rect->x + x];
                mismatches += value != (glyph.ink(x, y) ? ink : key);
            }
    }
    SDL_UnlockSurface(strip);
    EXPECT_EQ(mismatches, 0);
}

// --- Malformed strips are refused -----------------------------------------------------------------------

TEST_F(FontFile, GlyphsWiderThanTheStripAreRefused)
{
    Font font = smallFont();
    font.totalCharWidth -= 1;
    EXPECT_EQ(load("/f.font", font), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/f.font'): Glyphs wider than totalCharWidth");

    // A width that overflows 32 bits when added up must not wrap round.
    font = smallFont();
    font.glyphs[1].width = 0xFFFFFFFFu;
    font.glyphs[1].height = 0;
    font.glyphs[1].data.clear();
    EXPECT_EQ(load("/f.font", font), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/f.font'): Glyphs wider than totalCharWidth");
}

TEST_F(FontFile, GlyphTallerThanTheStripIsRefused)
{
    Font font = smallFont();
    font.glyphs[40] = fontfile::patternGlyph(font.glyphs[40].width, 10, 40);
    EXPECT_EQ(load("/f.font", font), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/f.font'): Glyph taller than charHeight");
}

TEST_F(FontFile, StripOfMoreThan65536PixelsIsRefusedCountingRowsAtAnEvenWidth)
{
    // 256 x 256 is exactly 65,536 pixels.
    Font font;
    font.glyphs[0] = fontfile::patternGlyph(200, 256, 0);
    font.glyphs[1] = fontfile::patternGlyph(56, 256, 1);
    font.measure();
    EXPECT_NE(load("/a.font", font), nullptr);

    // 255 x 257 is 65,535 pixels, but each row is stored 256 pixels long.
    font.glyphs[1] = fontfile::patternGlyph(55, 257, 1);
    font.glyphs[0] = fontfile::patternGlyph(200, 257, 0);
    font.measure();
    EXPECT_EQ(load("/b.font", font), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/b.font'): Glyph strip larger than 65536 pixels");

    // Sizes that do not fit 16 bits, however few pixels they would make.
    Font wide;
    wide.totalCharWidth = 65536;
    EXPECT_EQ(load("/c.font", wide), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/c.font'): Glyph strip larger than 65536 pixels");
    Font tall;
    tall.charHeight = 0x10000;
    EXPECT_EQ(load("/d.font", tall), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/d.font'): Glyph strip larger than 65536 pixels");
    Font huge;
    huge.totalCharWidth = 0xFFFFFFFFu;
    huge.charHeight = 0xFFFFFFFFu;
    EXPECT_EQ(load("/e.font", huge), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/e.font'): Glyph strip larger than 65536 pixels");
}

TEST_F(FontFile, WideStripDrawsItsLastGlyphAndOneSdlCannotMakeGivesNoFontQuietly)
{
    Font font;
    font.glyphs[0] = fontfile::patternGlyph(16000, 1, 0);
    font.glyphs[1] = fontfile::glyphFromRows({"#"});
    font.measure();
    EngineFont *loaded = load("/a.font", font);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->charRect('!')->x, 16000);
    fillScreen(0);
    loaded->blitText(100, 100, 0, "!");
    EXPECT_EQ(pixel(100, 100), mapped(255, 255, 255));

    // Well formed, but wider than SDL makes a surface.
    font.glyphs[0] = fontfile::patternGlyph(20000, 1, 0);
    font.measure();
    Sint32 lines = Console::totalLines();
    EXPECT_EQ(load("/b.font", font), nullptr);
    EXPECT_EQ(Console::totalLines(), lines);
}

TEST_F(FontFile, GlyphDataLargerThanTheRestOfTheFileFailsAsAShortRead)
{
    Font font;
    font.glyphs[0] = fontfile::patternGlyph(256, 256, 0);
    font.measure();
    std::string bytes = font.bytes().substr(0, 51 + 8 + 100);
    writeData("/f.font", bytes);
    EXPECT_EQ(FontManager::getFont("/f.font", 10, 0, 0, 0), nullptr);
    EXPECT_EQ(lastLine(), "loadFont ('/f.font'): Error reading character data");
}

// --- Drawing and measuring ------------------------------------------------------------------------------

TEST_F(TextDrawing, TextIsDrawnInTheInkColourAndTheBackgroundStaysUntouched)
{
    Font font;
    font.glyph('A') = fontfile::glyphFromRows({".##.", "#..#", "####", "#..#"});
    font.glyph('b') = fontfile::glyphFromRows({"#..", "##.", "#.#", "##."});
    font.glyph('.') = fontfile::glyphFromRows({".", "#"});  // shorter than the strip
    font.glyph(' ') = Glyph{4, 4, std::string(16, '\0')};
    font.measure();
    EngineFont *loaded = load("/f.font", font, 0, 0, 255);
    ASSERT_NE(loaded, nullptr);
    fillScreenWithNoise();
    std::vector<Uint16> before = screenPixels();
    EXPECT_EQ(loaded->blitText(20, 30, 0, "Ab. A"), 5u);

    const std::vector<std::string> expected = {
        ".##.#........##.",
        "#..###.#....#..#",
        "#####.#.....####",
        "#..###......#..#",
    };
    Uint16 blue = mapped(0, 0, 255);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            bool inked = y >= 30 && y < 34 && x >= 20 && x < 36 && expected[y - 30][x - 20] == '#';
            Uint16 want = inked ? blue : before[static_cast<size_t>(y) * 800 + x];
            ASSERT_EQ(pixel(x, y), want) << "at " << x << "," << y;
        }
}

TEST_F(TextDrawing, InkInTheKeyColourDrawsNothing)
{
    EngineFont *loaded = load("/f.font", smallFont(), 255, 0, 255);
    ASSERT_NE(loaded, nullptr);
    fillScreenWithNoise();
    std::vector<Uint16> before = screenPixels();
    EXPECT_EQ(loaded->blitText(10, 10, 0, "Invisible"), 9u);
    EXPECT_EQ(screenPixels(), before);
}

TEST_F(TextDrawing, CharactersOutsideThePrintableRangeDrawNothingAndDoNotMoveThePen)
{
    EngineFont *loaded = load("/f.font", smallFont());
    ASSERT_NE(loaded, nullptr);
    fillScreen(0);
    loaded->blitText(5, 5, 0, "AB~\x7F");
    std::vector<Uint16> plain = screenPixels();
    fillScreen(0);
    const char withControls[] = "\x01" "A\n\tB\x1F\x80~\xFF\x7F\r";
    EXPECT_EQ(loaded->blitText(5, 5, 0, withControls), std::strlen(withControls));
    EXPECT_EQ(screenPixels(), plain);
    EXPECT_EQ(loaded->textSize(withControls), loaded->textSize("AB~\x7F"));
    EXPECT_EQ(loaded->textSize("\n\x80\xFF"), 0u);
}

TEST_F(TextDrawing, TextSizeIsExactlyHowFarThePenMoves)
{
    // Every glyph has ink in its first column, so where the next glyph starts can be seen.
    Font font = fontfile::patternedFont(6, [](std::uint32_t k) { return 1 + (k * 5) % 11; });
    EngineFont *loaded = load("/f.font", font);
    ASSERT_NE(loaded, nullptr);
    Uint16 ink = mapped(255, 255, 255);
    for (const char *text : {"", "i", "Hello, world", "~}|{`_^]\\[@?>=<;:/.-,+*)('&%$#\"! 0123456789"}) {
        fillScreen(0);
        std::string probe = std::string(text) + "!";
        loaded->blitText(10, 50, 0, probe.c_str());
        int start = 10 + static_cast<int>(loaded->textSize(text));
        int width = loaded->charRect('!')->w;
        EXPECT_EQ(pixel(start, 55), ink) << text;
        for (int x = start; x < start + width; ++x)
            EXPECT_EQ(pixel(x, 55), ink) << text;  // the bottom row of every glyph is inked
        EXPECT_EQ(pixel(start + width, 55), 0) << text;
    }
}

TEST_F(TextDrawing, LengthLimitsCutTheTextAt511OrAtTheConstraint)
{
    // '#' is a one-pixel column, so the number of glyphs drawn is the width of the ink.
    Font font = smallFont();
    font.glyph('#') = fontfile::glyphFromRows({"#"});
    font.measure();
    EngineFont *loaded = load("/f.font", font);
    ASSERT_NE(loaded, nullptr);
    Uint16 ink = mapped(255, 255, 255);
    auto inkWidth = [&]() {
        int x = 0;
        while (x < 800 && pixel(x, 0) == ink)
            ++x;
        return x;
    };
    std::string longText(600, '#');
    struct Case {
        Uint32 constrain;
        Uint32 drawn;
    };
    for (Case c : {Case{0, 511}, Case{3, 3}, Case{511, 511}, Case{512, 511}, Case{100000, 511}}) {
        fillScreen(0);
        EXPECT_EQ(loaded->blitText(0, 0, c.constrain, longText.c_str()), c.drawn) << c.constrain;
        EXPECT_EQ(inkWidth(), static_cast<int>(c.drawn)) << c.constrain;
        fillScreen(0);
        EXPECT_EQ(loaded->blitTextPerCharacter(0, 0, c.constrain, longText.c_str()), c.drawn) << c.constrain;
        EXPECT_EQ(inkWidth(), static_cast<int>(c.drawn)) << c.constrain;
    }
    fillScreen(0);
    EXPECT_EQ(loaded->blitText(0, 0, 3, "##########"), 3u);
    EXPECT_EQ(inkWidth(), 3);

    fillScreenWithNoise();
    std::vector<Uint16> before = screenPixels();
    EXPECT_EQ(loaded->blitText(0, 0, 0, ""), 0u);
    EXPECT_EQ(loaded->blitText(0, 0, 0, nullptr), 0u);
    EXPECT_EQ(screenPixels(), before);

    // textSize measures what blitText draws: the first 511 characters.
    EXPECT_EQ(loaded->textSize(longText.c_str()), 511u);
    EXPECT_EQ(loaded->textSize(std::string(100000, '#').c_str()), 511u);
}

TEST_F(TextDrawing, FormattedTextIsCutAt511AndAtTheConstraint)
{
    Font font = smallFont();
    font.glyph('#') = fontfile::glyphFromRows({"#"});
    font.measure();
    EngineFont *loaded = load("/f.font", font);
    ASSERT_NE(loaded, nullptr);
    std::string longText(900, '#');
    EXPECT_EQ(loaded->blitTextFmt(0, 0, 0, "%s", longText.c_str()), 511u);
    EXPECT_EQ(loaded->blitTextFmt(0, 0, 700, "%s%s", longText.c_str(), longText.c_str()), 511u);
    EXPECT_EQ(loaded->blitTextFmt(0, 0, 4, "%d-%s", 12345, "xy"), 4u);
    EXPECT_EQ(loaded->blitTextFmt(0, 0, 0, "%d-%s", 12345, "xy"), 8u);
    EXPECT_EQ(loaded->textSizeFmt("%s", longText.c_str()), 511u);
    EXPECT_EQ(loaded->textSizeFmt("%d %s", 42, "ab"), loaded->textSize("42 ab"));

    fillScreen(0);
    loaded->blitTextFmt(30, 40, 0, "Score %05d", 1234);
    std::vector<Uint16> formatted = screenPixels();
    fillScreen(0);
    loaded->blitText(30, 40, 0, "Score 01234");
    EXPECT_EQ(screenPixels(), formatted);
}

TEST_F(TextDrawing, GlyphsAfterAClippedOneKeepTheirPlaces)
{
    EngineFont *loaded = load("/f.font", smallFont());
    ASSERT_NE(loaded, nullptr);
    const char *text = "Clipped text keeps its places";
    fillScreen(0);
    loaded->blitText(-7, -3, 0, text);
    std::vector<Uint16> unclipped = screenPixels();

    fillScreen(0);
    SDL_Rect clip = {10, 2, 300, 4};
    SDL_SetClipRect(screen, &clip);
    loaded->blitText(-7, -3, 0, text);
    SDL_SetClipRect(screen, nullptr);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 400; ++x) {
            bool inside = x >= 10 && x < 310 && y >= 2 && y < 6;
            ASSERT_EQ(pixel(x, y), inside ? unclipped[static_cast<size_t>(y) * 800 + x] : 0) << x << "," << y;
        }
}

TEST_F(TextDrawing, BlendedStripIsDrawnBlended)
{
    Font font;
    font.glyph('#') = fontfile::glyphFromRows({"#"});
    font.measure();
    EngineFont *loaded = load("/f.font", font, 248, 252, 248);
    ASSERT_NE(loaded, nullptr);
    loaded->setAlpha(128);
    fillScreen(0);
    loaded->blitText(0, 0, 0, "#");
    Uint8 r, g, b;
    SDL_GetRGB(pixel(0, 0), screen->format, &r, &g, &b);
    EXPECT_GT(r, 100);
    EXPECT_LT(r, 150);
    EXPECT_EQ(pixel(1, 0), 0);
}

// --- The glyph blitter against one SDL blit per character -------------------------------------------------

// Draws text both ways over the same noisy screen and reports whether every pixel agrees.
::testing::AssertionResult drawsLikeSdl(EngineFont *font, Sint16 x, Sint16 y, Uint32 constrain, const char *text)
{
    FontFixture::fillScreenWithNoise();
    Uint32 slowCount = font->blitTextPerCharacter(x, y, constrain, text);
    std::vector<Uint16> expected = FontFixture::screenPixels();
    FontFixture::fillScreenWithNoise();
    Uint32 fastCount = font->blitText(x, y, constrain, text);
    std::vector<Uint16> actual = FontFixture::screenPixels();
    if (slowCount != fastCount)
        return ::testing::AssertionFailure() << "counts " << fastCount << " and " << slowCount;
    for (size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure() << "pixel " << i % 800 << "," << i / 800 << " is " << actual[i]
                                                 << ", SDL drew " << expected[i];
    return ::testing::AssertionSuccess();
}

TEST_F(GlyphBlitter, GivesTheSdlPixelsAtEveryPositionAndClipRectangle)
{
    Font font = fontfile::patternedFont(13, [](std::uint32_t k) { return (k % 13 == 5) ? 0 : 1 + (k * 7) % 17; });
    font.glyph('.') = fontfile::patternGlyph(3, 4, 99);  // shorter than the strip
    font.measure();
    EngineFont *loaded = load("/f.font", font, 12, 34, 56);
    ASSERT_NE(loaded, nullptr);
    std::mt19937 random(7);
    std::string alphabet;
    for (int c = 1; c < 256; ++c)
        alphabet += static_cast<char>(c);
    const SDL_Rect clips[] = {{0, 0, 800, 600}, {100, 50, 200, 7}, {0, 0, 1, 1}, {799, 599, 1, 1},
                              {37, 41, 0, 0},   {250, 0, 300, 600}};
    // Every offset across each edge of each clip rectangle, where one glyph row or column more or less shows.
    const char *sample = "A.b\"W#j~";
    int sampleWidth = static_cast<int>(loaded->textSize(sample));
    for (const SDL_Rect &clipRect : clips) {
        SDL_Rect clip = clipRect;
        SDL_SetClipRect(screen, &clip);
        SDL_GetClipRect(screen, &clip);
        for (int d = -14; d <= 2; ++d) {
            const int positions[][2] = {{clip.x + 3, clip.y + d}, {clip.x + 3, clip.y + clip.h - 13 - d},
                                        {clip.x + d, clip.y + d}};
            for (const auto &at : positions)
                ASSERT_TRUE(drawsLikeSdl(loaded, static_cast<Sint16>(at[0]), static_cast<Sint16>(at[1]), 0, sample))
                    << "text at " << at[0] << "," << at[1] << " in clip " << clip.x << "," << clip.y << " "
                    << clip.w << "x" << clip.h;
        }
        for (int d = -sampleWidth; d <= 2; ++d) {
            const int positions[][2] = {{clip.x + d, clip.y + 1}, {clip.x + clip.w - sampleWidth - d, clip.y + 1}};
            for (const auto &at : positions)
                ASSERT_TRUE(drawsLikeSdl(loaded, static_cast<Sint16>(at[0]), static_cast<Sint16>(at[1]), 0, sample))
                    << "text at " << at[0] << "," << at[1] << " in clip " << clip.x << "," << clip.y << " "
                    << clip.w << "x" << clip.h;
        }
    }
    for (const SDL_Rect &clipRect : clips) {
        SDL_Rect clip = clipRect;
        SDL_SetClipRect(screen, &clip);
        for (int i = 0; i < 40; ++i) {
            std::string text;
            int length = static_cast<int>(random() % 80);
            for (int j = 0; j < length; ++j)
                text += alphabet[random() % alphabet.size()];
            Sint16 x = static_cast<Sint16>(static_cast<int>(random() % 1000) - 150);
            Sint16 y = static_cast<Sint16>(static_cast<int>(random() % 640) - 20);
            if (i % 4 == 0)
                x = static_cast<Sint16>(clip.x - static_cast<int>(random() % 20));
            if (i % 4 == 1)
                y = static_cast<Sint16>(clip.y + clip.h - static_cast<int>(random() % 13));
            ASSERT_TRUE(drawsLikeSdl(loaded, x, y, static_cast<Uint32>(random() % 3 == 0 ? random() % 40 : 0),
                                     text.c_str()))
                << "text at " << x << "," << y << " in clip " << clip.x << "," << clip.y << " " << clip.w << "x"
                << clip.h;
        }
    }
    SDL_SetClipRect(screen, nullptr);
    std::string longText(700, 'W');
    EXPECT_TRUE(drawsLikeSdl(loaded, -32768, 0, 0, longText.c_str()));
    EXPECT_TRUE(drawsLikeSdl(loaded, 32767, 599, 0, "far right"));
    EXPECT_TRUE(drawsLikeSdl(loaded, 790, -32768, 0, "far up"));
}

TEST_F(GlyphBlitter, GivesTheSdlPixelsForEveryInkValue)
{
    Font font;
    font.glyph('a') = fontfile::glyphFromRows({"#.#", ".#.", "##."});
    font.glyph('b') = fontfile::glyphFromRows({"##", "..", "#."});
    font.measure();
    writeData("/f.font", font.bytes());
    // Every 16-bit value: red and blue in the top 5 bits, green in the top 6, as the 5-6-5 screen keeps them.
    int checked = 0;
    for (Uint32 value = 0; value < 0x10000; ++value) {
        Uint8 r = static_cast<Uint8>((value >> 11) << 3);
        Uint8 g = static_cast<Uint8>(((value >> 5) & 0x3F) << 2);
        Uint8 b = static_cast<Uint8>((value & 0x1F) << 3);
        EngineFont *loaded = FontManager::getFont("/f.font", 10, r, g, b);
        ASSERT_NE(loaded, nullptr);
        SDL_Rect area = {0, 0, 8, 3};
        SDL_FillRect(screen, &area, 0x5A5A);
        loaded->blitTextPerCharacter(1, 0, 0, "ab");
        Uint16 expected[3][8];
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 8; ++x)
                expected[y][x] = pixel(x, y);
        SDL_FillRect(screen, &area, 0x5A5A);
        loaded->blitText(1, 0, 0, "ab");
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(pixel(x, y), expected[y][x]) << "ink value " << value << " at " << x << "," << y;
        ++checked;
        // Each colour is a new font in the cache; a fresh cache keeps the lookups short.
        if (value % 256 == 255)
            FontManager::destroyFontManager();
    }
    EXPECT_EQ(checked, 0x10000);
    EXPECT_EQ(mapped(255, 0, 255), 0xF81F);  // the key colour was among them
}

}  // namespace
