// Fuzz target: recording files. The input is read as a recording twice: as it is, and, when it ends in what
// looks like an end record, with that record's checksum made right (which no mutation finds by itself), so
// that the fuzzer reaches past the checksum into files the reader accepts. A refused file must come with a
// reason and leave the recording empty; an accepted one is written again by RecordingWriter and must read
// back the same, field for field.
// Depends on: RecordingFile, FuzzSupport, zlib (the checksum).
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "RecordingFile.h"

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "==fuzz== %s\n", what);
    std::abort();
}

bool sameRecording(const Recording &a, const Recording &b)
{
    if (a.game != b.game || a.engineVersion != b.engineVersion || a.settings.size() != b.settings.size() ||
        a.playerFiles.size() != b.playerFiles.size() || a.frames.size() != b.frames.size())
        return false;
    for (size_t i = 0; i < a.settings.size(); ++i)
        if (a.settings[i].name != b.settings[i].name || a.settings[i].value != b.settings[i].value)
            return false;
    for (size_t i = 0; i < a.playerFiles.size(); ++i)
        if (a.playerFiles[i].name != b.playerFiles[i].name || a.playerFiles[i].present != b.playerFiles[i].present ||
            a.playerFiles[i].bytes != b.playerFiles[i].bytes)
            return false;
    for (size_t k = 0; k < a.frames.size(); ++k) {
        const RecordedFrame &x = a.frames[k], &y = b.frames[k];
        if (x.ticks != y.ticks || x.events.size() != y.events.size())
            return false;
        for (size_t i = 0; i < x.events.size(); ++i)
            if (std::memcmp(&x.events[i], &y.events[i], sizeof(SDL_Event)) != 0)
                return false;
    }
    return true;
}

void check(const unsigned char *bytes, size_t size)
{
    Recording recording;
    std::string reason;
    if (!readRecording(bytes, size, recording, reason)) {
        if (reason.empty() || !recording.game.empty() || !recording.frames.empty() || !recording.settings.empty() ||
            !recording.playerFiles.empty())
            fail("a refused file left no reason or a recording behind");
        return;
    }
    RecordingWriter writer(recording.game, recording.engineVersion);
    for (const RecordedSetting &setting : recording.settings)
        writer.setting(setting);
    for (const RecordedPlayerFile &file : recording.playerFiles)
        writer.playerFile(file);
    for (size_t k = 0; k < recording.frames.size(); ++k) {
        if (k > 0)
            writer.beginFrame();
        for (Uint32 ticks : recording.frames[k].ticks)
            writer.clockReading(ticks);
        for (const SDL_Event &event : recording.frames[k].events)
            writer.event(event);
    }
    const std::vector<unsigned char> &again = writer.finish();
    Recording reread;
    if (!readRecording(again.data(), again.size(), reread, reason))
        fail(("a recording written again is refused: " + reason).c_str());
    if (!sameRecording(recording, reread))
        fail("a recording written again reads back differently");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInput();
    check(data, size);
    if (size >= 9 && data[size - 9] == 'Z') {
        std::vector<unsigned char> sealed(data, data + size);
        const uLong crc = crc32(0, sealed.data(), static_cast<uInt>(size - 9));
        for (int i = 0; i < 4; ++i)
            sealed[size - 4 + i] = static_cast<unsigned char>(crc >> (8 * i));
        check(sealed.data(), sealed.size());
    }
    fuzz::endInput(baseline);
    return 0;
}
