// FontFixture: what the text tests share. Each test gets a temporary data directory registered with the real
// data loader, a 16-bit 800 x 600 screen on SDL's dummy driver, a quiet console whose lines it can read, and
// helpers to write font files and read screen pixels. Everything is torn down in the engine's own order.
// Depends on: GoogleTest, SDL, the engine's data loader, video, console and font cache.
#ifndef ZARVELLO_TESTS_FONTFIXTURE_H
#define ZARVELLO_TESTS_FONTFIXTURE_H

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ConfigTable.h"
#include "Console.h"
#include "Font.h"
#include "FontManager.h"
#include "FontWriter.h"
#include "NFILoader.h"
#include "TestSupport.h"
#include "Video.h"

class FontFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        quietConsole();
        Console::destroyConsole();
        root = makeScratchDirectory("font");
        ASSERT_FALSE(root.empty());
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen = SDL_SetVideoMode(800, 600, 16, 0);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        NFILoader::globalLoader()->addDataPath(root.c_str());
    }

    void TearDown() override
    {
        FontManager::destroyFontManager();
        delete NFILoader::globalLoader();
        SDL_Quit();
        screen = nullptr;
        Console::destroyConsole();
        std::filesystem::remove_all(root);
    }

    // Writes a file under the data directory by its data name ("/gfx/fonts/x.font").
    void writeData(const std::string &dataName, const std::string &bytes)
    {
        std::filesystem::path file = root + dataName;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // Writes font under dataName and loads it through the cache in (r, g, b).
    EngineFont *load(const std::string &dataName, const fontfile::Font &font, Uint8 r = 255, Uint8 g = 255,
                     Uint8 b = 255)
    {
        writeData(dataName, font.bytes());
        return FontManager::getFont(dataName.c_str(), font.pointSize, r, g, b);
    }

    std::string lastLine() const
    {
        Sint32 total = Console::totalLines();
        return total > 0 ? Console::lineAtIndex(total - 1) : "";
    }

    int countLines(const std::string &line) const
    {
        int count = 0;
        for (Sint32 i = 0; i < Console::totalLines(); ++i)
            count += line == Console::lineAtIndex(i);
        return count;
    }

public:
    static Uint16 mapped(Uint8 r, Uint8 g, Uint8 b) { return static_cast<Uint16>(SDL_MapRGB(screen->format, r, g, b)); }

    static Uint16 pixel(int x, int y)
    {
        return reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(screen->pixels) + y * screen->pitch)[x];
    }

    static void fillScreen(Uint16 value)
    {
        SDL_FillRect(screen, nullptr, value);
    }

    // Fills the screen with a pattern of many different values, so that a pixel written by mistake shows.
    static void fillScreenWithNoise()
    {
        static std::vector<Uint16> noise;
        if (noise.empty())
            for (int y = 0; y < 600; ++y)
                for (int x = 0; x < 800; ++x)
                    noise.push_back(static_cast<Uint16>((x * 2654435761u + y * 40503u) >> 7));
        for (int y = 0; y < screen->h; ++y)
            std::memcpy(static_cast<Uint8 *>(screen->pixels) + y * screen->pitch, &noise[static_cast<size_t>(y) * 800],
                        static_cast<size_t>(screen->w) * 2);
    }

    // The screen's pixels, rows top to bottom without gaps.
    static std::vector<Uint16> screenPixels()
    {
        std::vector<Uint16> pixels(static_cast<size_t>(screen->w) * screen->h);
        for (int y = 0; y < screen->h; ++y)
            std::memcpy(&pixels[static_cast<size_t>(y) * screen->w],
                        static_cast<const Uint8 *>(screen->pixels) + y * screen->pitch, static_cast<size_t>(screen->w) * 2);
        return pixels;
    }

protected:
    std::string root;
};

#endif
