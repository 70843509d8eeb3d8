// The RAW reader through the real data loader: exact bytes, the caller's size, trailing bytes, short files,
// missing dimensions, and sizes the file cannot back.
#include <gtest/gtest.h>

#include <string>

#include "ImageTestSupport.h"
#include "RawLoader.h"

namespace {

class RawReader : public ImageDataTest {
protected:
    Bytes load(const std::string &name, Uint16 width, Uint16 height)
    {
        Uint16 w = width;
        Uint16 h = height;
        Uint8 *pixels = rawImageFromFile(name.c_str(), w, h);
        EXPECT_EQ(width, w);
        EXPECT_EQ(height, h);
        if (!pixels)
            return Bytes();
        Bytes result(pixels, pixels + static_cast<size_t>(width) * height * 3);
        delete[] pixels;
        return result;
    }
};

TEST_F(RawReader, PixelsComeOutAsStored)
{
    const Bytes rgb = patternRgb(5, 3);
    EXPECT_EQ(rgb, load(put("/gfx/pattern.raw", rgb), 5, 3));
    EXPECT_TRUE(newLines().empty());
    EXPECT_TRUE(allHandlesClosed());
}

TEST_F(RawReader, BytesAfterThePixelsAreIgnored)
{
    const Bytes rgb = patternRgb(4, 4);
    EXPECT_EQ(rgb, load(put("/long.raw", rgb), 4, 4));
    writeRaw(dataDirectory + "/longer.raw", rgb, Bytes(1000, 0xEE));
    EXPECT_EQ(rgb, load("/longer.raw", 4, 4));
    // The same file read as a smaller image takes only its first bytes.
    EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + 12), load("/longer.raw", 2, 2));
}

TEST_F(RawReader, ShortFileFailsWithTheReadReason)
{
    put("/short.raw", patternRgb(4, 4));
    EXPECT_TRUE(load("/short.raw", 4, 5).empty());
    EXPECT_TRUE(logged("rawImageFromFile ('/short.raw' , 4 , 5): Error reading from file"));
    EXPECT_TRUE(allHandlesClosed());
}

TEST_F(RawReader, HugeSizeForASmallFileFailsWithoutAllocating)
{
    put("/small.raw", Bytes(30, 1));
    EXPECT_TRUE(load("/small.raw", 65535, 65535).empty());
    EXPECT_TRUE(logged("rawImageFromFile ('/small.raw' , 65535 , 65535): Error reading from file"));
}

TEST_F(RawReader, MissingDimensionsFailBeforeTheFileIsOpened)
{
    // The file does not exist: the dimension check comes first, so its reason is the one given.
    EXPECT_TRUE(load("/absent.raw", 0, 7).empty());
    EXPECT_TRUE(logged("rawImageFromFile ('/absent.raw' , 0 , 7): Programmer forgot to specify image dimensions. Twit."));
    EXPECT_TRUE(load("/absent.raw", 9, 0).empty());
    EXPECT_TRUE(logged("rawImageFromFile ('/absent.raw' , 9 , 0): Programmer forgot to specify image dimensions. Twit."));
    EXPECT_EQ(2u, newLines().size());
}

TEST_F(RawReader, MissingFileFailsWithTheOpenReason)
{
    EXPECT_TRUE(load("/absent.raw", 2, 2).empty());
    EXPECT_TRUE(logged("rawImageFromFile ('/absent.raw' , 2 , 2): Couldn't open file"));
}

}  // namespace
