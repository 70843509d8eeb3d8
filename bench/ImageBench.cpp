// Image to screen-format surface: a 1024 x 1024, 24-bit TGA file, uncompressed and run-length encoded, read
// from a loose file into a new 16-bit surface in the screen's 5-6-5 layout. The engine's loadImage against
// SDL_image (IMG_LoadTGA_RW, then SDL_ConvertSurface to the screen's format), against stb_image (stbi_load,
// then a plain 5-6-5 loop into an SDL surface), and against the limit: the file's bytes read into a buffer
// kept between runs and the surface written in one pass. The files are made by the engine's TGA writer; every
// contender's surface is checked pixel for pixel against the engine's before anything is timed.
// Growth: the engine's loadImage on uncompressed images of 256 x 256, 1024 x 1024 and 4096 x 4096 (64, 128 and
// 256 with ZARVELLO_BENCH_SMOKE set, for a quick run) against the least a loader that streams must do: read
// the file in 256 KB blocks and convert each straight into the surface (a whole file in one buffer does more
// work once it no longer fits the caches).
// Depends on: ImageLoader, NFILoader, GraphicSurface, TgaWriter, SDL_image, stb_image, Google Benchmark.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <stb/stb_image.h>
#include <SDL.h>
#include <SDL_image.h>

#include "BenchSupport.h"
#include "GraphicSurface.h"
#include "ImageLoader.h"
#include "NFILoader.h"
#include "TgaWriter.h"
#include "Video.h"

namespace {

const unsigned imageSide = 1024;

// Game artwork has both: flat areas (long runs) and shaded or noisy ones (no runs). A third of the image, in
// 64 x 64 blocks, is noise over a gradient; the rest is flat blocks of a few colours.
std::vector<std::uint8_t> paintImage(unsigned side)
{
    std::vector<std::uint8_t> rgb(static_cast<size_t>(side) * side * 3);
    std::mt19937 random(1234);
    for (unsigned y = 0; y < side; ++y) {
        for (unsigned x = 0; x < side; ++x) {
            std::uint8_t *pixel = &rgb[(static_cast<size_t>(y) * side + x) * 3];
            const unsigned block = x / 64 + y / 64;
            if (block % 3 == 0) {
                const unsigned noise = random() & 31;
                pixel[0] = static_cast<std::uint8_t>((x / 4 + noise) & 0xFF);
                pixel[1] = static_cast<std::uint8_t>((y / 4 + noise) & 0xFF);
                pixel[2] = static_cast<std::uint8_t>(((x + y) / 8 + noise) & 0xFF);
            } else {
                pixel[0] = static_cast<std::uint8_t>(block * 37);
                pixel[1] = static_cast<std::uint8_t>(block * 91);
                pixel[2] = static_cast<std::uint8_t>(200 - block);
            }
        }
    }
    return rgb;
}

// Files 0 and 1 are the 1024 x 1024 image uncompressed and run-length encoded; the files after them are the
// growth sides, uncompressed.
struct ImageFiles {
    ScratchDirectory directory{"image"};
    std::vector<unsigned> growthSides = {256, 1024, 4096};
    std::vector<std::string> dataName;
    std::vector<std::string> path;
};

ImageFiles *files = nullptr;

SDL_Surface *newScreenSurface(int width, int height)
{
    const SDL_PixelFormat *format = screen->format;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, format->Rmask, format->Gmask, format->Bmask, 0);
}

inline Uint16 pack565(unsigned r, unsigned g, unsigned b)
{
    return static_cast<Uint16>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Each contender returns the finished surface; the benchmark frees it.
SDL_Surface *loadWithEngine(int which, GraphicSurface *&holder)
{
    holder = loadImage(files->dataName[which].c_str(), 0, 0);
    if (!holder)
        benchFailure("loadImage refused " + files->dataName[which]);
    holder->retain();
    return holder->getSurface();
}

SDL_Surface *loadWithSdlImage(int which)
{
    SDL_RWops *source = SDL_RWFromFile(files->path[which].c_str(), "rb");
    SDL_Surface *image = source ? IMG_LoadTGA_RW(source) : nullptr;
    if (source)
        SDL_RWclose(source);
    if (!image)
        benchFailure(std::string("SDL_image refused the file: ") + IMG_GetError());
    SDL_Surface *converted = SDL_ConvertSurface(image, screen->format, SDL_SWSURFACE);
    SDL_FreeSurface(image);
    return converted;
}

SDL_Surface *loadWithStb(int which)
{
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc *rgb = stbi_load(files->path[which].c_str(), &width, &height, &channels, 3);
    if (!rgb)
        benchFailure(std::string("stb_image refused the file: ") + stbi_failure_reason());
    SDL_Surface *surface = newScreenSurface(width, height);
    SDL_LockSurface(surface);
    const stbi_uc *in = rgb;
    for (int y = 0; y < height; ++y) {
        Uint16 *out = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = pack565(in[0], in[1], in[2]);
    }
    SDL_UnlockSurface(surface);
    stbi_image_free(rgb);
    return surface;
}

// The least any loader must do: read the bytes, then decode straight into the surface. Knows the layout the
// writer uses (18-byte header, no image ID, rows top first) and checks nothing else.
SDL_Surface *loadAtLimit(int which, std::vector<Uint8> &buffer)
{
    FILE *file = std::fopen(files->path[which].c_str(), "rb");
    if (!file)
        benchFailure("cannot open " + files->path[which]);
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    buffer.resize(static_cast<size_t>(size));
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    if (got != buffer.size())
        benchFailure("short read of " + files->path[which]);

    const Uint8 *in = buffer.data() + 18;
    const int width = buffer[12] | (buffer[13] << 8);
    const int height = buffer[14] | (buffer[15] << 8);
    SDL_Surface *surface = newScreenSurface(width, height);
    SDL_LockSurface(surface);
    Uint16 *out = static_cast<Uint16 *>(surface->pixels);  // no gaps: the width is even
    Uint16 *const end = out + width * height;
    if (buffer[2] == 2) {
        for (; out < end; ++out, in += 3)
            *out = pack565(in[2], in[1], in[0]);
    } else {
        while (out < end) {
            const unsigned header = *in++;
            unsigned count = (header & 0x7F) + 1;
            if (count > static_cast<unsigned>(end - out))
                count = static_cast<unsigned>(end - out);
            if (header & 0x80) {
                const Uint16 value = pack565(in[2], in[1], in[0]);
                in += 3;
                for (unsigned i = 0; i < count; ++i)
                    *out++ = value;
            } else {
                for (unsigned i = 0; i < count; ++i, in += 3)
                    *out++ = pack565(in[2], in[1], in[0]);
            }
        }
    }
    SDL_UnlockSurface(surface);
    return surface;
}

// The least a streaming loader must do for an uncompressed file: its bytes read in blocks of whole rows of
// about 256 KB into a buffer kept between runs, each block converted straight into the surface.
SDL_Surface *loadStreaming(int which, std::vector<Uint8> &buffer)
{
    FILE *file = std::fopen(files->path[which].c_str(), "rb");
    Uint8 header[18];
    if (!file || std::fread(header, 1, sizeof header, file) != sizeof header)
        benchFailure("cannot read " + files->path[which]);
    const int width = header[12] | (header[13] << 8);
    const int height = header[14] | (header[15] << 8);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const int rowsPerBlock = static_cast<int>(std::max<size_t>(1, (256 * 1024) / rowBytes));
    buffer.resize(rowBytes * rowsPerBlock);
    SDL_Surface *surface = newScreenSurface(width, height);
    SDL_LockSurface(surface);
    for (int y = 0; y < height; y += rowsPerBlock) {
        const int rows = std::min(rowsPerBlock, height - y);
        if (std::fread(buffer.data(), 1, rowBytes * rows, file) != rowBytes * rows)
            benchFailure("short read of " + files->path[which]);
        const Uint8 *in = buffer.data();
        for (int row = 0; row < rows; ++row) {
            Uint8 *bytes = static_cast<Uint8 *>(surface->pixels) + (y + row) * surface->pitch;
            Uint16 *out = reinterpret_cast<Uint16 *>(bytes);
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = pack565(in[2], in[1], in[0]);
        }
    }
    SDL_UnlockSurface(surface);
    std::fclose(file);
    return surface;
}

bool samePixels(SDL_Surface *a, SDL_Surface *b)
{
    if (a->w != b->w || a->h != b->h || a->format->BitsPerPixel != 16 || b->format->BitsPerPixel != 16)
        return false;
    for (int y = 0; y < a->h; ++y) {
        if (std::memcmp(static_cast<Uint8 *>(a->pixels) + y * a->pitch, static_cast<Uint8 *>(b->pixels) + y * b->pitch,
                        static_cast<size_t>(a->w) * 2) != 0)
            return false;
    }
    return true;
}

void checkContendersAgree()
{
    for (int which = 0; which < 2; ++which) {
        GraphicSurface *holder = nullptr;
        SDL_Surface *engine = loadWithEngine(which, holder);
        std::vector<Uint8> buffer;
        SDL_Surface *others[] = {loadWithSdlImage(which), loadWithStb(which), loadAtLimit(which, buffer)};
        const char *names[] = {"SDL_image", "stb_image", "the limit"};
        for (int i = 0; i < 3; ++i) {
            if (!samePixels(engine, others[i]))
                benchFailure(std::string(names[i]) + " gives other pixels than loadImage for " + files->path[which]);
            SDL_FreeSurface(others[i]);
        }
        holder->release();
    }
    for (size_t which = 2; which < files->path.size(); ++which) {
        GraphicSurface *holder = nullptr;
        SDL_Surface *engine = loadWithEngine(static_cast<int>(which), holder);
        std::vector<Uint8> buffer;
        SDL_Surface *limit = loadStreaming(static_cast<int>(which), buffer);
        if (!samePixels(engine, limit))
            benchFailure("the streaming limit gives other pixels than loadImage for " + files->path[which]);
        SDL_FreeSurface(limit);
        holder->release();
    }
}

void writeImage(const std::string &name, unsigned side, bool runLength)
{
    const std::vector<std::uint8_t> rgb = paintImage(side);
    TgaWriteOptions options;
    options.runLength = runLength;
    std::string error;
    files->dataName.push_back(name);
    files->path.push_back(files->directory.path() + name);
    if (!writeTga(files->path.back(), rgb.data(), side, side, 3, options, error))
        benchFailure(error);
}

void prepareFiles()
{
    files = new ImageFiles();
    const char *smoke = std::getenv("ZARVELLO_BENCH_SMOKE");
    if (smoke && *smoke)
        files->growthSides = {64, 128, 256};
    writeImage("/plain.tga", imageSide, false);
    writeImage("/rle.tga", imageSide, true);
    for (unsigned side : files->growthSides)
        writeImage("/side" + std::to_string(side) + ".tga", side, false);
    NFILoader::globalLoader()->addDataPath(files->directory.path().c_str());
}

const char *variantName(int which)
{
    return which == 0 ? "uncompressed" : "rle";
}

// A contender given the file's number and a buffer it may keep between runs.
typedef SDL_Surface *(*BufferedLoader)(int which, std::vector<Uint8> &buffer);

void registerEngineAndLimit(const std::string &prefix, int which, BufferedLoader limit)
{
    benchmark::RegisterBenchmark((prefix + "engine").c_str(), [which](benchmark::State &state) {
        for (auto _ : state) {
            GraphicSurface *holder = nullptr;
            benchmark::DoNotOptimize(loadWithEngine(which, holder));
            holder->release();
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "limit").c_str(), [which, limit](benchmark::State &state) {
        std::vector<Uint8> buffer;
        for (auto _ : state)
            SDL_FreeSurface(limit(which, buffer));
    })->Unit(benchmark::kMillisecond);
}

void registerBenchmarks()
{
    for (int which = 0; which < 2; ++which) {
        const std::string prefix = std::string("image/") + variantName(which) + "/";
        registerEngineAndLimit(prefix, which, loadAtLimit);
        benchmark::RegisterBenchmark((prefix + "sdl_image").c_str(), [which](benchmark::State &state) {
            for (auto _ : state)
                SDL_FreeSurface(loadWithSdlImage(which));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "stb_image").c_str(), [which](benchmark::State &state) {
            for (auto _ : state)
                SDL_FreeSurface(loadWithStb(which));
        })->Unit(benchmark::kMillisecond);
    }
    for (size_t growth = 0; growth < files->growthSides.size(); ++growth)
        registerEngineAndLimit("image/side" + std::to_string(files->growthSides[growth]) + "/",
                               static_cast<int>(growth + 2), loadStreaming);
}

void prepareProgram()
{
    openBenchScreen();
    prepareFiles();
    checkContendersAgree();
    registerBenchmarks();
}

void finishProgram()
{
    delete files;
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepareProgram, finishProgram);
}
