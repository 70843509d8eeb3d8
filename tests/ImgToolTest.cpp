// imgtool run as a program: conversion of images the engine cannot read into TGA 2.0 files it loads pixel for
// pixel (24 and 32 bits, run-length encoded or not, either origin), see-through pixels of a PNG made the key
// colour, output names the engine would not load refused, the check command's answers from the engine's whole
// load path, RAW output with its size, and the command-line errors.
#include <gtest/gtest.h>

#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include "GraphicSurface.h"
#include "ImageLoader.h"
#include "ImageTestSupport.h"
#include "RawLoader.h"
#include "RunDirectory.h"
#include "TestSupport.h"
#include "TgaLoader.h"

namespace {

const std::string toolPath = std::string(ZARVELLO_BUILD_DIR) + "/imgtool";

class ImgTool : public ImageDisplayTest {
protected:
    RunResult run(const std::vector<std::string> &args) { return tool.run(args, 60); }

    // Copies a file the tool wrote into the engine's data directory under the same name.
    std::string publish(const std::string &file)
    {
        const std::string bytes = tool.readFile(file);
        return put("/" + file, Bytes(bytes.begin(), bytes.end()));
    }

    void writeInput(const std::string &file, const Bytes &bytes)
    {
        tool.writeFile(file, std::string(bytes.begin(), bytes.end()));
    }

    // A PNG file of pixels with channels 3 (RGB) or 4 (RGBA), top row first, as a drawing program saves one.
    void writePng(const std::string &file, int width, int height, int channels, const Bytes &pixels)
    {
        ASSERT_NE(0, stbi_write_png((tool.path() + "/" + file).c_str(), width, height, channels, pixels.data(),
                                    width * channels));
    }

    // Whether every pixel of the loaded image is SDL_MapRGB of rgb.
    static bool samePixels(GraphicSurface *image, const Bytes &rgb, int width, int height)
    {
        if (!image || image->width() != width || image->height() != height)
            return false;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Uint8 *p = &rgb[(y * width + x) * 3];
                if (pixelAt(image->getSurface(), x, y) != Uint16(SDL_MapRGB(screen->format, p[0], p[1], p[2])))
                    return false;
            }
        return true;
    }

    RunDirectory tool{toolPath};
};

// A footer-less, 32-bit TGA with alpha, bottom row first, as most image editors write it.
Bytes editorTga(Uint16 width, Uint16 height, const Bytes &rgb)
{
    TgaFile tga;
    tga.width = width;
    tga.height = height;
    tga.pixelDepth = 32;
    tga.imageDescriptor = 0x08;
    tga.data = storedPixels(rgb, width, height, 4, true);
    tga.signature = TGA_SIGNATURE_NONE;
    return tgaBytes(tga);
}

TEST_F(ImgTool, HelpListsTheCommands)
{
    const RunResult result = run({"--help"});
    EXPECT_EQ(0, result.exitCode);
    EXPECT_NE(std::string::npos, result.standardOutput.find("imgtool convert IN OUT.tga [--rle] [--bottom-up]"));
    EXPECT_NE(std::string::npos, result.standardOutput.find("imgtool check FILE.tga"));
    EXPECT_NE(std::string::npos, result.standardOutput.find("imgtool raw IN OUT.raw"));
}

TEST_F(ImgTool, ConvertedBmpLoadsPixelForPixel)
{
    // 13 pixels make rows of 39 bytes, which BMP pads to 40.
    const Bytes rgb = patternRgb(13, 6);
    writeInput("art.bmp", bmpBytes(13, 6, rgb));
    const std::vector<std::vector<std::string>> variants = {
        {}, {"--rle"}, {"--bottom-up"}, {"--rle", "--bottom-up"}};
    int n = 0;
    for (const std::vector<std::string> &switches : variants) {
        const std::string out = "art" + std::to_string(n++) + ".tga";
        std::vector<std::string> args = {"convert", "art.bmp", out};
        args.insert(args.end(), switches.begin(), switches.end());
        const RunResult result = run(args);
        ASSERT_EQ(0, result.exitCode) << result.standardError;
        EXPECT_NE(std::string::npos, result.standardOutput.find("13 x 6, 24-bit")) << result.standardOutput;

        const std::string name = publish(out);
        EXPECT_EQ(switches.empty() || switches[0] != "--rle" ? 2 : 10, tool.readFile(out)[2]) << out;
        GraphicSurface *image = loadImage(name.c_str(), 0, 0);
        EXPECT_TRUE(samePixels(image, rgb, 13, 6)) << out;
        if (image) {
            image->retain();
            image->release();
        }
    }
    EXPECT_TRUE(newLines().empty());
}

TEST_F(ImgTool, SeeThroughPixelsOfAPngBecomeTheKeyColourOfATwentyFourBitFile)
{
    // Alpha below 128 is see-through; everything else keeps its colour, the key colour included, which the
    // tool warns about, as it does about a colour the 16-bit display cannot tell from the key.
    const Bytes rgba = {10, 20, 30, 0,     200, 100, 50, 127, 1, 2, 3, 128,     40, 50, 60, 255,
                        255, 0, 255, 255,  255, 0, 255, 0,    255, 0, 255, 200, 250, 3, 249, 255};
    const Bytes expected = {255, 0, 255, 255, 0, 255, 1, 2, 3,     40, 50, 60,
                            255, 0, 255, 255, 0, 255, 255, 0, 255, 250, 3, 249};
    ASSERT_EQ(SDL_MapRGB(screen->format, 255, 0, 255), SDL_MapRGB(screen->format, 250, 3, 249));
    writePng("sprite.png", 4, 2, 4, rgba);
    const RunResult result = run({"convert", "sprite.png", "sprite.tga"});
    ASSERT_EQ(0, result.exitCode) << result.standardError;
    EXPECT_EQ("sprite.tga: 4 x 2, 24-bit, uncompressed, top row first, 3 see-through pixels made 255,0,255\n",
              result.standardOutput);
    EXPECT_NE(std::string::npos,
              result.standardError.find("warning: 3 opaque pixels of 'sprite.png' already have the key colour "
                                        "255,0,255"))
        << result.standardError;
    EXPECT_EQ(24, tool.readFile("sprite.tga")[16]);

    GraphicSurface *image = loadImage(publish("sprite.tga").c_str(), 0, 0);
    ASSERT_TRUE(samePixels(image, expected, 4, 2));
    image->retain();
    image->setColorKey(255, 0, 255);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 128, 0));
    image->blitToScreen(0, 0);
    const Uint16 background = Uint16(SDL_MapRGB(screen->format, 0, 128, 0));
    EXPECT_EQ(background, pixelAt(screen, 0, 0));
    EXPECT_EQ(background, pixelAt(screen, 1, 0));
    EXPECT_EQ(Uint16(SDL_MapRGB(screen->format, 1, 2, 3)), pixelAt(screen, 2, 0));
    EXPECT_EQ(Uint16(SDL_MapRGB(screen->format, 40, 50, 60)), pixelAt(screen, 3, 0));
    EXPECT_EQ(background, pixelAt(screen, 0, 1));
    image->release();

    // An opaque image has nothing to make see-through and nothing to warn about.
    writePng("opaque.png", 3, 1, 3, Bytes{255, 0, 255, 1, 2, 3, 4, 5, 6});
    const RunResult opaque = run({"convert", "opaque.png", "opaque.tga"});
    ASSERT_EQ(0, opaque.exitCode) << opaque.standardError;
    EXPECT_EQ("opaque.tga: 3 x 1, 24-bit, uncompressed, top row first\n", opaque.standardOutput);
    EXPECT_EQ("", opaque.standardError);
}

TEST_F(ImgTool, KeepAlphaWritesThirtyTwoBitsThatTheEngineLoadsWithoutAlpha)
{
    const RunResult help = run({"--help"});
    EXPECT_NE(std::string::npos, help.standardOutput.find("The engine ignores alpha")) << help.standardOutput;
    EXPECT_NE(std::string::npos, help.standardOutput.find("--keep-alpha")) << help.standardOutput;

    const Bytes rgb = patternRgb(5, 4);
    writeInput("editor.tga", editorTga(5, 4, rgb));
    const RunResult result = run({"convert", "editor.tga", "engine.tga", "--rle", "--keep-alpha"});
    ASSERT_EQ(0, result.exitCode) << result.standardError;
    EXPECT_NE(std::string::npos, result.standardOutput.find("5 x 4, 32-bit")) << result.standardOutput;
    const std::string bytes = tool.readFile("engine.tga");
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(32, bytes[16]);
    Uint16 width = 0;
    Uint16 height = 0;
    Uint8 *pixels = targaImageFromFile(publish("engine.tga").c_str(), width, height);
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(rgb, Bytes(pixels, pixels + rgb.size()));
    delete[] pixels;

    // The alpha of a PNG reaches the file unchanged.
    writePng("half.png", 2, 1, 4, Bytes{1, 2, 3, 0, 4, 5, 6, 77});
    ASSERT_EQ(0, run({"convert", "half.png", "half.tga", "--keep-alpha"}).exitCode);
    const std::string half = tool.readFile("half.tga");
    ASSERT_GT(half.size(), 26u);
    EXPECT_EQ(std::string("\3\2\1\0\6\5\4\x4d", 8), half.substr(18, 8));
}

TEST_F(ImgTool, OutputNameTheEngineWouldNotLoadIsRefusedAndNothingIsWritten)
{
    writePng("art.png", 2, 2, 3, patternRgb(2, 2));
    for (const std::string name : {"out.png", "out.TGA", "out.tga.bak", "out", "out.raw"}) {
        const RunResult result = run({"convert", "art.png", name});
        EXPECT_EQ(2, result.exitCode) << name;
        EXPECT_NE(std::string::npos, result.standardError.find("'" + name + "'")) << result.standardError;
        EXPECT_NE(std::string::npos, result.standardError.find("must end in \".tga\"")) << result.standardError;
        EXPECT_FALSE(tool.exists(name)) << name;
    }
    for (const std::string name : {"out.tga", "out.RAW", "out.rgb"}) {
        const RunResult result = run({"raw", "art.png", name});
        EXPECT_EQ(2, result.exitCode) << name;
        EXPECT_NE(std::string::npos, result.standardError.find("must end in \".raw\"")) << result.standardError;
        EXPECT_FALSE(tool.exists(name)) << name;
    }
    // Only the file's own extension counts, not a dot in a directory's name.
    tool.makeDirectory("art.d");
    EXPECT_EQ(0, run({"convert", "art.png", "art.d/art.tga"}).exitCode);
}

TEST_F(ImgTool, CheckSaysWhatTheEnginesWholeLoadPathSays)
{
    // A complete TGA that the reader accepts but no surface of the engine's screen format can hold.
    writePng("wide.png", 16384, 1, 3, Bytes(16384 * 3, 0x40));
    ASSERT_EQ(0, run({"convert", "wide.png", "wide.tga"}).exitCode);
    RunResult result = run({"check", "wide.tga"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ(0u, result.standardOutput.find("wide.tga: the engine will not load it: Unable to create surface: "))
        << result.standardOutput;

    writePng("widest.png", 16383, 1, 3, Bytes(16383 * 3, 0x40));
    ASSERT_EQ(0, run({"convert", "widest.png", "widest.tga"}).exitCode);
    result = run({"check", "widest.tga"});
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ("widest.tga: the engine loads it, 16383 x 1 pixels\n", result.standardOutput);

    // A good TGA under a name whose extension the engine does not read.
    tool.writeFile("art.png", tool.readFile("widest.tga"));
    result = run({"check", "art.png"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("art.png: the engine will not load it: Can't determine image type (the engine reads names ending in "
              "\".tga\" or \".raw\")\n",
              result.standardOutput);
}

TEST_F(ImgTool, CheckGivesTheReadersReason)
{
    writeInput("editor.tga", editorTga(5, 4, patternRgb(5, 4)));
    RunResult result = run({"check", "editor.tga"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("editor.tga: the engine will not load it: Invalid TGA footer\n", result.standardOutput);

    ASSERT_EQ(0, run({"convert", "editor.tga", "fixed.tga"}).exitCode);
    result = run({"check", tool.path() + "/fixed.tga"});
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ(tool.path() + "/fixed.tga: the engine loads it, 5 x 4 pixels\n", result.standardOutput);

    TgaFile grey = tgaFromRgb(4, 4, Bytes(48, 1));
    grey.imageType = 3;
    writeInput("grey.tga", tgaBytes(grey));
    result = run({"check", "grey.tga"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("grey.tga: the engine will not load it: Invalid TGA header\n", result.standardOutput);

    result = run({"check", "absent.tga"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("absent.tga: the engine will not load it: Couldn't open file\n", result.standardOutput);
}

TEST_F(ImgTool, RawOutputComesWithItsSize)
{
    const Bytes rgb = patternRgb(7, 3);
    writeInput("art.bmp", bmpBytes(7, 3, rgb));
    const RunResult result = run({"raw", "art.bmp", "art.raw"});
    ASSERT_EQ(0, result.exitCode) << result.standardError;
    EXPECT_EQ("art.raw: width 7, height 3\n", result.standardOutput);
    Uint16 width = 7;
    Uint16 height = 3;
    Uint8 *pixels = rawImageFromFile(publish("art.raw").c_str(), width, height);
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(rgb, Bytes(pixels, pixels + rgb.size()));
    delete[] pixels;
    EXPECT_EQ(rgb.size(), tool.readFile("art.raw").size());
}

TEST_F(ImgTool, WrongCommandLinesAndUnreadableInputsFail)
{
    EXPECT_EQ(2, run({}).exitCode);
    EXPECT_EQ(2, run({"shrink", "a", "b"}).exitCode);
    EXPECT_EQ(2, run({"convert", "a.bmp"}).exitCode);
    EXPECT_EQ(2, run({"convert", "a.bmp", "b.tga", "--fast"}).exitCode);
    EXPECT_EQ(2, run({"check"}).exitCode);
    EXPECT_EQ(2, run({"raw", "a.bmp"}).exitCode);

    writeInput("junk.png", Bytes(100, 0x42));
    RunResult result = run({"convert", "junk.png", "out.tga"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_NE(std::string::npos, result.standardError.find("imgtool: cannot read 'junk.png'"));
    EXPECT_FALSE(tool.exists("out.tga"));

    writeInput("art.bmp", bmpBytes(2, 2, patternRgb(2, 2)));
    result = run({"convert", "art.bmp", "no/such/dir/out.tga"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_NE(std::string::npos, result.standardError.find("cannot create 'no/such/dir/out.tga'"));
}

TEST_F(ImgTool, UnknownCommandOrOptionIsNamedInTheError)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"shrink", "a", "b"}, "imgtool: unknown command 'shrink'"},
        {{"--shrink"}, "imgtool: unknown option '--shrink'"},
        {{"convert", "a.bmp", "b.tga", "--fast"}, "imgtool: unknown option '--fast'"},
        {{"convert", "-q", "a.bmp", "b.tga"}, "imgtool: unknown option '-q'"},
        {{"check", "--verbose", "a.tga"}, "imgtool: unknown option '--verbose'"},
        {{"raw", "a.bmp", "b.raw", "c.raw"}, "imgtool: unexpected argument 'c.raw'"},
    };
    for (const auto &mistake : mistakes) {
        const RunResult result = run(mistake.first);
        EXPECT_EQ(2, result.exitCode) << mistake.second;
        EXPECT_EQ(0u, result.standardError.find(mistake.second)) << result.standardError;
    }
}

// A FIFO or a terminal in place of the input or the output: refused at once with a clear message, exit code 1.
TEST_F(ImgTool, FifoOrTerminalInPlaceOfAFileIsRefusedWithoutWaiting)
{
    IdleTerminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    tool.makeFifo("in.png");
    tool.makeLink(terminal.path, "tty.png");
    for (const char *input : {"in.png", "tty.png"}) {
        RunResult result = run({"convert", input, "out.tga"});
        EXPECT_EQ(1, result.exitCode) << input;
        EXPECT_EQ("imgtool: cannot read '" + std::string(input) + "': not a regular file\n", result.standardError);
    }
    EXPECT_FALSE(tool.exists("out.tga"));

    writeInput("art.bmp", bmpBytes(2, 2, patternRgb(2, 2)));
    tool.makeFifo("out.tga");
    RunResult converted = run({"convert", "art.bmp", "out.tga"});
    EXPECT_EQ(1, converted.exitCode);
    EXPECT_EQ("imgtool: cannot create 'out.tga': not a regular file\n", converted.standardError);
    tool.makeFifo("out.raw");
    RunResult raw = run({"raw", "art.bmp", "out.raw"});
    EXPECT_EQ(1, raw.exitCode);
    EXPECT_EQ("imgtool: cannot write 'out.raw': not a regular file\n", raw.standardError);
}

}  // namespace
