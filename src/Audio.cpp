// The audio module on SDL_mixer 1.2: its start and stop as an engine module, the sound cache, the music and the
// volumes. Everything the mixer reads comes through the data loader as SDL_RWops (DataRWops): a sound is read
// whole when it is loaded, the music is streamed by the mixer's thread while it plays, so its RWops stays open
// until the music is freed. The cache is a growable array in load order with a name index beside it, like the
// image cache. What the mixer allocates (samples, decoders) comes from the C library's malloc and is not
// counted in the leak report; the module's own records are, and stop frees them all.
// Depends on: DataRWops, NFILoader, ConfigTable, EngineModule, CacheIndex, Console, Memory, Utility, SDL_mixer.
#include "Audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "CacheIndex.h"
#include "ConfigTable.h"
#include "Console.h"
#include "DataRWops.h"
#include "EngineModule.h"
#include "Memory.h"
#include "NFILoader.h"
#include "Utility.h"

struct EngineSound {
    char *name;        // the data name, a tracked copy
    Mix_Chunk *chunk;  // null where sound is off
};

namespace {

const int defaultFrequency = 44100;
const int defaultOutputChannels = 2;
const int defaultBufferSamples = 1024;
const int defaultSoundChannels = 8;
const int mostSoundChannels = 256;
const Uint32 cacheStep = 10;

int frequency = defaultFrequency;
int outputChannels = defaultOutputChannels;
int bufferSamples = defaultBufferSamples;
int soundChannels = defaultSoundChannels;

// The game settings "soundVolume", "effectsVolume" and "musicVolume".
double masterSetting = 1.0;
double effectsSetting = 1.0;
double musicSetting = 1.0;

bool deviceOpen = false;

EngineSound **sounds = nullptr;
Uint32 soundCount = 0;
Uint32 soundCapacity = 0;
CacheIndex *soundIndex = nullptr;

double *channelVolumes = nullptr;  // the volume each channel's sound was played at, before the common volumes
int volumeRecords = 0;

Mix_Music *music = nullptr;
SDL_RWops *musicSource = nullptr;  // read by the mixer's thread while music plays

double clamp(double value, double low, double high)
{
    return value < low ? low : value > high ? high : value;
}

int mixerVolume(double volume)
{
    return static_cast<int>(clamp(volume, 0.0, 1.0) * MIX_MAX_VOLUME + 0.5);
}

double commonEffectsVolume()
{
    return clamp(masterSetting, 0.0, 1.0) * clamp(effectsSetting, 0.0, 1.0);
}

void applyMusicVolume()
{
    if (deviceOpen)
        Mix_VolumeMusic(mixerVolume(clamp(masterSetting, 0.0, 1.0) * clamp(musicSetting, 0.0, 1.0)));
}

void applyChannelVolume(int channel)
{
    Mix_Volume(channel, mixerVolume(channelVolumes[channel] * commonEffectsVolume()));
}

void applyEffectsVolumes()
{
    if (!deviceOpen)
        return;
    SDL_LockAudio();
    for (int channel = 0; channel < soundChannels; ++channel)
        applyChannelVolume(channel);
    SDL_UnlockAudio();
}

// Makes the mixer's channels and their volume records soundChannels long; the channels kept keep their volumes.
void allocateChannels()
{
    double *volumes = new double[soundChannels];
    for (int channel = 0; channel < soundChannels; ++channel)
        volumes[channel] = channel < volumeRecords ? channelVolumes[channel] : 1.0;
    delete[] channelVolumes;
    channelVolumes = volumes;
    volumeRecords = soundChannels;
    Mix_AllocateChannels(soundChannels);
    applyEffectsVolumes();
}

void freeMusic()
{
    if (music) {
        Mix_FreeMusic(music);  // halts it first; the mixer's thread no longer reads the source afterwards
        music = nullptr;
    }
    if (musicSource) {
        SDL_RWclose(musicSource);
        musicSource = nullptr;
    }
}

SDL_bool startAudio()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        Console::addString("Sound is off: no audio (%s)", SDL_GetError());
        return SDL_TRUE;
    }
    // Once per process, and never Mix_Quit: SDL_mixer 1.2.12's Mix_Quit frees the sound font paths but keeps
    // pointing at them, so the next Mix_OpenAudio in the same process reads freed memory.
    static const int decoders = Mix_Init(MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_MP3);
    (void)decoders;
    if (Mix_OpenAudio(frequency, MIX_DEFAULT_FORMAT, outputChannels, bufferSamples) < 0) {
        Console::addString("Sound is off: no audio device opens (%s)", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return SDL_TRUE;
    }
    deviceOpen = true;
    allocateChannels();
    applyMusicVolume();
    return SDL_TRUE;
}

void stopAudio()
{
    if (deviceOpen) {
        Mix_HaltChannel(-1);
        freeMusic();
    }
    for (Uint32 i = 0; i < soundCount; ++i) {
        if (sounds[i]->chunk)
            Mix_FreeChunk(sounds[i]->chunk);
        mem_dealloc(sounds[i]->name);
        delete sounds[i];
    }
    delete[] sounds;
    sounds = nullptr;
    soundCount = soundCapacity = 0;
    delete soundIndex;
    soundIndex = nullptr;
    if (deviceOpen) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    delete[] channelVolumes;
    channelVolumes = nullptr;
    volumeRecords = 0;
    deviceOpen = false;
}

// Whether the data file exists; logs "<function> ('<name>'): ..." when it does not.
bool dataFileFound(const char *function, const char *filename)
{
    if (NFILoader::globalLoader()->fileExists(filename) == SDL_TRUE)
        return true;
    Console::addString("%s ('%s'): not found", function, filename);
    return false;
}

// Why a WAV format chunk (its first 16 bytes) cannot be converted to the mixer's format, or null. SDL 1.2's
// converter chains a step for every halving or doubling of the rate and every change of channels into a fixed
// table of ten, without a bound: a rate far from the mixer's or many channels run it past its end (and no
// channels loops for ever); the decoders divide by the block size.
const char *wavFormatFault(const Uint8 *format)
{
    const Uint32 channels = format[2] | format[3] << 8;
    const Uint32 rate = static_cast<Uint32>(format[4] | format[5] << 8 | format[6] << 16) |
                        static_cast<Uint32>(format[7]) << 24;
    const Uint32 blockSize = format[12] | format[13] << 8;
    if (channels < 1 || channels > 2)
        return "a sound has one or two channels";
    if (rate < 4000 || rate > 192000)
        return "a sound's sample rate is 4,000 to 192,000 Hz";
    if (blockSize == 0)
        return "the format names no block size";
    return nullptr;
}

// Why a RIFF file's chunks cannot be loaded, or null when they can. SDL 1.2 reads a WAV file chunk by chunk and
// allocates each chunk's claimed length before reading it, so a damaged length of 2 GiB would be allocated (and
// filled) whole; each length is held against the bytes the file has left, and the format is checked
// (wavFormatFault). SDL also takes a file whose length field reads "WAVE" (after "RIFF" or "WAVE"), with its
// chunks from byte 8; those are checked the same way. Other formats pass unchecked. The source is left at its
// start.
const char *riffChunkFault(SDL_RWops *source)
{
    const Sint32 size = dataRWopsSize(source);
    char header[12];
    const char *fault = nullptr;
    Sint64 at = 0;
    if (size >= 12 && SDL_RWread(source, header, 12, 1) == 1 &&
        (SDL_memcmp(header, "RIFF", 4) == 0 || SDL_memcmp(header, "WAVE", 4) == 0)) {
        if (SDL_memcmp(header + 4, "WAVE", 4) == 0)
            at = 8;
        else if (SDL_memcmp(header, "RIFF", 4) == 0 && SDL_memcmp(header + 8, "WAVE", 4) == 0)
            at = 12;
    }
    if (at > 0 && SDL_RWseek(source, static_cast<int>(at), SEEK_SET) == at) {
        Uint8 chunk[8];
        bool data = false;
        while (!fault && !data && at + 8 <= size && SDL_RWread(source, chunk, 8, 1) == 1) {
            const Uint32 length = static_cast<Uint32>(chunk[4] | chunk[5] << 8 | chunk[6] << 16) |
                                  static_cast<Uint32>(chunk[7]) << 24;
            at += 8;
            Uint8 format[16];
            if (length > size - at)
                fault = "a chunk claims more bytes than the file holds";
            else if (SDL_memcmp(chunk, "data", 4) == 0)
                data = true;
            else if (SDL_memcmp(chunk, "fmt ", 4) == 0 && length < 16)
                fault = "the format chunk is short";  // SDL would read its 16 bytes past the chunk's end
            else if (SDL_memcmp(chunk, "fmt ", 4) == 0 && SDL_RWread(source, format, 16, 1) == 1)
                fault = wavFormatFault(format);
            at += length + (length & 1);
            if (!data && SDL_RWseek(source, static_cast<int>(at < size ? at : size), SEEK_SET) < 0)
                break;
        }
        // SDL reads on past the end looking for the samples, and takes whatever length it last read.
        if (!fault && !data)
            fault = "no data chunk";
    }
    SDL_RWseek(source, 0, SEEK_SET);
    return fault;
}

EngineSound *addSound(const char *filename, Mix_Chunk *chunk)
{
    if (!soundIndex)
        soundIndex = new CacheIndex();
    if (soundCount == soundCapacity) {
        EngineSound **grown = new EngineSound *[soundCapacity + cacheStep];
        for (Uint32 i = 0; i < soundCount; ++i)
            grown[i] = sounds[i];
        delete[] sounds;
        sounds = grown;
        soundCapacity += cacheStep;
    }
    EngineSound *sound = new EngineSound{zarvello::strdup(filename), chunk};
    if (!soundIndex->add(sound->name, 0, sound)) {
        if (chunk)
            Mix_FreeChunk(chunk);
        mem_dealloc(sound->name);
        delete sound;
        return nullptr;
    }
    sounds[soundCount++] = sound;
    return sound;
}

}  // namespace

SDL_bool enableSound(int frequencyHz, int channels, int samples)
{
    const int f = frequencyHz ? frequencyHz : defaultFrequency;
    const int c = channels ? channels : defaultOutputChannels;
    const int s = samples ? samples : defaultBufferSamples;
    if (f < 8000 || f > 192000 || c < 1 || c > 2 || s < 256 || s > 16384) {
        Console::addString("ERROR: enableSound: %d Hz, %d channels, %d samples is no sound a mixer can make", f, c,
                           s);
        return SDL_FALSE;
    }
    frequency = f;
    outputChannels = c;
    bufferSamples = s;
    EngineModule module = {startAudio, stopAudio};
    return registerEngineModule(module);
}

SDL_bool setSoundChannels(int count)
{
    if (count < 1 || count > mostSoundChannels) {
        Console::addString("ERROR: setSoundChannels: %d channels; 1 to %d play at once", count, mostSoundChannels);
        return SDL_FALSE;
    }
    soundChannels = count;
    if (deviceOpen)
        allocateChannels();
    return SDL_TRUE;
}

SDL_bool soundIsOn()
{
    return deviceOpen ? SDL_TRUE : SDL_FALSE;
}

EngineSound *getSound(const char *filename)
{
    if (!filename)
        return nullptr;
    if (soundIndex) {
        EngineSound *cached = static_cast<EngineSound *>(soundIndex->find(filename, 0));
        if (cached)
            return cached;
    }
    if (!deviceOpen)
        return dataFileFound("getSound", filename) ? addSound(filename, nullptr) : nullptr;
    SDL_RWops *source = openDataRWops(filename);
    if (!source) {
        Console::addString("getSound ('%s'): not found", filename);
        return nullptr;
    }
    if (const char *fault = riffChunkFault(source)) {
        Console::addString("getSound ('%s'): %s", filename, fault);
        SDL_RWclose(source);
        return nullptr;
    }
    Mix_Chunk *chunk = Mix_LoadWAV_RW(source, 1);
    if (!chunk) {
        Console::addString("getSound ('%s'): %s", filename, Mix_GetError());
        return nullptr;
    }
    return addSound(filename, chunk);
}

Uint32 cachedSoundCount()
{
    return soundCount;
}

int playSound(EngineSound *sound, double volume, double position, SDL_bool loop)
{
    if (!sound || !sound->chunk || !deviceOpen)
        return -1;
    // The mixer's thread waits while the channel is chosen and set, so no part of the sound plays unset.
    SDL_LockAudio();
    const int channel = Mix_PlayChannel(-1, sound->chunk, loop == SDL_TRUE ? -1 : 0);
    if (channel >= 0 && channel < soundChannels) {
        channelVolumes[channel] = clamp(volume, 0.0, 1.0);
        applyChannelVolume(channel);
        const double p = clamp(position, -1.0, 1.0);
        Mix_SetPanning(channel, static_cast<Uint8>(255 * clamp(1.0 - p, 0.0, 1.0) + 0.5),
                       static_cast<Uint8>(255 * clamp(1.0 + p, 0.0, 1.0) + 0.5));
    }
    SDL_UnlockAudio();
    return channel;
}

void stopSound(int channel)
{
    if (deviceOpen && channel >= 0 && channel < soundChannels)
        Mix_HaltChannel(channel);
}

void stopAllSounds()
{
    if (deviceOpen)
        Mix_HaltChannel(-1);
}

SDL_bool playMusic(const char *filename, SDL_bool loop, int fadeInMs)
{
    if (!filename)
        return SDL_FALSE;
    if (!deviceOpen)
        return dataFileFound("playMusic", filename) ? SDL_TRUE : SDL_FALSE;
    freeMusic();
    musicSource = openDataRWops(filename);
    if (!musicSource) {
        Console::addString("playMusic ('%s'): not found", filename);
        return SDL_FALSE;
    }
    // The mixer streams from the source and never closes it; freeMusic does, after the music is freed.
    music = Mix_LoadMUS_RW(musicSource);
    if (!music) {
        Console::addString("playMusic ('%s'): %s", filename, Mix_GetError());
        freeMusic();
        return SDL_FALSE;
    }
    applyMusicVolume();
    const int loops = loop == SDL_TRUE ? -1 : 1;
    const int result = fadeInMs > 0 ? Mix_FadeInMusic(music, loops, fadeInMs) : Mix_PlayMusic(music, loops);
    if (result < 0) {
        Console::addString("playMusic ('%s'): %s", filename, Mix_GetError());
        freeMusic();
        return SDL_FALSE;
    }
    // Starting may reset the volume; the one chosen stays.
    applyMusicVolume();
    return SDL_TRUE;
}

void fadeOutMusic(int ms)
{
    if (!deviceOpen || !music)
        return;
    if (ms > 0)
        Mix_FadeOutMusic(ms);
    else
        Mix_HaltMusic();
}

void pauseMusic()
{
    if (deviceOpen)
        Mix_PauseMusic();
}

void resumeMusic()
{
    if (deviceOpen)
        Mix_ResumeMusic();
}

void stopMusic()
{
    if (deviceOpen)
        freeMusic();
}

SDL_bool musicIsPlaying()
{
    return deviceOpen && music && Mix_PlayingMusic() ? SDL_TRUE : SDL_FALSE;
}

void setMasterVolume(double volume)
{
    masterSetting = clamp(volume, 0.0, 1.0);
    applyEffectsVolumes();
    applyMusicVolume();
}

void setEffectsVolume(double volume)
{
    effectsSetting = clamp(volume, 0.0, 1.0);
    applyEffectsVolumes();
}

void setMusicVolume(double volume)
{
    musicSetting = clamp(volume, 0.0, 1.0);
    applyMusicVolume();
}

double masterVolume()
{
    return clamp(masterSetting, 0.0, 1.0);
}

double effectsVolume()
{
    return clamp(effectsSetting, 0.0, 1.0);
}

double musicVolume()
{
    return clamp(musicSetting, 0.0, 1.0);
}

SDL_bool registerSoundSettings()
{
    if (registerNumberSetting("soundVolume", &masterSetting, 1.0) == SDL_FALSE ||
        registerNumberSetting("effectsVolume", &effectsSetting, 1.0) == SDL_FALSE ||
        registerNumberSetting("musicVolume", &musicSetting, 1.0) == SDL_FALSE)
        return SDL_FALSE;
    return SDL_TRUE;
}
