// Hostile input through the readers' public entry points, as the fuzz targets feed it: byte literals for the
// cases every reader must refuse (sizes that the file cannot back, counts of 2^32 - 1, members past the end of
// their archive, scripts that never end), and every file under tests/data/regress/<reader>/, where each input a
// fuzz run ever found lands. Each input must leave the reader's message, no sanitizer report, and no tracked
// memory behind once the caches and the loader are gone.
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "ArchiveWriter.h"
#include "Config.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Font.h"
#include "FontManager.h"
#include "GraphicSurface.h"
#include "ImageLoader.h"
#include "ImageManager.h"
#include "LittleEndian.h"
#include "Memory.h"
#include "NFILoader.h"
#include "RawLoader.h"
#include "SkinLoader.h"
#include "TgaLoader.h"
#include "Video.h"

namespace fs = std::filesystem;

namespace {

// An 18-byte TGA header: true-colour, 24-bit, top row first.
std::string tgaHeader(unsigned type, unsigned width, unsigned height, unsigned depth = 24)
{
    return std::string("\0\0", 2) + static_cast<char>(type) + std::string(9, '\0') + le16(width) + le16(height) +
           static_cast<char>(depth) + '\x20';
}

std::string tgaFooter()
{
    return std::string(8, '\0') + std::string("TRUEVISION-XFILE.\0", 18);
}

std::string fileBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class HostileInput : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        fullscreen = SDL_FALSE;
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
        ASSERT_EQ(initializeVideo(), SDL_TRUE);
    }

    static void TearDownTestSuite()
    {
        shutdownVideo();
        SDL_Quit();
        Console::destroyConsole();
    }

    void SetUp() override
    {
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        char pattern[] = "/tmp/zarvello-regress-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        lastInput.reserve(4096);
        Console::clearBuffer();
        baseline = totalAllocatedMemory();
    }

    void TearDown() override
    {
        ImageManager::destroyImageManager();
        FontManager::destroyFontManager();
        delete NFILoader::globalLoader();
        Console::clearBuffer();
        EXPECT_EQ(totalAllocatedMemory(), baseline) << "tracked memory left allocated after " << lastInput;
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    // Writes a data file ("/gfx/a.tga") below the test's data directory.
    void write(const std::string &dataName, const std::string &bytes)
    {
        fs::path path = directory + dataName;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // The data loader with the test's data directory registered (and its archives loaded).
    NFILoader *loader()
    {
        NFILoader *loader = NFILoader::globalLoader();
        if (!loader->dataPathList())
            loader->addDataPath(directory.c_str());
        return loader;
    }

    // Starts over with a new loader, for an input that replaces the archives.
    void reload()
    {
        ImageManager::destroyImageManager();
        FontManager::destroyFontManager();
        delete NFILoader::globalLoader();
    }

    bool consoleHas(const std::string &line)
    {
        for (Sint32 i = 0; i < Console::totalLines(); ++i)
            if (line == Console::lineAtIndex(i))
                return true;
        return false;
    }

    bool consoleHasStart(const std::string &start)
    {
        for (Sint32 i = 0; i < Console::totalLines(); ++i)
            if (std::string(Console::lineAtIndex(i)).compare(0, start.size(), start) == 0)
                return true;
        return false;
    }

    std::string directory;
    Uint32 baseline = 0;
    // The input being read, for the failure messages (gtest's own traces would count as tracked memory).
    std::string lastInput = "the test";
};

// --- Images ---------------------------------------------------------------------------------------------------

TEST_F(HostileInput, TgaClaiming65535By65535PixelsIn40BytesIsRefusedByBothReaders)
{
    // The footer's 26 bytes overlap the header's last four bytes.
    std::string bytes = tgaHeader(2, 65535, 65535) + std::string(4, '\0') + std::string("TRUEVISION-XFILE.\0", 18);
    ASSERT_EQ(bytes.size(), 40u);
    write("/huge.tga", bytes);
    loader();
    Uint16 width = 7, height = 7;
    EXPECT_EQ(targaImageFromFile("/huge.tga", width, height), nullptr);
    EXPECT_EQ(width, 7);
    EXPECT_EQ(ImageManager::getImage("/huge.tga"), nullptr);
    EXPECT_TRUE(consoleHas("tgaImageFromFile ('/huge.tga'): Error reading targa data"));
}

TEST_F(HostileInput, RunLengthTgaPromising128PixelsPerPacketIsRefusedWhenTheFileCannotHoldThem)
{
    // 65535 x 65535 pixels need at least 33.5 million packets; four bytes of pixel data are not them.
    write("/rle.tga", tgaHeader(10, 65535, 65535) + std::string("\xff\x01\x02\x03", 4) + tgaFooter());
    loader();
    Uint16 width = 0, height = 0;
    EXPECT_EQ(targaImageFromFile("/rle.tga", width, height), nullptr);
    EXPECT_EQ(ImageManager::getImage("/rle.tga"), nullptr);
}

TEST_F(HostileInput, RunLengthPacketRunningPastTheLastPixelStaysInsideTheImage)
{
    // One run packet of 128 pixels for an image of 2 x 1, then a raw packet promising 128 more.
    write("/over.tga", tgaHeader(10, 2, 1) + std::string("\xff\x10\x20\x30\x7f\x01\x02\x03", 8) + tgaFooter());
    loader();
    Uint16 width = 0, height = 0;
    Uint8 *pixels = targaImageFromFile("/over.tga", width, height);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(pixels[0], 0x30);
    EXPECT_EQ(pixels[5], 0x10);
    delete[] pixels;
    GraphicSurface *image = ImageManager::getImage("/over.tga");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 2);
}

TEST_F(HostileInput, TgaTooWideForASurfaceIsRefusedByTheImageLoader)
{
    // 40000 x 1 pixels are in the file, but an SDL surface's pitch cannot hold 80000 bytes.
    write("/wide.tga", tgaHeader(2, 40000, 1) + std::string(120000, '\x11') + tgaFooter());
    loader();
    EXPECT_EQ(ImageManager::getImage("/wide.tga"), nullptr);
    EXPECT_TRUE(consoleHasStart("Unable to create surface for '/wide.tga': "));
}

TEST_F(HostileInput, RawSizeTheFileCannotHoldIsRefusedBeforeAllocating)
{
    write("/small.raw", std::string(10, '\x7f'));
    loader();
    Uint16 width = 65535, height = 65535;
    EXPECT_EQ(rawImageFromFile("/small.raw", width, height), nullptr);
    EXPECT_TRUE(consoleHas("rawImageFromFile ('/small.raw' , 65535 , 65535): Error reading from file"));
}

// --- Archives -------------------------------------------------------------------------------------------------

TEST_F(HostileInput, ArchiveWhoseDirectoryClaimsTwoToTheThirtyTwoEntriesIsRejected)
{
    write("/huge.nfi", archive::fileHeader(13) + archive::dirHeader(0xFFFFFFFFu) +
                           archive::dirEntry("/a", 0, 1));
    EXPECT_EQ(loader()->loadedNFICount(), 0u);
    EXPECT_TRUE(consoleHas("Error adding Archive file 'huge.nfi'"));
    EXPECT_EQ(loader()->openFile("/a"), -1);
}

TEST_F(HostileInput, MemberReachingPastTheEndOfItsArchiveFailsEveryRead)
{
    std::string bytes = archive::fileHeader(13 + 3) + "abc" + archive::dirHeader(1) +
                        archive::dirEntry("/past", 14, 0xFFFFFFF0u);
    write("/past.nfi", bytes);
    NFILoader *data = loader();
    NFIHandle handle = data->openFile("/past");
    ASSERT_GE(handle, 0);
    char buffer[400];
    EXPECT_EQ(data->readByteStream(handle, buffer, 2), SDL_TRUE);  // "bc": still inside the file
    EXPECT_EQ(data->readByteStream(handle, buffer, sizeof buffer), SDL_FALSE);  // 284 bytes are left
    Uint32 value;
    EXPECT_EQ(data->seek(handle, -4, SEEK_END), SDL_TRUE);
    EXPECT_EQ(data->readINT4(handle, &value), SDL_FALSE);
    EXPECT_EQ(data->seek(handle, 600, SEEK_SET), SDL_TRUE);
    EXPECT_EQ(data->readString(handle, buffer, sizeof buffer, SDL_TRUE), SDL_FALSE);
    data->closeFile(handle);
}

TEST_F(HostileInput, MemberNameFillingAll260BytesIsFoundOnlyWhole)
{
    const std::string name = "/" + std::string(259, 'n');
    write("/long.nfi", archive::build({{name, "xyz"}}));
    NFILoader *data = loader();
    EXPECT_EQ(data->openFile(name.substr(0, 258).c_str()), -1);
    NFIHandle handle = data->openFile(name.c_str());
    EXPECT_GE(handle, 0);
    data->closeFile(handle);
}

// --- Fonts ----------------------------------------------------------------------------------------------------

std::string fontHeader(unsigned charHeight, unsigned totalCharWidth)
{
    std::string name = "Hostile";
    name.resize(32, '\0');
    return std::string(1, '\x01') + name + std::string("\x0c\x00", 2) + le32(charHeight) +
           le32(8) + le32(4) + le32(totalCharWidth);
}

TEST_F(HostileInput, FontGlyphOfFourGigabytesIsRefusedBeforeAllocating)
{
    write("/gfx/fonts/huge.font", fontHeader(16, 400) + le32(65536) + le32(65536) +
                                      std::string(100, '\x01'));
    loader();
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/huge.font", 0, 1, 2, 3), nullptr);
    EXPECT_TRUE(consoleHasStart("loadFont ('/gfx/fonts/huge.font'): "));
}

TEST_F(HostileInput, FontGlyphWithMoreDataThanTheFileHoldsFailsWithTheDataReason)
{
    // A glyph of 200 x 300 fits a strip of 200 x 300 pixels (60000), but the file ends after 10 of its bytes.
    write("/gfx/fonts/short.font", fontHeader(300, 200) + le32(200) + le32(300) +
                                       std::string(10, '\x01'));
    loader();
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/short.font", 0, 1, 2, 3), nullptr);
    EXPECT_TRUE(consoleHas("loadFont ('/gfx/fonts/short.font'): Error reading character data"));
}

TEST_F(HostileInput, FontStripOverTheSixteenBitPositionsIsRefused)
{
    write("/gfx/fonts/strip.font", fontHeader(0xFFFFFFFFu, 0xFFFFFFFFu));
    loader();
    EXPECT_EQ(FontManager::getFont("/gfx/fonts/strip.font", 0, 1, 2, 3), nullptr);
    EXPECT_TRUE(consoleHasStart("loadFont ('/gfx/fonts/strip.font'): "));
}

// --- Configuration scripts ------------------------------------------------------------------------------------

TEST_F(HostileInput, ConfigurationScriptThatNeverEndsIsStoppedWellWithinOneSecond)
{
    // Found by the fuzz target: an endless loop used to run for 200 million instructions, over a second of
    // start-up. Processor time is measured, so a busy machine does not make the test fail.
    write("/endless.conf", "while 1 do end\n");
    std::clock_t started = std::clock();
    EXPECT_EQ(readConfigFile((directory + "/endless.conf").c_str()), SDL_FALSE);
    EXPECT_LT(static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC, 0.5);
    displayConsole = SDL_FALSE;
}

TEST_F(HostileInput, ConfigurationScriptThatEatsMemoryIsStopped)
{
    write("/greedy.conf", "local s = \"x\"\nwhile 1 do s = s .. s end\n");
    EXPECT_EQ(readConfigFile((directory + "/greedy.conf").c_str()), SDL_FALSE);
    displayConsole = SDL_FALSE;
}

// One instruction of these scripts compares or joins strings of many megabytes, so that counting instructions
// alone let them hold start-up for minutes; the clock stops them, and the script fails like any other.
TEST_F(HostileInput, ConfigurationScriptComparingTwoEqual16MiBStringsIsStopped)
{
    write("/compare.conf", "local a = \"x\" for i = 1, 24 do a = a .. a end\n"
                           "local b = \"x\" for i = 1, 24 do b = b .. b end\n"
                           "while a == b do local c = 1 end\n");
    EXPECT_EQ(readConfigFile((directory + "/compare.conf").c_str()), SDL_FALSE);
    displayConsole = SDL_FALSE;
}

TEST_F(HostileInput, ConfigurationScriptComparingStringsOfZeroBytesIsStopped)
{
    write("/zeros.conf", "local a = \"\\0\" for i = 1, 24 do a = a .. a end\n"
                         "local b = \"\\0\" for i = 1, 24 do b = b .. b end\n"
                         "while a <= b do local c = 1 end\n");
    EXPECT_EQ(readConfigFile((directory + "/zeros.conf").c_str()), SDL_FALSE);
    displayConsole = SDL_FALSE;
}

TEST_F(HostileInput, ConfigurationScriptJoining8MiBStringsInALoopIsStopped)
{
    write("/join.conf", "local a = \"x\" for i = 1, 23 do a = a .. a end\n"
                        "while 1 do local c = a .. a end\n");
    EXPECT_EQ(readConfigFile((directory + "/join.conf").c_str()), SDL_FALSE);
    displayConsole = SDL_FALSE;
}

TEST_F(HostileInput, ConfigurationScriptThatStaysWithinItsLimitsIsRunToItsEnd)
{
    write("/busy.conf", "local a = \"x\" for i = 1, 20 do a = a .. a end\n"
                        "local n = 0 while n < 100000 do n = n + 1 end\n"
                        "if a == a .. \"\" then keyQuit = KEY_q end\n");
    EXPECT_EQ(readConfigFile((directory + "/busy.conf").c_str()), SDL_TRUE);
    EXPECT_EQ(storedSetting(keyQuit), 113u);
    initializeWithDefaults();
}

// --- Everything a fuzz run found ------------------------------------------------------------------------------

// Each file under tests/data/regress/<reader>/ goes through the reader as the fuzz target of that name feeds
// it: as a loose data file and as an archive member.
class RegressionCorpus : public HostileInput {
protected:
    std::vector<fs::path> inputs(const std::string &reader)
    {
        std::vector<fs::path> files;
        fs::path folder = fs::path(ZARVELLO_TEST_DATA) / "regress" / reader;
        if (fs::is_directory(folder))
            for (const auto &entry : fs::directory_iterator(folder))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        return files;
    }

    // Writes bytes as the loose file looseName and as the member memberName of "member.nfi", then starts a
    // loader over them.
    void provide(const std::string &bytes, const std::string &looseName, const std::string &memberName)
    {
        reload();
        write(looseName, bytes);
        write("/member.nfi", archive::build({{memberName, bytes}}));
        loader();
    }
};

TEST_F(RegressionCorpus, ArchivesAreReadMemberByMember)
{
    for (const fs::path &input : inputs("nfi")) {
        lastInput.assign(input.c_str());
        reload();
        write("/input.nfi", fileBytes(input));
        NFILoader *data = loader();
        for (NFIFile *archive = data->loadedNFIList(); archive; archive = archive->next) {
            for (Uint32 i = 0; i < archive->dirHeader.dirSize; ++i) {
                std::string name(archive->directory[i].name, strnlen(archive->directory[i].name, 260));
                NFIHandle handle = data->openFile(name.c_str());
                char line[17];
                while (handle >= 0 && data->readString(handle, line, sizeof line, SDL_TRUE)) {
                }
                data->closeFile(handle);
            }
        }
    }
}

TEST_F(RegressionCorpus, ImagesLoadOrAreRefused)
{
    for (const fs::path &input : inputs("tga")) {
        lastInput.assign(input.c_str());
        provide(fileBytes(input), "/loose.tga", "/member.tga");
        for (const char *name : {"/loose.tga", "/member.tga"}) {
            Uint16 width = 0, height = 0;
            delete[] targaImageFromFile(name, width, height);
            if (GraphicSurface *image = ImageManager::getImage(name))
                image->blitToScreen(-1, -1);
        }
    }
    for (const fs::path &input : inputs("raw")) {
        lastInput.assign(input.c_str());
        std::string bytes = fileBytes(input);
        if (bytes.size() < 4)
            continue;
        provide(bytes.substr(4), "/loose.raw", "/member.raw");
        for (const char *name : {"/loose.raw", "/member.raw"}) {
            Uint16 width = static_cast<Uint8>(bytes[0]) | static_cast<Uint8>(bytes[1]) << 8;
            Uint16 height = static_cast<Uint8>(bytes[2]) | static_cast<Uint8>(bytes[3]) << 8;
            delete[] rawImageFromFile(name, width, height);
        }
    }
}

TEST_F(RegressionCorpus, FontsLoadAndDrawOrAreRefused)
{
    for (const fs::path &input : inputs("font")) {
        lastInput.assign(input.c_str());
        provide(fileBytes(input), "/gfx/fonts/Fuzz_12.font", "/gfx/fonts/member.font");
        for (EngineFont *font : {FontManager::getFont("Fuzz", 12, 255, 255, 255),
                                 FontManager::getFont("/gfx/fonts/member.font", 0, 1, 2, 3)})
            if (font)
                font->blitText(-3, 595, 0, " !\"#$%&'()*+,-./0123456789 ~\x7f\x80\xff");
    }
}

TEST_F(RegressionCorpus, SkinsLoadOrAreRefused)
{
    for (const fs::path &input : inputs("skin")) {
        lastInput.assign(input.c_str());
        reload();
        fs::copy_file(fs::path(ZARVELLO_BUILD_DIR) / "data" / "default.nfi", directory + "/default.nfi",
                      fs::copy_options::overwrite_existing);
        provide(fileBytes(input), "/gfx/skins/fuzz.skin", "/gfx/skins/member.skin");
        for (const char *name : {"fuzz", "member"})
            delete loadSkin(name);
    }
}

TEST_F(RegressionCorpus, ConfigurationScriptsRunOrFail)
{
    for (const fs::path &input : inputs("config")) {
        lastInput.assign(input.c_str());
        if (readConfigFile(input.c_str()) == SDL_FALSE)
            initializeWithDefaults();
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
    }
}

}  // namespace
