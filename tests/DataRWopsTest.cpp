// Data files as SDL_RWops, through the public interface: every read and seek checked against the same bytes read
// straight from the file, for loose files and for members (the first and the last of an archive, whose
// neighbours must never leak in), and an SDL library (SDL_image) loading a PNG packed in an archive.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <SDL.h>
#include <SDL_image.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "ArchiveWriter.h"
#include "Console.h"
#include "DataRWops.h"
#include "Memory.h"
#include "NFILoader.h"
#include "TestSupport.h"

namespace {

std::string bytesOf(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

class DataRWops : public ScratchRootTest {
protected:
    void SetUp() override
    {
        Console::destroyConsole();
        ASSERT_NO_FATAL_FAILURE(makeRoot("rwops"));
        // Neighbours on both sides of the middle member; the first and the last border the header and directory.
        first = bytesOf(1000, 1);
        middle = bytesOf(4099, 2);
        last = bytesOf(777, 3);
        write("data/sounds.nfi",
              archive::build({{"/first", first}, {"/middle", middle}, {"/last", last}, {"/empty", ""}}));
        write("data/loose.bin", bytesOf(3001, 4));
        NFILoader::globalLoader()->addDataPath(path("data").c_str());
        memoryAtStart = totalAllocatedMemory();
    }

    // Random seeks (from every origin, some past the end, some before the start) and reads of random sizes and
    // object sizes, each compared with what the bytes of the file say.
    void compareWithFile(const char *name, const std::string &file)
    {
        SDL_RWops *rw = openDataRWops(name);
        ASSERT_NE(rw, nullptr) << name;
        EXPECT_EQ(dataRWopsSize(rw), static_cast<Sint32>(file.size()));
        std::mt19937 random(99);
        const int length = static_cast<int>(file.size());
        long position = 0;
        for (int round = 0; round < 2000; ++round) {
            const int whence = static_cast<int>(random() % 3);
            const int offset = static_cast<int>(random() % (length + 40)) - 20 - (whence == SEEK_END ? length : 0);
            const long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position : length;
            const int got = SDL_RWseek(rw, offset, whence);
            if (base + offset < 0) {
                EXPECT_EQ(got, -1);
            } else {
                position = base + offset;
                ASSERT_EQ(got, position);
            }
            ASSERT_EQ(SDL_RWtell(rw), position);

            const int size = 1 + static_cast<int>(random() % 7);
            const int maxnum = static_cast<int>(random() % 300);
            std::vector<char> buffer(static_cast<size_t>(size) * maxnum + 1, '\x5A');
            const long left = position < length ? length - position : 0;
            const long objects = std::min<long>(maxnum, left / size);
            ASSERT_EQ(SDL_RWread(rw, buffer.data(), size, maxnum), objects);
            const size_t bytes = static_cast<size_t>(objects * size);
            const size_t from = static_cast<size_t>(std::min<long>(position, length));
            ASSERT_EQ(std::string(buffer.data(), bytes), file.substr(from, bytes));
            EXPECT_EQ(buffer[bytes], '\x5A') << "a read wrote past what it delivered";
            position += static_cast<long>(bytes);
            ASSERT_EQ(SDL_RWtell(rw), position);
        }
        EXPECT_EQ(SDL_RWclose(rw), 0);
    }

    std::string first, middle, last;
    Uint32 memoryAtStart = 0;
};

TEST_F(DataRWops, SeeksAndReadsMatchTheBytesOfLooseFilesAndMembersAtEveryPlaceOfTheArchive)
{
    compareWithFile("/loose.bin", archive::readFile(path("data/loose.bin")));
    compareWithFile("/first", first);
    compareWithFile("/middle", middle);
    compareWithFile("/last", last);
    compareWithFile("/empty", "");
}

TEST_F(DataRWops, ReadsPastTheEndDeliverWhatIsLeftThenNothing)
{
    SDL_RWops *rw = openDataRWops("/last");
    ASSERT_NE(rw, nullptr);
    std::string buffer(1000, '\0');
    ASSERT_EQ(SDL_RWseek(rw, -5, SEEK_END), 772);
    // Ten 2-byte objects asked, two whole ones left (and a byte that is no whole object).
    EXPECT_EQ(SDL_RWread(rw, buffer.data(), 2, 10), 2);
    EXPECT_EQ(buffer.substr(0, 4), last.substr(772, 4));
    EXPECT_EQ(SDL_RWread(rw, buffer.data(), 1, 10), 1);
    EXPECT_EQ(buffer[0], last[776]);
    EXPECT_EQ(SDL_RWread(rw, buffer.data(), 1, 10), 0);
    EXPECT_EQ(SDL_RWseek(rw, 5000, SEEK_SET), 5000);
    EXPECT_EQ(SDL_RWread(rw, buffer.data(), 1, 10), 0);
    SDL_RWclose(rw);
}

TEST_F(DataRWops, InterleavedMembersOfOneArchiveEachReadTheirOwnBytes)
{
    SDL_RWops *a = openDataRWops("/first");
    SDL_RWops *b = openDataRWops("/middle");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    std::string readA, readB;
    char chunk[100];
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(SDL_RWread(a, chunk, 1, 100), 100);
        readA.append(chunk, 100);
        ASSERT_EQ(SDL_RWread(b, chunk, 1, 100), 100);
        readB.append(chunk, 100);
    }
    EXPECT_EQ(readA, first);
    EXPECT_EQ(readB, middle.substr(0, 1000));
    SDL_RWclose(a);
    SDL_RWclose(b);
}

TEST_F(DataRWops, IsReadOnlyAndGivesItsHandleBackWhenClosed)
{
    SDL_RWops *rw = openDataRWops("/middle");
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(SDL_RWwrite(rw, "x", 1, 1), -1);
    std::string buffer(4, '\0');
    EXPECT_EQ(SDL_RWread(rw, buffer.data(), 1, 4), 4);
    EXPECT_EQ(buffer, middle.substr(0, 4));
    SDL_RWclose(rw);
    // 256 opens and closes in a row: each close gave its handle back.
    for (int i = 0; i < 300; ++i) {
        SDL_RWops *again = openDataRWops("/loose.bin");
        ASSERT_NE(again, nullptr) << "open " << i;
        SDL_RWclose(again);
    }
    EXPECT_EQ(NFILoader::globalLoader()->openFile("/first"), 0);
    EXPECT_EQ(totalAllocatedMemory(), memoryAtStart);
}

TEST_F(DataRWops, AMissingFileGivesNullAndSaysWhyThroughSDL)
{
    const Sint32 linesBefore = Console::totalLines();
    EXPECT_EQ(openDataRWops("/nowhere.wav"), nullptr);
    EXPECT_NE(std::string(SDL_GetError()).find("'/nowhere.wav'"), std::string::npos) << SDL_GetError();
    EXPECT_EQ(openDataRWops(nullptr), nullptr);
    EXPECT_EQ(Console::totalLines(), linesBefore) << "nothing is logged";
    EXPECT_EQ(dataRWopsSize(nullptr), -1);
    SDL_RWops *memory = SDL_RWFromConstMem("abc", 3);
    EXPECT_EQ(dataRWopsSize(memory), -1);
    SDL_RWclose(memory);
}

TEST_F(DataRWops, TheLoaderTellsTheReadPositionOfEveryHandle)
{
    NFILoader *loader = NFILoader::globalLoader();
    NFIHandle h = loader->openFile("/middle");
    ASSERT_NE(h, -1);
    EXPECT_EQ(loader->tell(h), 0);
    Uint32 word;
    loader->readINT4(h, &word);
    EXPECT_EQ(loader->tell(h), 4);
    loader->seek(h, 10, SEEK_END);
    EXPECT_EQ(loader->tell(h), 4109);
    loader->closeFile(h);
    EXPECT_EQ(loader->tell(h), -1);
    EXPECT_EQ(loader->tell(-1), -1);
    EXPECT_EQ(loader->tell(256), -1);
}

TEST_F(DataRWops, SDLImageLoadsAPngPackedInAnArchive)
{
    // A 3 x 2 image: red, green, blue over white, black, grey.
    const unsigned char pixels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    int pngLength = 0;
    unsigned char *png = stbi_write_png_to_mem(pixels, 9, 3, 2, 3, &pngLength);
    ASSERT_NE(png, nullptr);
    const std::string pngBytes(reinterpret_cast<char *>(png), static_cast<size_t>(pngLength));
    STBIW_FREE(png);
    write("data/art.nfi", archive::build({{"/before", "xxxx"}, {"/gfx/title.png", pngBytes}, {"/after", "yy"}}));
    NFILoader::globalLoader()->addNFIFile(path("data/art.nfi").c_str());

    SDL_RWops *rw = openDataRWops("/gfx/title.png");
    ASSERT_NE(rw, nullptr);
    SDL_Surface *image = IMG_Load_RW(rw, 1);
    ASSERT_NE(image, nullptr) << IMG_GetError();
    ASSERT_EQ(image->w, 3);
    ASSERT_EQ(image->h, 2);
    SDL_LockSurface(image);
    auto rgb = [image](int x, int y) {
        const Uint8 *p = static_cast<Uint8 *>(image->pixels) + y * image->pitch + x * image->format->BytesPerPixel;
        Uint32 value = 0;
        for (int i = 0; i < image->format->BytesPerPixel; ++i)
            value |= static_cast<Uint32>(p[i]) << (8 * i);
        Uint8 r, g, b;
        SDL_GetRGB(value, image->format, &r, &g, &b);
        return std::vector<int>{r, g, b};
    };
    EXPECT_EQ(rgb(0, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(rgb(2, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(rgb(2, 1), (std::vector<int>{128, 128, 128}));
    SDL_UnlockSurface(image);
    SDL_FreeSurface(image);
    // IMG_Load_RW closed the RWops: its handle is free again.
    EXPECT_EQ(NFILoader::globalLoader()->openFile("/after"), 0);
}

}  // namespace
