// imgtool run as a program: conversion of images the engine cannot read into TGA 2.0 files it loads pixel for
// pixel (24 and 32 bits, run-length encoded or not, either origin), the check command's answers, RAW output
// with its size, and the command-line errors.
#include <gtest/gtest.h>

#include <string>

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

TEST_F(ImgTool, ImageWithAlphaBecomesThirtyTwoBits)
{
    const Bytes rgb = patternRgb(5, 4);
    writeInput("editor.tga", editorTga(5, 4, rgb));
    const RunResult result = run({"convert", "editor.tga", "engine.tga", "--rle"});
    ASSERT_EQ(0, result.exitCode) << result.standardError;
    const std::string bytes = tool.readFile("engine.tga");
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(32, bytes[16]);
    Uint16 width = 0;
    Uint16 height = 0;
    Uint8 *pixels = targaImageFromFile(publish("engine.tga").c_str(), width, height);
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(rgb, Bytes(pixels, pixels + rgb.size()));
    delete[] pixels;
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
