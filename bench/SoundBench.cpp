// Sound from the game's data, against SDL_mixer reading plain files: a 1 MB WAV loaded by data name from an
// archive (openDataRWops into Mix_LoadWAV_RW, what getSound does on a miss) against Mix_LoadWAV of the same
// loose file; a hit of the sound cache against a hit of the image cache with 10 and 1,000 entries cached (1,000
// picks at random per iteration, as a frame asks for its sounds and sprites); and reading a whole 1 MB member
// through the RWops against the data loader's own read. The mixer runs on SDL's dummy audio driver. Before
// anything is timed, both loads are checked to give the same samples and both reads the same bytes.
// ZARVELLO_BENCH_SMOKE set: a 64 KB WAV, for a quick run.
// Depends on: Audio, DataRWops, ImageManager, NFILoader, EngineModule, TgaWriter, SDL_mixer, Google Benchmark.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include "ArchiveWriter.h"
#include "Audio.h"
#include "BenchSupport.h"
#include "DataRWops.h"
#include "EngineModule.h"
#include "GraphicSurface.h"
#include "ImageManager.h"
#include "NFILoader.h"
#include "TgaWriter.h"
#include "WavWriter.h"

namespace {

const unsigned picksPerRun = 1000;
const unsigned mostCached = 1000;

struct SoundData {
    ScratchDirectory directory{"sound"};
    std::string loosePath;  // the big WAV as a loose file, outside the data directory
    Uint32 wavBytes = 0;
    std::vector<std::string> soundNames;  // tiny WAVs, archive members
    std::vector<std::string> imageNames;  // 1 x 1 TGAs, archive members
};

SoundData *data = nullptr;

// A 1 x 1 TGA image, written by the tools' writer.
std::string tinyTga(const std::string &directory, Uint8 shade)
{
    const std::uint8_t pixel[3] = {shade, 100, 50};
    const std::string path = directory + "/tiny.tga";
    std::string error;
    if (!writeTga(path, pixel, 1, 1, 3, TgaWriteOptions(), error))
        benchFailure(error);
    return archive::readFile(path);
}

std::string numbered(const char *format, unsigned number)
{
    char name[64];
    std::snprintf(name, sizeof name, format, number);
    return name;
}

void prepare()
{
    data = new SoundData();
    const char *smoke = std::getenv("ZARVELLO_BENCH_SMOKE");
    const Uint32 frames = smoke && *smoke ? 16384 : 262144;  // stereo 16-bit: 64 KB or 1 MB
    std::vector<std::int16_t> samples(frames * 2);
    std::mt19937 random(7);
    for (std::int16_t &s : samples)
        s = static_cast<std::int16_t>(random());
    const std::string big = wav::build(samples, 44100, 2);
    data->wavBytes = static_cast<Uint32>(big.size());
    const std::string &root = data->directory.path();
    data->loosePath = root + "/big.wav";
    writeFileOrDie(data->loosePath, big.data(), big.size());

    archive::Members members = {{"/before", "xxxx"}, {"/sfx/big.wav", big}};
    const std::string tinyWav = wav::build(wav::square(1000, 64), 44100, 2);
    for (unsigned i = 0; i < mostCached; ++i) {
        data->soundNames.push_back(numbered("/sfx/tiny-%04u.wav", i));
        data->imageNames.push_back(numbered("/gfx/tiny-%04u.tga", i));
        members.push_back({data->soundNames.back(), tinyWav});
        members.push_back({data->imageNames.back(), tinyTga(root, static_cast<Uint8>(i))});
    }
    const std::string bytes = archive::build(members);
    writeFileOrDie(root + "/data/game.nfi", bytes.data(), bytes.size());

    openBenchScreen();
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    NFILoader::globalLoader()->addDataPath((root + "/data").c_str());
    if (enableSound(44100, 2, 1024) == SDL_FALSE || startEngineModules() == SDL_FALSE || soundIsOn() == SDL_FALSE)
        benchFailure("no audio device on the dummy driver");

    // Both loads give the same samples, both reads the same bytes.
    Mix_Chunk *packed = Mix_LoadWAV_RW(openDataRWops("/sfx/big.wav"), 1);
    Mix_Chunk *loose = Mix_LoadWAV(data->loosePath.c_str());
    if (!packed || !loose || packed->alen != loose->alen || std::memcmp(packed->abuf, loose->abuf, loose->alen) != 0)
        benchFailure("the WAV from the archive and the loose file do not load alike");
    Mix_FreeChunk(packed);
    Mix_FreeChunk(loose);
    std::string viaRWops(data->wavBytes, '\0');
    std::string viaLoader(data->wavBytes, '\0');
    SDL_RWops *rw = openDataRWops("/sfx/big.wav");
    const int read = SDL_RWread(rw, viaRWops.data(), 1, static_cast<int>(data->wavBytes));
    SDL_RWclose(rw);
    NFILoader *loader = NFILoader::globalLoader();
    NFIHandle handle = loader->openFile("/sfx/big.wav");
    loader->readByteStream(handle, viaLoader.data(), data->wavBytes);
    loader->closeFile(handle);
    if (read != static_cast<int>(data->wavBytes) || viaRWops != big || viaLoader != big)
        benchFailure("the member does not read back whole through the RWops and the loader alike");
}

void finish()
{
    stopEngineModules();
    ImageManager::destroyImageManager();
    delete NFILoader::globalLoader();
    delete data;
    data = nullptr;
}

void loadWavFromArchive(benchmark::State &state)
{
    for (auto _ : state) {
        Mix_Chunk *chunk = Mix_LoadWAV_RW(openDataRWops("/sfx/big.wav"), 1);
        benchmark::DoNotOptimize(chunk);
        Mix_FreeChunk(chunk);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data->wavBytes);
}

void loadLooseWavWithMixer(benchmark::State &state)
{
    for (auto _ : state) {
        Mix_Chunk *chunk = Mix_LoadWAV(data->loosePath.c_str());
        benchmark::DoNotOptimize(chunk);
        Mix_FreeChunk(chunk);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data->wavBytes);
}

std::vector<unsigned> picks(unsigned count)
{
    std::mt19937 random(count);
    std::uniform_int_distribution<unsigned> entry(0, count - 1);
    std::vector<unsigned> result;
    for (unsigned i = 0; i < picksPerRun; ++i)
        result.push_back(entry(random));
    return result;
}

void soundCacheHit(benchmark::State &state)
{
    const unsigned count = static_cast<unsigned>(state.range(0));
    for (unsigned i = 0; i < count; ++i)
        if (!getSound(data->soundNames[i].c_str()))
            benchFailure("the sound cache cannot load " + data->soundNames[i]);
    if (cachedSoundCount() < count)
        benchFailure("the sound cache does not hold what was loaded");
    const std::vector<unsigned> chosen = picks(count);
    for (auto _ : state)
        for (unsigned i : chosen)
            benchmark::DoNotOptimize(getSound(data->soundNames[i].c_str()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * picksPerRun);
}

void imageCacheHit(benchmark::State &state)
{
    const unsigned count = static_cast<unsigned>(state.range(0));
    for (unsigned i = 0; i < count; ++i)
        if (!ImageManager::getImage(data->imageNames[i].c_str()))
            benchFailure("the image cache cannot load " + data->imageNames[i]);
    const std::vector<unsigned> chosen = picks(count);
    for (auto _ : state)
        for (unsigned i : chosen)
            benchmark::DoNotOptimize(ImageManager::getImage(data->imageNames[i].c_str()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * picksPerRun);
}

void readMemberThroughRWops(benchmark::State &state)
{
    std::string buffer(data->wavBytes, '\0');
    for (auto _ : state) {
        SDL_RWops *rw = openDataRWops("/sfx/big.wav");
        benchmark::DoNotOptimize(SDL_RWread(rw, buffer.data(), 1, static_cast<int>(data->wavBytes)));
        SDL_RWclose(rw);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data->wavBytes);
}

void readMemberThroughLoader(benchmark::State &state)
{
    std::string buffer(data->wavBytes, '\0');
    NFILoader *loader = NFILoader::globalLoader();
    for (auto _ : state) {
        NFIHandle handle = loader->openFile("/sfx/big.wav");
        benchmark::DoNotOptimize(loader->readByteStream(handle, buffer.data(), data->wavBytes));
        loader->closeFile(handle);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data->wavBytes);
}

void registerCases()
{
    prepare();
    benchmark::RegisterBenchmark("WavLoad/engine:archive member by data name", loadWavFromArchive);
    benchmark::RegisterBenchmark("WavLoad/SDL_mixer:Mix_LoadWAV of the loose file", loadLooseWavWithMixer);
    benchmark::RegisterBenchmark("CacheHit/sound cache", soundCacheHit)->Arg(10)->Arg(1000);
    benchmark::RegisterBenchmark("CacheHit/image cache", imageCacheHit)->Arg(10)->Arg(1000);
    benchmark::RegisterBenchmark("WholeMember/engine:SDL_RWops", readMemberThroughRWops);
    benchmark::RegisterBenchmark("WholeMember/engine:readByteStream", readMemberThroughLoader);
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, registerCases, finish);
}
