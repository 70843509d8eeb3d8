// Recording and replaying, piece by piece. What recording adds to a frame: the engine's calls while it records
// (RecordingWriter::beginFrame, the frame's clock readings: one at the engine's own pacing, two at a steady
// frame rate, and for a busy frame three mouse motions besides), timed over a whole 60-second recording of
// 3,600 frames so that the writer's growth is paid in it; and the end of the session, the recording finished and
// written to a file beside the target, flushed with fsync and renamed, as the engine does when the game ends
// (wall-clock time: the flush waits for the disk). Reading: readRecording of a 60-second recording. Checking a
// replay's screens: the engine's surfaceChecksum of the 800 x 600 x 16 screen, beside what a game team would
// otherwise use to compare screens each frame: zlib's crc32 over the same rows, a PNG of the screen by
// stb_image_write (stbi_write_png_to_mem, after a conversion to 8-bit RGB, which its time includes) and by the
// engine's own pngOfSurface; and a memcpy of the screen's bytes as the limit of anything that reads them all.
// The screen is a tiled field like the walker example's (32 x 32 tiles, a shaded sprite). Before anything is
// timed: the recording reads back to what was written, the checksum and crc32 change when one pixel does, and
// both PNG files decode (stb_image) to the screen's pixels.
// ZARVELLO_BENCH_SMOKE set: 60 frames instead of 3,600, for a quick run that proves the program works.
// Counters: "per_frame" (the record/frames cases' CPU time per recorded frame), "bytes" (the size of the file
// written, read or made).
// Depends on: RecordingFile, ScreenChecksum, PngWriter, Video (`screen`), zlib, stb_image_write, stb_image,
// Google Benchmark, POSIX.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <zlib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "BenchSupport.h"
#include "ScreenPictures.h"
#include "PngWriter.h"
#include "RecordingFile.h"
#include "ScreenChecksum.h"
#include "Video.h"

namespace {

Uint32 recordedFrames = 3600;  // 60 seconds at 60 frames a second
ScratchDirectory *scratch = nullptr;
SDL_Surface *field = nullptr;

// The events of a frame of a game that moves the mouse: three motions.
SDL_Event mouseMotion(int frame, int which)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = SDL_MOUSEMOTION;
    event.motion.state = 0;
    event.motion.x = Uint16((frame * 3 + which) % 800);
    event.motion.y = Uint16((frame + which * 7) % 600);
    event.motion.xrel = 3;
    event.motion.yrel = Sint16(which - 1);
    return event;
}

SDL_Event key(Uint8 type, SDLKey sym)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = 114;
    return event;
}

// What the engine records in a frame: its beginning, the clock readings (16 or 17 ms apart, the way a steady 60
// frames a second reads the clock) and mouse motions.
void recordFrame(RecordingWriter &writer, Uint32 frame, int readings, int motions)
{
    writer.beginFrame();
    const Uint32 ticks = 1000 + frame * 50 / 3;
    writer.clockReading(ticks);
    if (readings > 1)
        writer.clockReading(ticks + 1);
    for (int i = 0; i < motions; ++i)
        writer.event(mouseMotion(int(frame), i));
}

// A 60-second recording as the walker example makes one: its settings, two readings a frame, and an arrow key
// pressed and released every second, with a few mouse motions now and then.
std::vector<unsigned char> walkerLikeRecording()
{
    RecordingWriter writer("walker", "1.0.0");
    for (int i = 0; i < 40; ++i) {
        std::vector<unsigned char> value(4, static_cast<unsigned char>(i));
        writer.setting({"setting" + std::to_string(i), value});
    }
    writer.clockReading(400);
    const SDLKey arrows[4] = {SDLK_RIGHT, SDLK_DOWN, SDLK_LEFT, SDLK_UP};
    for (Uint32 frame = 1; frame <= recordedFrames; ++frame) {
        recordFrame(writer, frame, 2, frame % 10 == 0 ? 3 : 0);
        if (frame % 60 == 1)
            writer.event(key(SDL_KEYDOWN, arrows[frame / 60 % 4]));
        if (frame % 60 == 50)
            writer.event(key(SDL_KEYUP, arrows[frame / 60 % 4]));
    }
    return writer.finish();
}

// The engine's end of a recorded session: a temporary file beside the target, written, flushed, renamed.
void writeRecordingFile(const std::vector<unsigned char> &bytes, const std::string &path)
{
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    int descriptor = mkstemp(name.data());
    if (descriptor < 0)
        benchFailure("no temporary file beside " + path);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            benchFailure("writing " + path + " failed");
        done += size_t(written);
    }
    if (fsync(descriptor) != 0 || close(descriptor) != 0 || std::rename(name.data(), path.c_str()) != 0)
        benchFailure("flushing or renaming " + path + " failed");
}

// A field of 32 x 32 tiles (textured grass, a stone path, water) and a shaded round sprite, as walker draws.
SDL_Surface *tiledField()
{
    std::mt19937 random(42);
    SDL_Surface *surface = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    if (!surface)
        benchFailure("no copy of the screen");
    const Uint8 base[3][3] = {{60, 140, 50}, {150, 140, 120}, {40, 80, 170}};
    Uint16 tiles[3][32][32];
    for (int t = 0; t < 3; ++t)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                int shade = random() % 5 == 0 ? int(random() % 40) - 20 : 0;
                tiles[t][y][x] = Uint16(SDL_MapRGB(surface->format, Uint8(base[t][0] + shade),
                                                   Uint8(base[t][1] + shade), Uint8(base[t][2] + shade)));
            }
    for (int y = 0; y < 600; ++y) {
        Uint16 *row = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < 800; ++x) {
            int kind = (y / 32 == 9 || x / 32 == 12) ? 1 : (x > 520 && y > 360) ? 2 : 0;
            row[x] = tiles[kind][y % 32][x % 32];
            int dx = x - 300, dy = y - 250;
            if (dx * dx + dy * dy < 24 * 24) {
                Uint8 light = Uint8(255 - (dx + 24) * 2 - (dy + 24) * 2);
                row[x] = Uint16(SDL_MapRGB(surface->format, light, Uint8(light / 3), 40));
            }
        }
    }
    return surface;
}

Uint32 crcOf(SDL_Surface *s)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    const uInt rowBytes = uInt(s->w * s->format->BytesPerPixel);
    for (int y = 0; y < s->h; ++y)
        crc = crc32(crc, static_cast<const Bytef *>(s->pixels) + size_t(y) * s->pitch, rowBytes);
    return Uint32(crc);
}


// Both hashes must see a change of one pixel, and the recording must read back to what was written.
void checkContenders(const std::vector<unsigned char> &recording)
{
    const Uint64 sum = surfaceChecksum(field);
    const Uint32 crc = crcOf(field);
    Uint16 *pixel = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(field->pixels) + 417 * field->pitch) + 611;
    *pixel ^= 1;
    const bool seen = surfaceChecksum(field) != sum && crcOf(field) != crc;
    *pixel ^= 1;
    if (!seen || surfaceChecksum(field) != sum)
        benchFailure("a checksum did not see one pixel change");
    checkDecodesTo(pngOfSurface(field), field, "the engine");
    checkDecodesTo(stbPng(field), field, "stb_image_write");

    Recording read;
    std::string reason;
    if (!readRecording(recording.data(), recording.size(), read, reason))
        benchFailure("the recording does not read back: " + reason);
    if (read.game != "walker" || read.frames.size() != recordedFrames + 1 || read.settings.size() != 40 ||
        read.frames[1].ticks.size() != 2 || read.frames[10].events.size() != 3 ||
        read.frames[10].events[2].motion.x != mouseMotion(10, 2).motion.x)
        benchFailure("the recording reads back other than it was written");
}

// A whole recording of frames, each made by recordFrame with readings and motions; reported per frame.
void registerRecording(const char *name, int readings, int motions)
{
    benchmark::RegisterBenchmark(name, [readings, motions](benchmark::State &state) {
        for (auto _ : state) {
            RecordingWriter writer("walker", "1.0.0");
            for (Uint32 frame = 1; frame <= recordedFrames; ++frame)
                recordFrame(writer, frame, readings, motions);
            benchmark::DoNotOptimize(writer.frames());
        }
        state.counters["per_frame"] = benchmark::Counter(double(recordedFrames),
                                                         benchmark::Counter::kIsIterationInvariantRate |
                                                             benchmark::Counter::kInvert);
    })->Unit(benchmark::kMicrosecond);
}

void prepare()
{
    if (std::getenv("ZARVELLO_BENCH_SMOKE"))
        recordedFrames = 60;
    openBenchScreen();
    scratch = new ScratchDirectory("replay");
    field = tiledField();
    const std::vector<unsigned char> recording = walkerLikeRecording();
    checkContenders(recording);

    // What recording adds to the frames of a 60-second session.
    registerRecording("record/frames/engine_pacing", 1, 0);
    registerRecording("record/frames/steady_rate", 2, 0);
    registerRecording("record/frames/steady_rate_3_mouse_motions", 2, 3);

    // The end of the session: the busy recording finished and written to a file, flushed and renamed.
    benchmark::RegisterBenchmark("record/write_60s_fsync", [](benchmark::State &state) {
        const std::string path = scratch->path() + "/session.zrec";
        size_t bytes = 0;
        for (auto _ : state) {
            RecordingWriter writer("walker", "1.0.0");
            for (Uint32 frame = 1; frame <= recordedFrames; ++frame)
                recordFrame(writer, frame, 2, 3);
            const std::vector<unsigned char> &file = writer.finish();
            writeRecordingFile(file, path);
            bytes = file.size();
        }
        state.counters["bytes"] = double(bytes);
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("record/write_60s_fsync_only", [](benchmark::State &state) {
        RecordingWriter writer("walker", "1.0.0");
        for (Uint32 frame = 1; frame <= recordedFrames; ++frame)
            recordFrame(writer, frame, 2, 3);
        const std::vector<unsigned char> file = writer.finish();
        const std::string path = scratch->path() + "/session.zrec";
        for (auto _ : state)
            writeRecordingFile(file, path);
        state.counters["bytes"] = double(file.size());
    })->Unit(benchmark::kMillisecond)->UseRealTime();

    // Reading a 60-second recording before a replay.
    benchmark::RegisterBenchmark("replay/read_60s", [recording](benchmark::State &state) {
        for (auto _ : state) {
            Recording read;
            std::string reason;
            if (!readRecording(recording.data(), recording.size(), read, reason))
                state.SkipWithError("readRecording refused the recording");
            benchmark::DoNotOptimize(read.frames.data());
        }
        state.counters["bytes"] = double(recording.size());
    })->Unit(benchmark::kMicrosecond);

    // Checking a screen: the engine's checksum against the peers, per 800 x 600 x 16 screen.
    benchmark::RegisterBenchmark("screen/engine_checksum", [](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(surfaceChecksum(field));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("screen/zlib_crc32", [](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(crcOf(field));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("screen/engine_png", [](benchmark::State &state) {
        size_t bytes = 0;
        for (auto _ : state)
            bytes = pngOfSurface(field).size();
        state.counters["bytes"] = double(bytes);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("screen/stb_image_write_png", [](benchmark::State &state) {
        size_t bytes = 0;
        for (auto _ : state)
            bytes = stbPng(field).size();
        state.counters["bytes"] = double(bytes);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("screen/limit_memcpy", [](benchmark::State &state) {
        std::vector<unsigned char> copy(size_t(field->pitch) * field->h);
        for (auto _ : state) {
            std::memcpy(copy.data(), field->pixels, copy.size());
            benchmark::DoNotOptimize(copy.data());
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);
}

void finish()
{
    SDL_FreeSurface(field);
    delete scratch;
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepare, finish);
}
