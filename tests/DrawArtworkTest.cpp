// drawartwork, the painter of the shipped images: pictures come out as TGA files the engine reads, magenta where
// nothing was painted, with fills, gradients and bevels where the description puts them; a bad description is
// refused with its line.
#include <gtest/gtest.h>

#include <string>

#include "ConfigTable.h"
#include "Console.h"
#include "NFILoader.h"
#include "RunDirectory.h"
#include "TgaLoader.h"

namespace {

const std::string drawartwork = std::string(ZARVELLO_BUILD_DIR) + "/drawartwork";

std::string rgb(int r, int g, int b)
{
    return std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
}

struct Picture {
    Uint16 width = 0, height = 0;
    std::string rgb;
    std::string at(int x, int y) const { return rgb.substr((static_cast<size_t>(y) * width + x) * 3, 3); }
};

// Reads a picture through the engine's own TGA reader.
Picture readPicture(const std::string &directory, const std::string &name)
{
    logConsole = SDL_FALSE;
    displayConsole = SDL_FALSE;
    NFILoader::globalLoader()->addDataPath(directory.c_str());
    Picture picture;
    Uint8 *data = targaImageFromFile(name.c_str(), picture.width, picture.height);
    if (data)
        picture.rgb.assign(reinterpret_cast<char *>(data), static_cast<size_t>(picture.width) * picture.height * 3);
    delete[] data;
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    return picture;
}

TEST(DrawArtwork, PaintsWhatTheDescriptionSaysOnMagenta)
{
    RunDirectory dir(drawartwork);
    dir.writeFile("art.txt",
                  "# two pictures\n"
                  "image a/one.tga 6 4\n"
                  "rect 1 1 2 2 102030   # a small square\n"
                  "image two.tga 3 5\n"
                  "fill vgradient 000000 ffffff 000000\n"
                  "origin 0 4\n"
                  "bevel 0 0 3 1 ff0000 0000ff\n");
    RunResult result = dir.run({"art.txt", "out"});
    ASSERT_EQ(result.exitCode, 0) << result.standardError;

    Picture one = readPicture(dir.path() + "/out", "/a/one.tga");
    ASSERT_EQ(one.width, 6);
    ASSERT_EQ(one.height, 4);
    EXPECT_EQ(one.at(0, 0), rgb(255, 0, 255));
    EXPECT_EQ(one.at(1, 1), rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(one.at(2, 2), rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(one.at(3, 2), rgb(255, 0, 255));

    Picture two = readPicture(dir.path() + "/out", "/two.tga");
    ASSERT_EQ(two.height, 5);
    EXPECT_EQ(two.at(1, 0), rgb(0, 0, 0));
    EXPECT_EQ(two.at(1, 2), rgb(255, 255, 255)) << "the middle stop sits half-way down";
    EXPECT_EQ(two.at(0, 4), rgb(255, 0, 0)) << "a one-pixel-high bevel: light at its left end";
    EXPECT_EQ(two.at(2, 4), rgb(0, 0, 255)) << "and dark at its right end";
}

TEST(DrawArtwork, BadDescriptionIsRefusedWithItsLine)
{
    RunDirectory dir(drawartwork);
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"rect 0 0 1 1 ffffff\n", "art.txt:1: 'rect' before the first 'image'"},
        {"image x.tga 2 2\nrect 0 0 1 1 fffff\n", "art.txt:2: colour 'fffff' is not six hexadecimal digits"},
        {"image x.tga 2 2\n\nsplat 1 2\n", "art.txt:3: unknown command 'splat'"},
        {"image x.tga 0 2\n", "art.txt:1: an image is 1 to 4096 whole pixels wide and high"},
        {"image x.tga 2 2\nfill vgradient 000000\n", "art.txt:2: a gradient needs two colours or more"},
    };
    for (const auto &c : cases) {
        dir.writeFile("art.txt", c.text);
        RunResult result = dir.run({"art.txt", "out"});
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_TRUE(result.contains(c.message)) << c.message << "\n" << result.standardError;
    }
    EXPECT_FALSE(dir.exists("out/x.tga")) << "nothing is written from a refused description";
    EXPECT_EQ(dir.run({"--help"}).exitCode, 0);
}

}  // namespace
