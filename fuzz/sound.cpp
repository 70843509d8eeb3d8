// Fuzz target: sound files as a game loads them from its data. The input is the data file, loaded by getSound
// as a loose file and as an archive member: the audio library's checks of WAV files, then openDataRWops into
// SDL_mixer's Mix_LoadWAV_RW, on SDL's dummy audio driver. The seeds are WAV files of every encoding SDL decodes;
// AIFF, VOC and Ogg Vorbis are SDL_mixer's own decoders, which the engine does not check. Sound is started and stopped around
// every input, as the engine does around a game, so that the cache starts empty and the leak check holds the
// engine's side (the library's records, the RWops, the loader's handles); the mixer allocates for itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "Audio.h"
#include "EngineModule.h"
#include "FuzzSupport.h"

// What SDL and SDL_mixer lose themselves is theirs, as in the leak report: SDL_mixer 1.2.12's VOC loader drops its
// buffer when a file ends early. The engine's own allocations stay held to the leak check of every input.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libSDL_mixer-1.2.so\nleak:libSDL-1.2.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    if (enableSound(22050, 2, 1024) == SDL_FALSE) {
        std::fprintf(stderr, "fuzz_sound: enableSound refused\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInputAsFiles("/sfx/loose.wav", "/sfx/member.wav", data, size);
    startEngineModules();
    if (soundIsOn() == SDL_FALSE)
        std::abort();  // the dummy driver always opens
    getSound("/sfx/loose.wav");
    getSound("/sfx/member.wav");
    stopEngineModules();
    fuzz::endInput(baseline);
    return 0;
}
