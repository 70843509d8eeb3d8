// Loading images into 16-bit surfaces and tinting them: the extension rules, surfaces of the file's size in the
// screen's layout, pixels identical to SDL_MapRGB for every 16-bit screen layout (uncompressed and run-length
// TGA, both origins, 24 and 32 bits, RAW, tinted), rows at the surface's pitch, the tint figures and masks,
// and the failures with their messages.
#include <gtest/gtest.h>

#include <string>

#include "GraphicSurface.h"
#include "ImageLoader.h"
#include "ImageTestSupport.h"
#include "TgaLoader.h"
#include "VidBlend.h"

namespace {

class ImageLoading : public ImageDisplayTest {
protected:
    // Writes a TGA of rgb with the given storage and returns its name.
    std::string putTga(const std::string &name, const Bytes &rgb, Uint16 width, Uint16 height, unsigned pixelSize,
                       bool runLength, bool bottomUp)
    {
        TgaFile tga;
        tga.width = width;
        tga.height = height;
        tga.pixelDepth = static_cast<Uint8>(pixelSize * 8);
        tga.imageType = runLength ? 10 : 2;
        tga.imageDescriptor = bottomUp ? 0x00 : 0x20;
        tga.data = storedPixels(rgb, width, height, pixelSize, bottomUp);
        if (runLength)
            tga.data = runLengthPackets(tga.data, pixelSize);
        return put(name, tga);
    }

    // Whether every pixel of image is SDL_MapRGB of the RGB pixel through the screen's format.
    ::testing::AssertionResult matches(GraphicSurface *image, const Bytes &rgb, int width, int height)
    {
        if (!image)
            return ::testing::AssertionFailure() << "no image";
        SDL_Surface *surface = image->getSurface();
        if (surface->w != width || surface->h != height)
            return ::testing::AssertionFailure() << "size " << surface->w << " x " << surface->h;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Uint8 *p = &rgb[(y * width + x) * 3];
                const Uint16 expected = static_cast<Uint16>(SDL_MapRGB(screen->format, p[0], p[1], p[2]));
                if (pixelAt(surface, x, y) != expected)
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << pixelAt(surface, x, y)
                                                         << ", SDL_MapRGB gives " << expected;
            }
        return ::testing::AssertionSuccess();
    }

    static void dispose(GraphicSurface *image)
    {
        if (image) {
            image->retain();
            image->release();
        }
    }
};

// A pattern in which each channel takes all 256 values, with a band of one colour for run packets.
Bytes testImage(unsigned width, unsigned height)
{
    Bytes rgb = patternRgb(width, height);
    for (unsigned i = width * 3; i < width * 3 * 3 && i + 2 < rgb.size(); i += 3) {
        rgb[i] = 0xFF;
        rgb[i + 1] = 0x00;
        rgb[i + 2] = 0xFF;
    }
    return rgb;
}

TEST_F(ImageLoading, TypeOfImageGoesByTheLastExtensionExactly)
{
    EXPECT_EQ(IMG_TGA, typeOfImage("/gfx/skins/tile.tga"));
    EXPECT_EQ(IMG_RAW, typeOfImage("/gfx/back.raw"));
    EXPECT_EQ(IMG_TGA, typeOfImage(".tga"));
    EXPECT_EQ(IMG_NONE, typeOfImage("/gfx/tile.TGA"));
    EXPECT_EQ(IMG_NONE, typeOfImage("/gfx/tile.Raw"));
    EXPECT_EQ(IMG_NONE, typeOfImage("/gfx/tile.tga.bak"));
    EXPECT_EQ(IMG_NONE, typeOfImage("/gfx/tile.tgax"));
    EXPECT_EQ(IMG_NONE, typeOfImage("/gfx/tile"));
    EXPECT_EQ(IMG_NONE, typeOfImage("/gfx.tga/tile"));
    EXPECT_EQ(IMG_NONE, typeOfImage(""));
}

TEST_F(ImageLoading, UnrecognisedExtensionIsRefused)
{
    put("/tile.TGA", tgaFromRgb(1, 1, {1, 2, 3}));
    EXPECT_EQ(nullptr, loadImage("/tile.TGA", 0, 0));
    EXPECT_TRUE(logged("dataForFilename ('/tile.TGA'): Can't determine image type"));
    EXPECT_EQ(nullptr, loadImage("/tile", 0, 0));
    EXPECT_TRUE(logged("dataForFilename ('/tile'): Can't determine image type"));
}

TEST_F(ImageLoading, TgaBecomesASurfaceOfItsOwnSizeInTheScreenLayout)
{
    const Bytes rgb = testImage(7, 5);
    const std::string name = putTga("/gfx/seven.tga", rgb, 7, 5, 3, false, false);
    GraphicSurface *image = loadImage(name.c_str(), 100, 200);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(0, image->retainCount());
    EXPECT_STREQ("/gfx/seven.tga", image->getName());
    SDL_Surface *surface = image->getSurface();
    EXPECT_EQ(7, surface->w);
    EXPECT_EQ(5, surface->h);
    EXPECT_EQ(16, surface->format->BitsPerPixel);
    EXPECT_EQ(screen->format->Rmask, surface->format->Rmask);
    EXPECT_EQ(screen->format->Gmask, surface->format->Gmask);
    EXPECT_EQ(screen->format->Bmask, surface->format->Bmask);
    EXPECT_EQ(0u, surface->format->Amask);
    EXPECT_EQ(0u, surface->flags & SDL_HWSURFACE);
    EXPECT_TRUE(matches(image, rgb, 7, 5));
    EXPECT_TRUE(newLines().empty());
    dispose(image);
}

// The straightforward conversion is one SDL_MapRGB per pixel; the loader must give exactly its values for every
// 16-bit layout a display can have, alpha mask included, whatever way the file stores the pixels.
TEST_F(ImageLoading, PixelsEqualSdlMapRgbForEveryScreenLayout)
{
    struct Layout {
        const char *name;
        Uint32 r, g, b, a;
    };
    const Layout layouts[] = {
        {"5-6-5", 0xF800, 0x07E0, 0x001F, 0},      {"5-5-5", 0x7C00, 0x03E0, 0x001F, 0},
        {"1-5-5-5", 0x7C00, 0x03E0, 0x001F, 0x8000}, {"b-g-r 5-6-5", 0x001F, 0x07E0, 0xF800, 0},
        {"4-4-4-4", 0x0F00, 0x00F0, 0x000F, 0xF000}, {"6-5-5", 0xFC00, 0x03E0, 0x001F, 0},
    };
    const Uint16 width = 256;
    const Uint16 height = 12;
    const Bytes rgb = testImage(width, height);
    putTga("/plain.tga", rgb, width, height, 3, false, false);
    putTga("/flipped.tga", rgb, width, height, 3, false, true);
    putTga("/packed.tga", rgb, width, height, 3, true, false);
    putTga("/packedflipped.tga", rgb, width, height, 3, true, true);
    putTga("/alpha.tga", rgb, width, height, 4, false, true);
    putTga("/packedalpha.tga", rgb, width, height, 4, true, false);
    put("/plain.raw", rgb);
    // A black mask tints nothing, so the tinted path must give the same pixels.
    put("/black.raw", Bytes(rgb.size(), 0));

    for (const Layout &layout : layouts) {
        ScreenLayout display(layout.r, layout.g, layout.b, layout.a);
        ASSERT_TRUE(display.ready()) << layout.name;
        for (const char *name : {"/plain.tga", "/flipped.tga", "/packed.tga", "/packedflipped.tga", "/alpha.tga",
                                 "/packedalpha.tga"}) {
            GraphicSurface *image = loadImage(name, 0, 0);
            EXPECT_TRUE(matches(image, rgb, width, height)) << layout.name << " " << name;
            dispose(image);
        }
        GraphicSurface *raw = loadImage("/plain.raw", width, height);
        EXPECT_TRUE(matches(raw, rgb, width, height)) << layout.name << " RAW";
        dispose(raw);
        GraphicSurface *tinted = loadBlendedImage("/plain.raw", "/black.raw", 10, 20, 30, width, height);
        EXPECT_TRUE(matches(tinted, rgb, width, height)) << layout.name << " tinted";
        dispose(tinted);
    }
    EXPECT_TRUE(newLines().empty());
}

TEST_F(ImageLoading, RowsLandAtTheSurfacePitch)
{
    // 3 pixels of 2 bytes make 6-byte rows; SDL pads each row of the surface to 8.
    const Bytes rgb = testImage(3, 4);
    GraphicSurface *tga = loadImage(putTga("/narrow.tga", rgb, 3, 4, 3, true, true).c_str(), 0, 0);
    ASSERT_NE(nullptr, tga);
    EXPECT_GT(tga->getSurface()->pitch, 6);
    EXPECT_TRUE(matches(tga, rgb, 3, 4));
    dispose(tga);
    GraphicSurface *raw = loadImage(put("/narrow.raw", rgb).c_str(), 3, 4);
    EXPECT_TRUE(matches(raw, rgb, 3, 4));
    dispose(raw);
}

TEST_F(ImageLoading, RawFileNeedsItsSize)
{
    put("/back.raw", testImage(2, 2));
    EXPECT_EQ(nullptr, loadImage("/back.raw", 0, 0));
    EXPECT_TRUE(logged("rawImageFromFile ('/back.raw' , 0 , 0): Programmer forgot to specify image dimensions. Twit."));
}

TEST_F(ImageLoading, ReaderFailuresGiveNullWithTheReadersMessage)
{
    TgaFile cut = tgaFromRgb(40, 40, Bytes(30, 1));
    EXPECT_EQ(nullptr, loadImage(put("/cut.tga", cut).c_str(), 0, 0));
    EXPECT_TRUE(logged("tgaImageFromFile ('/cut.tga'): Error reading targa data"));

    TgaFile stream;
    stream.imageType = 10;
    stream.width = 300;
    stream.height = 2;
    stream.data = {0xFF, 1, 2, 3, 0xFF, 1, 2, 3, 0xFF, 1, 2, 3, 0xFF, 1, 2, 3};
    EXPECT_EQ(nullptr, loadImage(put("/stream.tga", stream).c_str(), 0, 0));
    EXPECT_TRUE(logged("tgaImageFromFile ('/stream.tga'): Error reading targa data"));

    EXPECT_EQ(nullptr, loadImage("/absent.tga", 0, 0));
    EXPECT_TRUE(logged("tgaImageFromFile ('/absent.tga'): Couldn't open file"));
    EXPECT_EQ(3u, newLines().size());
}

// SDL keeps a surface's pitch in 16 bits, so very wide surfaces cannot exist; the image is refused with
// SDL's reason instead of being written past the end of a surface that is too small.
TEST_F(ImageLoading, ImageTooWideForASurfaceIsRefused)
{
    TgaFile wide;
    wide.imageType = 10;
    wide.width = 65535;
    wide.height = 2;
    for (int i = 0; i < 1024; ++i)
        wide.data.insert(wide.data.end(), {0xFF, 9, 8, 7});
    EXPECT_EQ(nullptr, loadImage(put("/wide.tga", wide).c_str(), 0, 0));
    const std::vector<std::string> lines = newLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].find("Unable to create surface for '/wide.tga': ")) << lines[0];

    wide.width = 16383;
    GraphicSurface *widest = loadImage(put("/widest.tga", wide).c_str(), 0, 0);
    ASSERT_NE(nullptr, widest);
    EXPECT_EQ(static_cast<Uint16>(SDL_MapRGB(screen->format, 7, 8, 9)), pixelAt(widest->getSurface(), 16382, 1));
    dispose(widest);
}

TEST_F(ImageLoading, NoSurfaceWithoutAScreen)
{
    put("/one.tga", tgaFromRgb(1, 1, {1, 2, 3}));
    SDL_Surface *display = screen;
    screen = nullptr;
    EXPECT_EQ(nullptr, loadImage("/one.tga", 0, 0));
    screen = display;
    EXPECT_TRUE(logged("Unable to create surface for '/one.tga': the screen is not open"));
}

// An image is read whole before a surface is made of it, so data that ends early gets the reader's message,
// whether or not a surface could have been made: here one too wide for any surface, and one without a screen.
TEST_F(ImageLoading, RunLengthImageWhoseDataEndsEarlyGivesTheReadersMessageBeforeAnySurfaceFailure)
{
    TgaFile wide;
    wide.imageType = 10;
    wide.width = 65535;
    wide.height = 2;
    for (int i = 0; i < 1024; ++i)
        wide.data.insert(wide.data.end(), {0x00, 9, 8, 7});  // 1024 pixels of 131070
    EXPECT_EQ(nullptr, loadImage(put("/wide-short.tga", wide).c_str(), 0, 0));

    TgaFile small = wide;
    small.width = 2000;
    put("/short.tga", small);
    SDL_Surface *display = screen;
    screen = nullptr;
    EXPECT_EQ(nullptr, loadImage("/short.tga", 0, 0));
    screen = display;
    EXPECT_EQ(newLines(), std::vector<std::string>({"tgaImageFromFile ('/wide-short.tga'): Error reading targa data",
                                                    "tgaImageFromFile ('/short.tga'): Error reading targa data"}));
    EXPECT_TRUE(allHandlesClosed());
}

TEST(Blending, ChannelsBecomeTheirProductDividedBy256RoundedDown)
{
    struct Case {
        Uint8 channel, component, result;
    };
    for (const Case &c : {Case{255, 255, 254}, Case{128, 255, 127}, Case{255, 1, 0}, Case{200, 0, 0},
                          Case{0, 200, 0}, Case{100, 128, 50}, Case{3, 100, 1}}) {
        Uint8 r = c.channel;
        Uint8 g = c.channel;
        Uint8 b = c.channel;
        blendPixel(&r, &g, &b, c.component, c.component, c.component);
        EXPECT_EQ(c.result, r) << int(c.channel) << " x " << int(c.component);
        EXPECT_EQ(c.result, g);
        EXPECT_EQ(c.result, b);
    }
    Uint8 r = 255;
    Uint8 g = 255;
    Uint8 b = 255;
    blendPixel(&r, &g, &b, 200, 100, 0);
    EXPECT_EQ(Bytes({199, 99, 0}), Bytes({r, g, b}));
}

TEST(Blending, OnlyPureWhiteMaskPixelsTint)
{
    Uint8 data[] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 100, 100, 100};
    Uint8 mask[] = {255, 255, 255, 255, 255, 254, 0, 0, 0, 255, 255, 255};
    blendDataWithColor(data, mask, 2, 2, 200, 100, 0);
    EXPECT_EQ(Bytes({199, 99, 0, 255, 255, 255, 255, 255, 255, 78, 39, 0}), Bytes(data, data + 12));
    EXPECT_EQ(Bytes({255, 255, 255, 255, 255, 254, 0, 0, 0, 255, 255, 255}), Bytes(mask, mask + 12));
}

TEST(Blending, WithoutAMaskEveryPixelIsTinted)
{
    Uint8 data[] = {255, 255, 255, 10, 20, 30};
    blendDataWithColor(data, nullptr, 2, 1, 128, 128, 128);
    EXPECT_EQ(Bytes({127, 127, 127, 5, 10, 15}), Bytes(data, data + 6));
}

TEST_F(ImageLoading, BlendedImageIsTintedWhereTheMaskIsWhite)
{
    put("/source.tga", tgaFromRgb(3, 1, {255, 255, 255, 255, 255, 255, 40, 80, 120}));
    put("/mask.tga", tgaFromRgb(3, 1, {255, 255, 255, 255, 255, 254, 255, 255, 255}));
    GraphicSurface *image = loadBlendedImage("/source.tga", "/mask.tga", 200, 100, 0, 0, 0);
    ASSERT_NE(nullptr, image);
    EXPECT_STREQ("/source.tga", image->getName());
    EXPECT_EQ(0, image->retainCount());
    EXPECT_TRUE(matches(image, {199, 99, 0, 255, 255, 255, 31, 31, 0}, 3, 1));
    dispose(image);
}

TEST_F(ImageLoading, BlendedImageNeedsSourceAndMaskOfOneSize)
{
    put("/source.tga", tgaFromRgb(3, 1, Bytes(9, 255)));
    put("/tall.tga", tgaFromRgb(3, 2, Bytes(18, 255)));
    EXPECT_EQ(nullptr, loadBlendedImage("/source.tga", "/tall.tga", 1, 2, 3, 0, 0));
    EXPECT_TRUE(logged("createBlendedSurfaceWithImages ('/source.tga','/tall.tga'): source and mask aren't the same size"));
}

TEST_F(ImageLoading, BlendedImageReadsBothFilesBeforeGivingUp)
{
    put("/source.tga", tgaFromRgb(1, 1, {1, 2, 3}));
    EXPECT_EQ(nullptr, loadBlendedImage("/nosource.tga", "/nomask.raw", 1, 2, 3, 1, 1));
    EXPECT_TRUE(logged("tgaImageFromFile ('/nosource.tga'): Couldn't open file"));
    EXPECT_TRUE(logged("rawImageFromFile ('/nomask.raw' , 1 , 1): Couldn't open file"));
    EXPECT_EQ(nullptr, loadBlendedImage("/source.tga", "/nomask.tga", 1, 2, 3, 0, 0));
    EXPECT_TRUE(logged("tgaImageFromFile ('/nomask.tga'): Couldn't open file"));
}

}  // namespace
