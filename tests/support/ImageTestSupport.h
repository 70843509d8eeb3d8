// Fixtures for the image tests: a temporary data directory registered with the real data loader, the console
// lines a test produced, a 16-bit dummy display as `screen`, a way to give `screen` another pixel layout for
// a while, and a leak check over each test.
// Depends on: the engine's data loader, console, image cache, tracked memory; SDL's dummy video driver.
#ifndef ZARVELLO_TESTS_IMAGETESTSUPPORT_H
#define ZARVELLO_TESTS_IMAGETESTSUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "ImageManager.h"
#include "ImageWriters.h"
#include "Memory.h"
#include "NFILoader.h"
#include "TestSupport.h"
#include "Video.h"

// A data directory under /tmp registered as the loader's only data path.
class ImageDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        quietConsole();
        Console::destroyConsole();
        dataDirectory = makeScratchDirectory("images");
        ASSERT_FALSE(dataDirectory.empty());
        memoryAtStart = totalAllocatedMemory();
        NFILoader::globalLoader()->addDataPath(dataDirectory.c_str());
        firstLine = Console::totalLines();
    }

    void TearDown() override
    {
        ImageManager::destroyImageManager();
        delete NFILoader::globalLoader();
        Console::destroyConsole();
        std::filesystem::remove_all(dataDirectory);
        EXPECT_EQ(memoryAtStart, totalAllocatedMemory()) << "tracked memory left allocated by the test";
    }

    // Writes bytes as the data file name ("/gfx/a.tga") and returns the name.
    std::string put(const std::string &name, const Bytes &bytes)
    {
        const std::filesystem::path path = dataDirectory + name;
        std::filesystem::create_directories(path.parent_path());
        EXPECT_TRUE(writeBytes(path.string(), bytes));
        return name;
    }

    std::string put(const std::string &name, const TgaFile &tga) { return put(name, tgaBytes(tga)); }

    // The console lines written since the test started.
    std::vector<std::string> newLines() const
    {
        std::vector<std::string> lines;
        for (Sint32 i = firstLine; i < Console::totalLines(); ++i)
            lines.push_back(Console::lineAtIndex(i));
        return lines;
    }

    int linesEqualTo(const std::string &line) const
    {
        int count = 0;
        for (const std::string &l : newLines())
            count += l == line;
        return count;
    }

    bool logged(const std::string &line) const { return linesEqualTo(line) > 0; }

    // Whether no handle of the loader is left open: a fresh open gets the lowest handle, 0.
    bool allHandlesClosed()
    {
        const std::string probe = put("/handle-probe.bin", Bytes(1, 0));
        const NFIHandle handle = NFILoader::globalLoader()->openFile(probe.c_str());
        NFILoader::globalLoader()->closeFile(handle);
        return handle == 0;
    }

    std::string dataDirectory;
    Sint32 firstLine = 0;
    Uint32 memoryAtStart = 0;
};

// The same with the 800 x 600, 16-bit dummy display open as `screen`.
class ImageDisplayTest : public ImageDataTest {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO)) << SDL_GetError();
        screen = SDL_SetVideoMode(800, 600, 16, 0);
        ASSERT_NE(nullptr, screen) << SDL_GetError();
        ImageDataTest::SetUp();
    }

    void TearDown() override
    {
        ImageDataTest::TearDown();
        SDL_Quit();
        screen = nullptr;
    }
};

// Makes `screen` a 16-bit surface of the given masks while it lives, standing in for a display of that
// layout, and puts the real display back afterwards.
class ScreenLayout {
public:
    ScreenLayout(Uint32 rmask, Uint32 gmask, Uint32 bmask, Uint32 amask)
        : display(screen), standIn(SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 16, rmask, gmask, bmask, amask))
    {
        if (standIn)
            screen = standIn;
    }
    ~ScreenLayout()
    {
        screen = display;
        if (standIn)
            SDL_FreeSurface(standIn);
    }
    ScreenLayout(const ScreenLayout &) = delete;
    ScreenLayout &operator=(const ScreenLayout &) = delete;

    bool ready() const { return standIn != nullptr; }

private:
    SDL_Surface *display;
    SDL_Surface *standIn;
};

inline Uint16 pixelAt(SDL_Surface *surface, int x, int y)
{
    return reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch)[x];
}

#endif
