// Cache hits at game scale: ImageManager::getImage of an image the cache holds, with 10, 1,000 and 100,000 images
// cached, and FontManager::getFont of a cached font with 10 and 2,000 fonts cached. Each hit asks for one of
// 1,000 names (or keys) picked at random from what the cache holds, in turn, as a frame asks for its sprites'
// images. Beside each: the walk over the images or fonts in load order that the cache did before it had an
// index, on the same entries. The images are 1 x 1 TGA files, hard links to a few; the fonts are one font
// file made by fonttool, cached in 2,000 colours. Before anything is timed, every pick is checked to come back
// as the entry it was loaded as, from the cache and from the walk alike.
// ZARVELLO_BENCH_SMOKE set: 10, 100 and 1,000 images and 10 and 100 fonts, for a quick run.
// Depends on: ImageManager, FontManager, Font, GraphicSurface, NFILoader, Utility, TgaWriter, fonttool,
// Google Benchmark.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "Font.h"
#include "FontManager.h"
#include "GraphicSurface.h"
#include "ImageManager.h"
#include "NFILoader.h"
#include "TgaWriter.h"
#include "Utility.h"

namespace {

const unsigned picksPerRun = 1000;
const char fontName[] = "DejaVu Sans";
const Uint8 fontSize = 12;

struct FontKey {
    Uint8 r, g, b;
    EngineFont *font;  // as loaded
};

struct CacheData {
    ScratchDirectory directory{"cache"};
    std::vector<unsigned> imageCounts = {10, 1000, 100000};
    std::vector<unsigned> fontCounts = {10, 2000};
    std::vector<std::string> imageNames;      // data names, in load order
    std::vector<GraphicSurface *> images;     // what the cache holds, in load order
    std::vector<FontKey> fonts;               // what the cache holds, in load order
};

CacheData *data = nullptr;

std::string imageName(unsigned number)
{
    char name[64];
    std::snprintf(name, sizeof name, "/gfx/sprites/d%02u/sprite-%06u.tga", number % 100, number);
    return name;
}

// The colour of font number i: every number below 2^24 has its own.
FontKey fontKey(unsigned number)
{
    return FontKey{static_cast<Uint8>(number), static_cast<Uint8>(number >> 8), static_cast<Uint8>(number >> 16),
                   nullptr};
}

void prepareFiles()
{
    data = new CacheData();
    const char *smoke = std::getenv("ZARVELLO_BENCH_SMOKE");
    if (smoke && *smoke) {
        data->imageCounts = {10, 100, 1000};
        data->fontCounts = {10, 100};
    }
    const std::string &root = data->directory.path();
    // The first image of each of the 100 directories is written, the others are hard links to it (a file
    // system allows only so many links to one file).
    const std::uint8_t pixel[3] = {200, 100, 50};
    const unsigned images = data->imageCounts.back();
    for (unsigned i = 0; i < images; ++i) {
        const std::string name = imageName(i);
        const std::string path = root + name;
        if (i < 100) {
            std::string error;
            std::error_code ignored;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
            if (!writeTga(path, pixel, 1, 1, 3, TgaWriteOptions(), error))
                benchFailure(error);
        } else {
            std::error_code failed;
            std::filesystem::create_hard_link(root + imageName(i % 100), path, failed);
            if (failed)
                benchFailure("cannot link " + path + ": " + failed.message());
        }
        data->imageNames.push_back(name);
    }
    runOrDie({"mkdir", "-p", root + "/gfx/fonts"});
    runOrDie({ZARVELLO_FONTTOOL, "make", ZARVELLO_BENCH_FONT_TTF, std::to_string(fontSize),
              root + "/gfx/fonts/DejaVu_Sans_12.font"});
    NFILoader::globalLoader()->addDataPath(root.c_str());
}

// The caches only grow: the first count images (fonts) are loaded once and stay for the larger counts.
void cacheImages(unsigned count)
{
    for (unsigned i = static_cast<unsigned>(data->images.size()); i < count; ++i) {
        GraphicSurface *image = ImageManager::getImage(data->imageNames[i].c_str());
        if (!image)
            benchFailure("the image cache cannot load " + data->imageNames[i]);
        data->images.push_back(image);
    }
    if (ImageManager::globalManager()->count() != count)
        benchFailure("the image cache does not hold " + std::to_string(count) + " images");
}

void cacheFonts(unsigned count)
{
    for (unsigned i = static_cast<unsigned>(data->fonts.size()); i < count; ++i) {
        FontKey key = fontKey(i);
        key.font = FontManager::getFont(fontName, fontSize, key.r, key.g, key.b);
        if (!key.font)
            benchFailure("the font cache cannot load " + std::string(fontName));
        data->fonts.push_back(key);
    }
}

std::vector<unsigned> pick(unsigned count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<unsigned> entry(0, count - 1);
    std::vector<unsigned> picks;
    for (unsigned i = 0; i < picksPerRun; ++i)
        picks.push_back(entry(random));
    return picks;
}

// The image cache's lookup as it was: the first image in load order whose name equals the one asked for.
GraphicSurface *walkImages(const char *name)
{
    for (GraphicSurface *image : data->images)
        if (std::strcmp(image->getName(), name) == 0)
            return image;
    return nullptr;
}

// The font cache's lookup as it was: make the data name, then the first font in load order of that data name,
// recorded point size and colour.
EngineFont *walkFonts(const char *name, Uint8 size, Uint8 r, Uint8 g, Uint8 b)
{
    char filename[256];
    zarvello::snprintf(255, filename, "/gfx/fonts/%s_%d.font", name, size);
    for (char *c = filename; *c; ++c)
        if (*c == ' ')
            *c = '_';
    for (const FontKey &key : data->fonts)
        if (std::strcmp(filename, key.font->getFilename()) == 0 && size == key.font->size() && r == key.r &&
            g == key.g && b == key.b)
            return key.font;
    return nullptr;
}

// The names asked for with count images cached, held together as a game holds the names of its sprites, and
// checked once against what was loaded.
const std::vector<std::string> &imagePicks(unsigned count)
{
    static std::map<unsigned, std::vector<std::string>> prepared;
    std::vector<std::string> &names = prepared[count];
    if (!names.empty())
        return names;
    cacheImages(count);
    for (unsigned number : pick(count, count)) {
        const std::string &name = data->imageNames[number];
        GraphicSurface *expected = data->images[number];
        if (ImageManager::getImage(name.c_str()) != expected || walkImages(name.c_str()) != expected)
            benchFailure(name + " comes back as another image with " + std::to_string(count) + " cached");
        names.push_back(name);
    }
    return names;
}

// The colours asked for with count fonts cached, checked once against what was loaded.
const std::vector<FontKey> &fontPicks(unsigned count)
{
    static std::map<unsigned, std::vector<FontKey>> prepared;
    std::vector<FontKey> &keys = prepared[count];
    if (!keys.empty())
        return keys;
    cacheFonts(count);
    for (unsigned number : pick(count, count + 1)) {
        const FontKey &key = data->fonts[number];
        if (FontManager::getFont(fontName, fontSize, key.r, key.g, key.b) != key.font ||
            walkFonts(fontName, fontSize, key.r, key.g, key.b) != key.font)
            benchFailure("a font comes back as another with " + std::to_string(count) + " cached");
        keys.push_back(key);
    }
    return keys;
}

void imageHits(benchmark::State &state, unsigned count, bool walk)
{
    const std::vector<std::string> &names = imagePicks(count);
    size_t next = 0;
    for (auto _ : state) {
        const char *name = names[next].c_str();
        benchmark::DoNotOptimize(walk ? walkImages(name) : ImageManager::getImage(name));
        next = next + 1 == names.size() ? 0 : next + 1;
    }
}

void fontHits(benchmark::State &state, unsigned count, bool walk)
{
    const std::vector<FontKey> &keys = fontPicks(count);
    size_t next = 0;
    for (auto _ : state) {
        const FontKey &key = keys[next];
        benchmark::DoNotOptimize(walk ? walkFonts(fontName, fontSize, key.r, key.g, key.b)
                                      : FontManager::getFont(fontName, fontSize, key.r, key.g, key.b));
        next = next + 1 == keys.size() ? 0 : next + 1;
    }
}

void registerBenchmarks()
{
    for (unsigned count : data->imageCounts) {
        const std::string prefix = "cache/images_" + std::to_string(count) + "/";
        benchmark::RegisterBenchmark((prefix + "index").c_str(), imageHits, count, false)
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark((prefix + "walk").c_str(), imageHits, count, true)
            ->Unit(benchmark::kNanosecond);
    }
    for (unsigned count : data->fontCounts) {
        const std::string prefix = "cache/fonts_" + std::to_string(count) + "/";
        benchmark::RegisterBenchmark((prefix + "index").c_str(), fontHits, count, false)
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark((prefix + "walk").c_str(), fontHits, count, true)
            ->Unit(benchmark::kNanosecond);
    }
}

void prepareProgram()
{
    openBenchScreen();
    prepareFiles();
    registerBenchmarks();
}

void finishProgram()
{
    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    delete NFILoader::globalLoader();
    delete data;
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepareProgram, finishProgram);
}
