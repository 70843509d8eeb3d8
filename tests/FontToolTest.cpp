// fonttool as a user runs it: the font it makes from DejaVu Sans is truthful about its sizes, puts every glyph
// on one baseline, loads through the engine and draws exactly its glyphs; sizes the format cannot hold are
// refused, naming the largest that fits; info reports headers, the data name getFont loads, glyphs and
// malformed files; preview writes a TGA the engine's reader opens and names the characters it cannot draw;
// wrong command lines are named; a FIFO in place of a file is refused without waiting.
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FontFixture.h"
#include "TgaLoader.h"

namespace {

const char dejaVuSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct ToolResult {
    int exitCode;
    std::string output;  // standard output and standard error together

    bool says(const std::string &text) const { return output.find(text) != std::string::npos; }
};

std::string shellQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ToolResult runFonttool(const std::vector<std::string> &args)
{
    // A tool that waited on a file would be stopped here (exit code 124) rather than hang the test.
    std::string command = "timeout 60 " + shellQuoted(ZARVELLO_FONTTOOL);
    for (const std::string &arg : args)
        command += " " + shellQuoted(arg);
    command += " 2>&1";
    ToolResult result{-1, ""};
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A font file taken apart independently of the engine's reader.
struct ParsedFont {
    std::string name;
    unsigned pointSize = 0, style = 0;
    std::uint32_t charHeight = 0, maxCharWidth = 0, averageCharWidth = 0, totalCharWidth = 0;
    std::vector<fontfile::Glyph> glyphs;

    const fontfile::Glyph &glyph(char c) const { return glyphs[static_cast<unsigned char>(c) - 32]; }

    // The lowest and highest rows with ink in glyph c; -1 when it has none.
    int lowestInkRow(char c) const
    {
        const fontfile::Glyph &g = glyph(c);
        for (int y = static_cast<int>(g.height) - 1; y >= 0; --y)
            for (std::uint32_t x = 0; x < g.width; ++x)
                if (g.ink(x, static_cast<std::uint32_t>(y)))
                    return y;
        return -1;
    }

    int highestInkRow(char c) const
    {
        const fontfile::Glyph &g = glyph(c);
        for (std::uint32_t y = 0; y < g.height; ++y)
            for (std::uint32_t x = 0; x < g.width; ++x)
                if (g.ink(x, y))
                    return static_cast<int>(y);
        return -1;
    }
};

bool parseFont(const std::string &bytes, ParsedFont &font)
{
    auto le32 = [&](size_t at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
        return v;
    };
    if (bytes.size() < 51 || bytes[0] != 1)
        return false;
    font.name = bytes.substr(1, 32).c_str();
    font.pointSize = static_cast<unsigned char>(bytes[33]);
    font.style = static_cast<unsigned char>(bytes[34]);
    font.charHeight = le32(35);
    font.maxCharWidth = le32(39);
    font.averageCharWidth = le32(43);
    font.totalCharWidth = le32(47);
    size_t at = 51;
    for (int k = 0; k < 96; ++k) {
        if (at + 8 > bytes.size())
            return false;
        fontfile::Glyph glyph;
        glyph.width = le32(at);
        glyph.height = le32(at + 4);
        at += 8;
        size_t size = static_cast<size_t>(glyph.width) * glyph.height;
        if (at + size > bytes.size())
            return false;
        glyph.data = bytes.substr(at, size);
        at += size;
        font.glyphs.push_back(glyph);
    }
    return at == bytes.size();
}

class FontTool : public FontFixture {
protected:
    void SetUp() override
    {
        FontFixture::SetUp();
        if (!std::filesystem::exists(dejaVuSans))
            GTEST_SKIP() << dejaVuSans << " is not installed (Debian package fonts-dejavu-core)";
    }

    // Makes DejaVu Sans at pixelSize into the data directory as "/gfx/fonts/<file>".
    ToolResult makeDejaVu(int pixelSize, const std::string &file, const std::vector<std::string> &options = {})
    {
        std::filesystem::create_directories(root + "/gfx/fonts");
        std::vector<std::string> args = {"make", dejaVuSans, std::to_string(pixelSize), root + "/gfx/fonts/" + file};
        args.insert(args.end(), options.begin(), options.end());
        return runFonttool(args);
    }
};

TEST_F(FontTool, HelpDescribesEveryCommandAndMistakesExitWithTwo)
{
    ToolResult help = runFonttool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.says("fonttool make FONTFILE PIXELSIZE OUT.font [--name NAME] [--point-size N]"));
    EXPECT_TRUE(help.says("fonttool info FILE.font"));
    EXPECT_TRUE(help.says("fonttool preview FILE.font \"text\" OUT.tga"));

    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"draw"},
        {"make", dejaVuSans, "14"},
        {"make", dejaVuSans, "fourteen", "x.font"},
        {"make", dejaVuSans, "0", "x.font"},
        {"make", dejaVuSans, "300", "x.font"},
        {"make", dejaVuSans, "14", "x.font", "--point-size", "256"},
        {"make", dejaVuSans, "14", "x.font", "--name", std::string(33, 'n')},
        {"make", dejaVuSans, "14", "x.font", "--name"},
        {"make", dejaVuSans, "14", "x.font", "--bold"},
        {"info"},
        {"preview", "x.font", "text"},
        {"preview", "x.font", "text", "x.tga", "--ink", "1,2"},
    };
    for (const auto &args : mistakes) {
        ToolResult result = runFonttool(args);
        EXPECT_EQ(result.exitCode, 2) << (args.empty() ? "(nothing)" : args[0]) << " " << result.output;
        EXPECT_TRUE(result.says("Usage: fonttool"));
    }
    EXPECT_FALSE(std::filesystem::exists("x.font"));
}

TEST_F(FontTool, UnknownCommandOrOptionIsNamedInTheError)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"draw"}, "fonttool: unknown command 'draw'\n"},
        {{"--draw"}, "fonttool: unknown option '--draw'\n"},
        {{"make", dejaVuSans, "14", "x.font", "--bold", "1"}, "fonttool: unknown option '--bold'\n"},
        {{"make", dejaVuSans, "14", "x.font", "-b"}, "fonttool: unexpected argument '-b': make needs"},
        {{"info", "--glyphs", "x.font"}, "fonttool: unknown option '--glyphs'\n"},
        {{"preview", "x.font", "text", "x.tga", "--size", "3"}, "fonttool: unknown option '--size'\n"},
        {{"preview", "x.font", "text", "x.tga", "--ink"}, "fonttool: --ink needs a value\n"},
    };
    for (const auto &mistake : mistakes) {
        ToolResult result = runFonttool(mistake.first);
        EXPECT_EQ(result.exitCode, 2) << mistake.second;
        EXPECT_EQ(result.output.find(mistake.second), 0u) << result.output;
    }
    EXPECT_FALSE(std::filesystem::exists("x.font"));
}

TEST_F(FontTool, DejaVuFontIsTruthfulAndSharesOneBaseline)
{
    ToolResult made = makeDejaVu(14, "DejaVu_Sans_14.font");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ParsedFont font;
    ASSERT_TRUE(parseFont(readFile(root + "/gfx/fonts/DejaVu_Sans_14.font"), font));
    EXPECT_EQ(font.name, "DejaVu Sans");
    EXPECT_EQ(font.pointSize, 14u);
    EXPECT_EQ(font.style, 0u);

    std::uint32_t total = 0, widest = 0, present = 0;
    for (const fontfile::Glyph &glyph : font.glyphs) {
        EXPECT_EQ(glyph.height, font.charHeight);
        total += glyph.width;
        widest = std::max(widest, glyph.width);
        present += glyph.width > 0;
    }
    EXPECT_EQ(font.totalCharWidth, total);
    EXPECT_EQ(font.maxCharWidth, widest);
    EXPECT_EQ(font.averageCharWidth, (total + present / 2) / present);
    EXPECT_EQ(present, 95u);  // all but DEL
    EXPECT_EQ(font.glyph('\x7F').width, 0u);
    EXPECT_GE(font.charHeight, 13u);
    EXPECT_LE(font.charHeight, 18u);

    // Cells as wide as the advance: the space has room but no ink, 'W' is wider than 'i'.
    EXPECT_GT(font.glyph(' ').width, 2u);
    EXPECT_EQ(font.highestInkRow(' '), -1);
    EXPECT_GT(font.glyph('W').width, font.glyph('i').width + 4);

    // One baseline: letters without descenders end on the same row, descenders go below it, x-height
    // letters start lower than capitals.
    int baseline = font.lowestInkRow('H');
    for (char c : {'A', 'x', 'z', 'm', '1', 'E', 'k'})
        EXPECT_EQ(font.lowestInkRow(c), baseline) << c;
    for (char c : {'g', 'p', 'y', 'q'})
        EXPECT_GT(font.lowestInkRow(c), baseline + 1) << c;
    EXPECT_GE(font.highestInkRow('x'), font.highestInkRow('H') + 2);
    EXPECT_EQ(font.highestInkRow('H'), font.highestInkRow('E'));

    // Monochrome, not a thresholded grey: the stems of 'H' are solid from cap height to baseline.
    const fontfile::Glyph &h = font.glyph('H');
    int solidColumns = 0;
    for (std::uint32_t x = 0; x < h.width; ++x) {
        bool solid = true;
        for (int y = font.highestInkRow('H'); y <= baseline; ++y)
            solid = solid && h.ink(x, static_cast<std::uint32_t>(y));
        solidColumns += solid;
    }
    EXPECT_GE(solidColumns, 2);
}

TEST_F(FontTool, DejaVuFontLoadsInTheEngineAndDrawsExactlyItsGlyphs)
{
    ToolResult made = makeDejaVu(16, "DejaVu_Sans_16.font");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ParsedFont font;
    ASSERT_TRUE(parseFont(readFile(root + "/gfx/fonts/DejaVu_Sans_16.font"), font));

    EngineFont *engineFont = FontManager::getFont("DejaVu Sans", 16, 255, 255, 0);
    ASSERT_NE(engineFont, nullptr) << lastLine();
    EXPECT_STREQ(engineFont->name(), "DejaVu Sans");
    EXPECT_EQ(engineFont->charHeight(), font.charHeight);

    const std::string text = "Hello, World! {jigsaw} 0123456789";
    fillScreen(mapped(0, 0, 64));
    EXPECT_EQ(engineFont->blitText(10, 20, 0, text.c_str()), text.size());

    // The expected picture, glyph by glyph from the file's own bytes.
    std::vector<std::vector<bool>> inked(600, std::vector<bool>(800, false));
    int pen = 10;
    int inkCount = 0;
    for (char c : text) {
        const fontfile::Glyph &glyph = font.glyph(c);
        for (std::uint32_t y = 0; y < glyph.height; ++y)
            for (std::uint32_t x = 0; x < glyph.width; ++x)
                if (glyph.ink(x, y)) {
                    inked[20 + y][pen + x] = true;
                    ++inkCount;
                }
        pen += static_cast<int>(glyph.width);
    }
    EXPECT_EQ(engineFont->textSize(text.c_str()), static_cast<Uint32>(pen - 10));
    EXPECT_GT(inkCount, 300);
    Uint16 yellow = mapped(255, 255, 0);
    Uint16 navy = mapped(0, 0, 64);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            ASSERT_EQ(pixel(x, y), inked[y][x] ? yellow : navy) << "at " << x << "," << y;
}

TEST_F(FontTool, SizeWhoseStripBreaksTheFormatIsRefused)
{
    ToolResult result = makeDejaVu(120, "Huge.font");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.says("65,536 pixels")) << result.output;
    EXPECT_FALSE(std::filesystem::exists(root + "/gfx/fonts/Huge.font"));

    ToolResult missing = runFonttool({"make", root + "/no-such.ttf", "12", root + "/x.font"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.says("cannot open")) << missing.output;
}

TEST_F(FontTool, TooBigSizeNamesTheLargestPixelSizeThatFits)
{
    const std::string marker = "the largest pixel size that fits is ";
    ToolResult refused = makeDejaVu(120, "Huge.font");
    EXPECT_EQ(refused.exitCode, 1);
    const std::size_t at = refused.output.find(marker);
    ASSERT_NE(at, std::string::npos) << refused.output;
    const int largest = std::atoi(refused.output.c_str() + at + marker.size());
    ASSERT_GT(largest, 10) << refused.output;
    ASSERT_LT(largest, 120) << refused.output;

    // That size is made, the next one is refused, and a size far beyond names the same one.
    ToolResult fits = makeDejaVu(largest, "Largest.font");
    EXPECT_EQ(fits.exitCode, 0) << fits.output;
    ToolResult next = makeDejaVu(largest + 1, "Next.font");
    EXPECT_EQ(next.exitCode, 1);
    EXPECT_TRUE(next.says(marker + std::to_string(largest) + "\n")) << next.output;
    ToolResult far = makeDejaVu(1000, "Far.font", {"--point-size", "1"});
    EXPECT_EQ(far.exitCode, 1);
    EXPECT_TRUE(far.says(marker + std::to_string(largest) + "\n")) << far.output;
    EXPECT_FALSE(std::filesystem::exists(root + "/gfx/fonts/Next.font"));
}

TEST_F(FontTool, InfoNamesTheDataNameGetFontLoadsTheFontBy)
{
    ASSERT_EQ(makeDejaVu(12, "DejaVu_Sans_12.font").exitCode, 0);
    ToolResult info = runFonttool({"info", root + "/gfx/fonts/DejaVu_Sans_12.font"});
    EXPECT_EQ(info.exitCode, 0) << info.output;
    EXPECT_TRUE(info.says("dataName         /gfx/fonts/DejaVu_Sans_12.font (getFont(\"DejaVu Sans\", 12, r, g, b) "
                          "loads it)\n"))
        << info.output;
    EXPECT_FALSE(info.says("note:")) << info.output;
    EngineFont *font = FontManager::getFont("DejaVu Sans", 12, 0, 0, 0);
    ASSERT_NE(font, nullptr) << lastLine();
    EXPECT_STREQ(font->getFilename(), "/gfx/fonts/DejaVu_Sans_12.font");

    // A file stored under another name than its header's name and size make is pointed out.
    ASSERT_EQ(makeDejaVu(12, "Caption_9.font", {"--name", "Caption Face", "--point-size", "9"}).exitCode, 0);
    ToolResult other = runFonttool({"info", root + "/gfx/fonts/Caption_9.font"});
    EXPECT_EQ(other.exitCode, 0) << other.output;
    EXPECT_TRUE(other.says("dataName         /gfx/fonts/Caption_Face_9.font")) << other.output;
    EXPECT_TRUE(other.says("note: this file is named 'Caption_9.font'")) << other.output;
}

TEST_F(FontTool, PreviewWarnsOnceForEachCharacterItCannotDraw)
{
    ASSERT_EQ(makeDejaVu(14, "Preview_14.font").exitCode, 0);
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 na\xC3\xAF" "ve, \xC3\xBC" "ber\ttab \xFF";
    ToolResult preview = runFonttool({"preview", root + "/gfx/fonts/Preview_14.font", text, root + "/p.tga"});
    ASSERT_EQ(preview.exitCode, 0) << preview.output;
    const std::string tail = " is outside the characters 32 to 127; the engine draws nothing for it\n";
    for (const std::string named : {"'\xC3\xBC' (U+00FC)", "'\xC3\x9F' (U+00DF)", "'\xE2\x80\x93' (U+2013)",
                                    "'\xC3\xAF' (U+00EF)", "U+0009"}) {
        const std::string line = "fonttool: warning: " + named + tail;
        const std::size_t first = preview.output.find(line);
        EXPECT_NE(first, std::string::npos) << line << preview.output;
        EXPECT_EQ(preview.output.find(line, first + 1), std::string::npos) << "twice: " << line;
    }
    EXPECT_TRUE(preview.says("fonttool: warning: the byte 0xFF is not UTF-8 text; the engine draws nothing for it\n"))
        << preview.output;
    EXPECT_EQ(std::count(preview.output.begin(), preview.output.end(), '\n'), 7) << preview.output;

    ToolResult plain = runFonttool({"preview", root + "/gfx/fonts/Preview_14.font", "plain ~ text", root + "/q.tga"});
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    EXPECT_FALSE(plain.says("warning")) << plain.output;
}

TEST_F(FontTool, NameAndPointSizeOptionsFillTheHeader)
{
    ToolResult made = makeDejaVu(12, "Caption_9.font", {"--name", "Caption Face", "--point-size", "9"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EngineFont *font = FontManager::getFont("Caption Face", 9, 0, 0, 0);
    ASSERT_EQ(font, nullptr);  // the file is named by the tool's caller, not by --name
    font = FontManager::getFont("Caption", 9, 0, 0, 0);
    ASSERT_NE(font, nullptr) << lastLine();
    EXPECT_STREQ(font->name(), "Caption Face");
    EXPECT_EQ(font->size(), 9);
    EXPECT_EQ(FontManager::getFont("Caption", 9, 0, 0, 0), font);
}

TEST_F(FontTool, InfoPrintsTheHeaderAndEveryGlyphAndFlagsMalformedFiles)
{
    fontfile::Font font = fontfile::patternedFont(9, [](std::uint32_t k) { return 1 + k % 4; });
    font.name = "Tiny";
    font.pointSize = 8;
    writeData("/tiny.font", font.bytes());
    ToolResult info = runFonttool({"info", root + "/tiny.font"});
    EXPECT_EQ(info.exitCode, 0) << info.output;
    EXPECT_TRUE(info.says("fontName         \"Tiny\"\n"));
    EXPECT_TRUE(info.says("pointSize        8\n"));
    EXPECT_TRUE(info.says("charHeight       9\n"));
    EXPECT_TRUE(info.says("totalCharWidth   " + std::to_string(font.totalCharWidth) + "\n"));
    EXPECT_TRUE(info.says("char  65 A  width 2  height 9\n"));
    EXPECT_TRUE(info.says("char 127    width 4  height 9\n"));

    font.totalCharWidth -= 1;
    writeData("/wide.font", font.bytes());
    ToolResult wide = runFonttool({"info", root + "/wide.font"});
    EXPECT_EQ(wide.exitCode, 1);
    EXPECT_TRUE(wide.says("more than totalCharWidth")) << wide.output;

    writeData("/cut.font", font.bytes().substr(0, 500));
    ToolResult cut = runFonttool({"info", root + "/cut.font"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_TRUE(cut.says("the file ends in")) << cut.output;

    font.version = 2;
    writeData("/v2.font", font.bytes());
    ToolResult v2 = runFonttool({"info", root + "/v2.font"});
    EXPECT_EQ(v2.exitCode, 1);
    EXPECT_TRUE(v2.says("unsupported font spec version 2")) << v2.output;
}

// A FIFO in place of the font to read or the file to write: refused at once with a clear message, exit code 1.
TEST_F(FontTool, FifoInPlaceOfAFileIsRefusedWithoutWaiting)
{
    const std::string fifo = root + "/fifo.font";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ToolResult info = runFonttool({"info", fifo});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_EQ(info.output, "fonttool: cannot open '" + fifo + "': not a regular file\n");
    ToolResult makeFrom = runFonttool({"make", fifo, "12", root + "/out.font"});
    EXPECT_EQ(makeFrom.exitCode, 1);
    EXPECT_EQ(makeFrom.output, "fonttool: cannot open '" + fifo + "': not a regular file\n");
    ToolResult makeInto = runFonttool({"make", dejaVuSans, "12", fifo});
    EXPECT_EQ(makeInto.exitCode, 1);
    EXPECT_EQ(makeInto.output, "fonttool: cannot write '" + fifo + "': not a regular file\n");
    EXPECT_FALSE(std::filesystem::exists(root + "/out.font"));
}

TEST_F(FontTool, PreviewIsATgaImageOfTheTextAsTheEngineDrawsIt)
{
    ToolResult made = makeDejaVu(14, "Preview_14.font");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::string text = "Preview: fox & dog";
    ToolResult preview = runFonttool({"preview", root + "/gfx/fonts/Preview_14.font", text, root + "/preview.tga",
                                      "--ink", "200,16,8", "--background", "0,96,255"});
    ASSERT_EQ(preview.exitCode, 0) << preview.output;

    Uint16 width = 0, height = 0;
    Uint8 *rgb = targaImageFromFile("/preview.tga", width, height);
    ASSERT_NE(rgb, nullptr) << lastLine();
    EngineFont *font = FontManager::getFont("Preview", 14, 200, 16, 8);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(width, font->textSize(text.c_str()) + 4);
    EXPECT_EQ(height, font->charHeight() + 4);

    fillScreen(mapped(0, 96, 255));
    font->blitText(2, 2, 0, text.c_str());
    int mismatches = 0, inkPixels = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(pixel(x, y), screen->format, &r, &g, &b);
            const Uint8 *p = rgb + (static_cast<size_t>(y) * width + x) * 3;
            mismatches += p[0] != r || p[1] != g || p[2] != b;
            inkPixels += pixel(x, y) == mapped(200, 16, 8);
        }
    delete[] rgb;
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(inkPixels, 100);

    ToolResult broken = runFonttool({"preview", root + "/missing.font", "x", root + "/p.tga"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.says("loadFont ('/missing.font'): Unable to open font file")) << broken.output;
}

}  // namespace
