// The TGA reader through the real data loader: pixel order and both vertical origins, 32-bit input, run-length
// packets (also across row ends and past the image's end), the image ID, every refusal with its reason, sizes
// the file cannot back, and archive members.
#include <gtest/gtest.h>

#include <string>

#include "ArchiveWriter.h"
#include "ImageTestSupport.h"
#include "TgaLoader.h"

namespace {

class TgaReader : public ImageDataTest {
protected:
    // Loads name and returns the RGB bytes (width x height x 3), or an empty vector after a failure.
    Bytes load(const std::string &name)
    {
        width = 7777;
        height = 8888;
        Uint8 *pixels = targaImageFromFile(name.c_str(), width, height);
        if (!pixels)
            return Bytes();
        Bytes result(pixels, pixels + static_cast<size_t>(width) * height * 3);
        delete[] pixels;
        return result;
    }

    // Expects name to be refused for reason, with the size left as it was and the handle closed.
    void expectRefused(const std::string &name, const std::string &reason)
    {
        const std::string message = "tgaImageFromFile ('" + name + "'): " + reason;
        const int before = linesEqualTo(message);
        EXPECT_TRUE(load(name).empty()) << name;
        EXPECT_EQ(before + 1, linesEqualTo(message)) << name;
        EXPECT_EQ(7777, width) << name;
        EXPECT_EQ(8888, height) << name;
        EXPECT_TRUE(allHandlesClosed()) << name;
    }

    Uint16 width = 0;
    Uint16 height = 0;
};

// Three rows of two pixels, each pixel's channels naming its row and column.
Bytes threeRowsRgb()
{
    return {0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
            0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
            0x31, 0x32, 0x33, 0x34, 0x35, 0x36};
}

Bytes rows(const Bytes &rgb, std::initializer_list<int> order, int rowBytes)
{
    Bytes out;
    for (int row : order)
        out.insert(out.end(), rgb.begin() + row * rowBytes, rgb.begin() + (row + 1) * rowBytes);
    return out;
}

TEST_F(TgaReader, TwoByOnePixelsComeOutRedGreenBlue)
{
    TgaFile tga;
    tga.width = 2;
    tga.height = 1;
    tga.data = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    EXPECT_EQ(Bytes({0x30, 0x20, 0x10, 0x60, 0x50, 0x40}), load(put("/two.tga", tga)));
    EXPECT_EQ(2, width);
    EXPECT_EQ(1, height);
    EXPECT_TRUE(newLines().empty());
    EXPECT_TRUE(allHandlesClosed());
}

TEST_F(TgaReader, BottomUpImageComesOutTopRowFirst)
{
    const Bytes rgb = threeRowsRgb();
    // Odd height: the middle row stays where it is.
    TgaFile odd = tgaFromRgb(2, 3, rows(rgb, {2, 1, 0}, 6));
    odd.imageDescriptor = 0x00;
    EXPECT_EQ(rgb, load(put("/odd.tga", odd)));

    // Even height: the second stored row comes first.
    const Bytes top(rgb.begin(), rgb.begin() + 12);
    TgaFile even = tgaFromRgb(2, 2, rows(top, {1, 0}, 6));
    even.imageDescriptor = 0x00;
    EXPECT_EQ(top, load(put("/even.tga", even)));

    // One row: nothing to flip.
    const Bytes single(rgb.begin(), rgb.begin() + 6);
    TgaFile one = tgaFromRgb(2, 1, single);
    one.imageDescriptor = 0x00;
    EXPECT_EQ(single, load(put("/one.tga", one)));
}

TEST_F(TgaReader, OtherDescriptorBitsAreIgnored)
{
    const Bytes rgb = threeRowsRgb();
    TgaFile tga = tgaFromRgb(2, 3, rgb);
    tga.imageDescriptor = 0x20 | 0x10 | 0x08;  // right-to-left and alpha bits play no part
    EXPECT_EQ(rgb, load(put("/bits.tga", tga)));
}

TEST_F(TgaReader, ThirtyTwoBitPixelsLoseTheirAlpha)
{
    TgaFile tga;
    tga.width = 2;
    tga.height = 2;
    tga.pixelDepth = 32;
    tga.imageDescriptor = 0x08;  // bottom row first, 8 alpha bits
    tga.data = {0x01, 0x02, 0x03, 0xA1, 0x04, 0x05, 0x06, 0xA2,   // bottom row
                0x07, 0x08, 0x09, 0xA3, 0x0A, 0x0B, 0x0C, 0xA4};  // top row
    EXPECT_EQ(Bytes({0x09, 0x08, 0x07, 0x0C, 0x0B, 0x0A, 0x03, 0x02, 0x01, 0x06, 0x05, 0x04}),
              load(put("/alpha.tga", tga)));
}

TEST_F(TgaReader, RunPacketRepeatsOnePixelAndRawPacketCopiesPixels)
{
    TgaFile tga;
    tga.imageType = 10;
    tga.width = 6;
    tga.height = 1;
    tga.data = {0x82, 0x01, 0x02, 0x03,                                 // three copies of one pixel
                0x02, 0x10, 0x11, 0x12, 0x20, 0x21, 0x22, 0x30, 0x31, 0x32};  // three literal pixels
    EXPECT_EQ(Bytes({0x03, 0x02, 0x01, 0x03, 0x02, 0x01, 0x03, 0x02, 0x01,
                     0x12, 0x11, 0x10, 0x22, 0x21, 0x20, 0x32, 0x31, 0x30}),
              load(put("/packets.tga", tga)));
}

TEST_F(TgaReader, PacketsRunOnAcrossRowEnds)
{
    // 3 x 2 pixels, bottom row first: a run of 4 fills the bottom row and the first pixel of the top row, a
    // raw packet of 2 the rest.
    TgaFile tga;
    tga.imageType = 10;
    tga.imageDescriptor = 0x00;
    tga.width = 3;
    tga.height = 2;
    tga.data = {0x83, 0xAA, 0xBB, 0xCC, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    EXPECT_EQ(Bytes({0xCC, 0xBB, 0xAA, 0x03, 0x02, 0x01, 0x06, 0x05, 0x04,
                     0xCC, 0xBB, 0xAA, 0xCC, 0xBB, 0xAA, 0xCC, 0xBB, 0xAA}),
              load(put("/across.tga", tga)));

    // A raw packet crossing the row end of a 32-bit image.
    TgaFile wide;
    wide.imageType = 10;
    wide.pixelDepth = 32;
    wide.width = 2;
    wide.height = 2;
    wide.data = {0x02, 1, 2, 3, 0xFF, 4, 5, 6, 0xFF, 7, 8, 9, 0xFF, 0x80, 10, 11, 12, 0xFF};
    EXPECT_EQ(Bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}), load(put("/across32.tga", wide)));
}

TEST_F(TgaReader, PacketRunningPastTheImageEndIsCutAtTheLastPixel)
{
    TgaFile run;
    run.imageType = 10;
    run.width = 2;
    run.height = 1;
    run.data = {0xFF, 0x01, 0x02, 0x03};  // 128 copies for an image of 2 pixels
    EXPECT_EQ(Bytes({0x03, 0x02, 0x01, 0x03, 0x02, 0x01}), load(put("/longrun.tga", run)));

    TgaFile raw;
    raw.imageType = 10;
    raw.width = 1;
    raw.height = 1;
    raw.data = {0x03, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C};
    EXPECT_EQ(Bytes({0x03, 0x02, 0x01}), load(put("/longraw.tga", raw)));
}

TEST_F(TgaReader, ImageIdIsSkipped)
{
    TgaFile tga = tgaFromRgb(2, 1, {1, 2, 3, 4, 5, 6});
    tga.idLength = 5;
    tga.imageId = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), load(put("/id.tga", tga)));

    tga.imageType = 10;
    tga.data = {0x81, 9, 8, 7};
    EXPECT_EQ(Bytes({7, 8, 9, 7, 8, 9}), load(put("/idrle.tga", tga)));
}

TEST_F(TgaReader, BothFooterSignaturesAreAccepted)
{
    TgaFile tga = tgaFromRgb(1, 1, {1, 2, 3});
    tga.signature = TGA_SIGNATURE_NO_DOT;
    tga.freeSignatureByte = 'Q';
    EXPECT_EQ(Bytes({1, 2, 3}), load(put("/nodot.tga", tga)));
    tga.freeSignatureByte = 0;
    EXPECT_EQ(Bytes({1, 2, 3}), load(put("/nodotzero.tga", tga)));
}

TEST_F(TgaReader, FileWithoutTheVersionTwoFooterIsRefused)
{
    TgaFile tga = tgaFromRgb(4, 4, Bytes(48, 7));  // long enough to have a footer's worth of bytes
    tga.signature = TGA_SIGNATURE_NONE;
    expectRefused(put("/v1.tga", tga), "Invalid TGA footer");

    // "TRUEVISION-XFILE." must end in its zero byte.
    Bytes bytes = tgaBytes(tgaFromRgb(1, 1, {1, 2, 3}));
    bytes.back() = 'X';
    expectRefused(put("/dotnozero.tga", bytes), "Invalid TGA footer");

    bytes = tgaBytes(tgaFromRgb(1, 1, {1, 2, 3}));
    bytes[bytes.size() - 18] = 't';
    expectRefused(put("/lower.tga", bytes), "Invalid TGA footer");
}

TEST_F(TgaReader, OtherKindsOfTgaAreRefusedByTheHeader)
{
    struct Variant {
        const char *name;
        Uint8 colorMapType;
        Uint8 imageType;
        Uint8 pixelDepth;
    };
    const Variant variants[] = {
        {"/colourmapped-flag.tga", 1, 2, 24}, {"/colourmapped.tga", 1, 1, 24}, {"/colourmapped-rle.tga", 1, 9, 24},
        {"/grey.tga", 0, 3, 24},              {"/grey-rle.tga", 0, 11, 24},    {"/sixteen.tga", 0, 2, 16},
        {"/eight.tga", 0, 10, 8},             {"/notype.tga", 0, 0, 24},
    };
    for (const Variant &variant : variants) {
        TgaFile tga = tgaFromRgb(1, 1, {1, 2, 3});
        tga.colorMapType = variant.colorMapType;
        tga.imageType = variant.imageType;
        tga.pixelDepth = variant.pixelDepth;
        expectRefused(put(variant.name, tga), "Invalid TGA header");
    }
}

TEST_F(TgaReader, MissingAndTinyFilesAreRefused)
{
    expectRefused("/nowhere.tga", "Couldn't open file");
    expectRefused(put("/tiny.tga", Bytes(25, 0)), "Error seeking to get footer");
}

TEST_F(TgaReader, PixelDataShorterThanTheHeaderPromisesIsRefused)
{
    // 20 x 2 pixels need 120 bytes; the file holds 11 and the 26 of the footer.
    TgaFile tga = tgaFromRgb(20, 2, Bytes(11, 0x55));
    expectRefused(put("/short.tga", tga), "Error reading targa data");

    TgaFile rle;
    rle.imageType = 10;
    rle.width = 300;
    rle.height = 1;
    rle.data = {0xFF, 1, 2, 3, 0xFF, 1, 2, 3};  // 256 of 300 pixels; the footer's bytes, taken as packets, run out
    expectRefused(put("/shortrle.tga", rle), "Error reading targa data");

    TgaFile id = tgaFromRgb(1, 1, {1, 2, 3});
    id.idLength = 255;  // the image ID would reach past the end of the file
    expectRefused(put("/longid.tga", id), "Error reading targa data");
}

TEST_F(TgaReader, HugeSizeInATinyFileIsRefusedBeforeAnythingIsAllocated)
{
    TgaFile tga;
    tga.width = 65535;
    tga.height = 65535;
    tga.pixelDepth = 32;
    tga.data = {1, 2, 3, 4};
    expectRefused(put("/huge.tga", tga), "Error reading targa data");

    // Run-length data: 65535 x 65535 pixels need at least 33 million packets; a few bytes cannot hold them.
    tga.imageType = 10;
    tga.data = {0xFF, 1, 2, 3, 4};
    expectRefused(put("/hugerle.tga", tga), "Error reading targa data");
}

TEST_F(TgaReader, EmptyImageLoadsWithNoPixels)
{
    TgaFile tga;
    tga.width = 0;
    tga.height = 5;
    Uint16 w = 1;
    Uint16 h = 1;
    Uint8 *pixels = targaImageFromFile(put("/empty.tga", tga).c_str(), w, h);
    ASSERT_NE(nullptr, pixels);
    delete[] pixels;
    EXPECT_EQ(0, w);
    EXPECT_EQ(5, h);
}

TEST_F(TgaReader, ArchiveMemberReadsLikeALooseFile)
{
    const Bytes rgb = threeRowsRgb();
    TgaFile tga = tgaFromRgb(2, 3, rows(rgb, {2, 1, 0}, 6));
    tga.imageDescriptor = 0;
    const Bytes bytes = tgaBytes(tga);
    archive::writeFile(dataDirectory + "/images.nfi",
                       archive::build({{"/first.bin", std::string(100, 'x')},
                                       {"/gfx/packed.tga", std::string(bytes.begin(), bytes.end())},
                                       {"/last.bin", std::string("TRUEVISION-XFILE.", 18)}}));
    NFILoader::globalLoader()->addNFIFile((dataDirectory + "/images.nfi").c_str());
    EXPECT_EQ(rgb, load("/gfx/packed.tga"));
    EXPECT_EQ(3, height);
}

// What targaRowsFromFile hands out: the rows in the order they are completed, each as stored, and every piece.
// Pieces that do not continue their row where the last one stopped, or run past its end, count as misplaced.
class RowRecorder : public TargaRowSink {
public:
    SDL_bool beginImage(Uint16 width, Uint16 height) override
    {
        begun = true;
        imageWidth = width;
        imageHeight = height;
        return SDL_TRUE;
    }
    void refuseImage() override {}
    void imagePixels(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixels, Uint32 bytesPerPixel) override
    {
        if (place(y, x, count))
            building.insert(building.end(), pixels, pixels + count * bytesPerPixel);
        finishRow(y, x, count);
    }
    void imageRun(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixel, Uint32 bytesPerPixel) override
    {
        ++runs;
        if (place(y, x, count))
            for (Uint16 i = 0; i < count; ++i)
                building.insert(building.end(), pixel, pixel + bytesPerPixel);
        finishRow(y, x, count);
    }
    bool begun = false;
    Uint16 imageWidth = 0;
    Uint16 imageHeight = 0;
    std::vector<int> order;
    std::vector<Bytes> rows;
    int pieces = 0;
    int runs = 0;
    int misplaced = 0;

private:
    bool place(Uint16 y, Uint16 x, Uint16 count)
    {
        ++pieces;
        const bool inPlace = count > 0 && y < imageHeight && x == nextX && x + count <= imageWidth &&
                             (x == 0 || y == currentY);
        misplaced += !inPlace;
        currentY = y;
        return inPlace;
    }
    void finishRow(Uint16 y, Uint16 x, Uint16 count)
    {
        nextX = x + count;
        if (nextX < imageWidth)
            return;
        order.push_back(y);
        rows.push_back(building);
        building.clear();
        nextX = 0;
    }
    Bytes building;
    unsigned nextX = 0;
    Uint16 currentY = 0;
};

TEST_F(TgaReader, RowsArriveInFileOrderNumberedFromTheTop)
{
    TgaFile tga = tgaFromRgb(2, 3, threeRowsRgb());
    tga.imageDescriptor = 0;
    tga.imageType = 10;
    tga.data = {0x85, 1, 2, 3};
    RowRecorder recorder;
    ASSERT_TRUE(targaRowsFromFile(put("/rows.tga", tga).c_str(), recorder));
    EXPECT_EQ(std::vector<int>({2, 1, 0}), recorder.order);
    EXPECT_EQ(Bytes({1, 2, 3, 1, 2, 3}), recorder.rows[0]);
    EXPECT_TRUE(allHandlesClosed());
}

// Run packets arrive as one pixel and a count, cut at each row end they cross; raw packets arrive as their
// pixels, also cut at row ends and wherever the reader's 64 KB blocks of file data end (packets of 385 or 513
// bytes put pixels across those ends). Reassembled, the pieces give the image the buffer reader gives, for both
// origins and both pixel sizes.
TEST_F(TgaReader, RowPiecesReassembleToTheImageOfTheBufferReader)
{
    for (unsigned pixelSize : {3u, 4u}) {
        for (bool bottomUp : {false, true}) {
            const std::string name = "/pieces" + std::to_string(pixelSize) + (bottomUp ? "b.tga" : "t.tga");
            TgaFile tga;
            tga.imageType = 10;
            tga.pixelDepth = static_cast<Uint8>(pixelSize * 8);
            tga.imageDescriptor = bottomUp ? 0x00 : 0x20;
            tga.width = 1000;
            tga.height = 100;
            // Runs of 128 across row ends, then raw packets of 128 well past the first block of data.
            unsigned value = 0;
            for (int packet = 0; packet < 10; ++packet) {
                tga.data.push_back(0xFF);
                for (unsigned c = 0; c < pixelSize; ++c)
                    tga.data.push_back(static_cast<Uint8>(packet * 16 + c));
            }
            for (unsigned done = 1280; done < 100000; done += 128) {
                tga.data.push_back(0x7F);
                for (unsigned i = 0; i < 128 * pixelSize; ++i)
                    tga.data.push_back(static_cast<Uint8>(value++ * 7 / 5));
            }
            put(name, tga);

            RowRecorder recorder;
            ASSERT_TRUE(targaRowsFromFile(name.c_str(), recorder)) << name;
            const Bytes image = load(name);
            ASSERT_EQ(100u, recorder.rows.size()) << name;
            ASSERT_EQ(3u * 1000 * 100, image.size()) << name;
            EXPECT_EQ(0, recorder.misplaced) << name;
            EXPECT_EQ(11, recorder.runs) << name;  // ten runs, one of them across the first row end
            for (int stored = 0; stored < 100; ++stored) {
                const int y = bottomUp ? 99 - stored : stored;
                ASSERT_EQ(y, recorder.order[stored]) << name;
                Bytes rgb;
                const Bytes &row = recorder.rows[stored];
                for (size_t i = 0; i + pixelSize <= row.size(); i += pixelSize)
                    rgb.insert(rgb.end(), {row[i + 2], row[i + 1], row[i]});
                ASSERT_EQ(Bytes(image.begin() + y * 3000, image.begin() + (y + 1) * 3000), rgb) << name << " row " << y;
            }
        }
    }
    EXPECT_TRUE(allHandlesClosed());
}

TEST_F(TgaReader, RowReaderRefusesLikeTheBufferReaderBeforeTheImageBegins)
{
    TgaFile tga;
    tga.width = 4000;
    tga.height = 4000;
    tga.data = {1, 2, 3};
    RowRecorder recorder;
    EXPECT_FALSE(targaRowsFromFile(put("/norows.tga", tga).c_str(), recorder));
    EXPECT_FALSE(recorder.begun);
    EXPECT_TRUE(logged("tgaImageFromFile ('/norows.tga'): Error reading targa data"));

    // A run-length stream that ends early fails after the image began.
    TgaFile rle;
    rle.imageType = 10;
    rle.width = 200;
    rle.height = 2;
    rle.data = {0xFF, 1, 2, 3, 0xFF, 1, 2, 3};
    EXPECT_FALSE(targaRowsFromFile(put("/cut.tga", rle).c_str(), recorder));
    EXPECT_TRUE(logged("tgaImageFromFile ('/cut.tga'): Error reading targa data"));
    EXPECT_TRUE(allHandlesClosed());
}

}  // namespace
