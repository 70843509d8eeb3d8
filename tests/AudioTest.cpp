// The audio library through its public interface, on real output: SDL's disk audio driver writes what the mixer
// plays to a file (SDL_DISKAUDIOFILE), which the tests read back. Sounds and music come from real WAV files,
// loose and packed in archives. The same cases run on classic SDL 1.2 and on sdl12-compat (linux/sdl12-compat.sh):
// at 44,100 Hz, which sdl12-compat's device runs at too (it resamples any other rate), and with amplitudes
// compared to within one step, since sdl12-compat scales volumes in floating point (20,000 at half volume comes
// out as 9,999 there, 10,000 on classic SDL).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <SDL.h>

#include "ArchiveWriter.h"
#include "Audio.h"
#include "Config.h"
#include "ConfigTable.h"
#include "Console.h"
#include "EngineModule.h"
#include "Memory.h"
#include "NFILoader.h"
#include "TestSupport.h"
#include "WavWriter.h"

namespace {

const int rate = 44100;
const int bufferSamples = 1024;
const std::uintmax_t bufferBytes = bufferSamples * 4;  // 16-bit stereo
// A sound stopped or changed is heard so from the next buffers the mixer fills; those already written or filled
// are left out of the check.
const std::uintmax_t settleBytes = 4 * bufferBytes;

class Audio : public ScratchRootTest {
protected:
    void SetUp() override
    {
        Console::destroyConsole();
        ASSERT_NO_FATAL_FAILURE(makeRoot("audio"));
        outputFile = path("output.raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outputFile.c_str(), 1);
        // A buffer every 5 ms, faster than real time, so that the tests wait less.
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        std::filesystem::create_directories(path("data"));
        // What an earlier case of the same run chose.
        setMasterVolume(1.0);
        setEffectsVolume(1.0);
        setMusicVolume(1.0);
        setSoundChannels(8);
    }

    void TearDown() override
    {
        stopEngineModules();
        SDL_Quit();
        ScratchRootTest::TearDown();
    }

    // Starts sound as the engine's start-up does, over the data directory as it is now.
    void startSound()
    {
        NFILoader::globalLoader()->addDataPath(path("data").c_str());
        // The console's lines are counted too; the comparison leaves them out.
        Console::destroyConsole();
        memoryBefore = totalAllocatedMemory();
        ASSERT_EQ(enableSound(rate, 2, bufferSamples), SDL_TRUE);
        ASSERT_EQ(startEngineModules(), SDL_TRUE);
        ASSERT_EQ(soundIsOn(), SDL_TRUE) << "no disk audio device";
    }

    // Stops sound as shutdown does; everything the module made is released.
    void stopSoundAndCheckMemory()
    {
        stopEngineModules();
        EXPECT_EQ(soundIsOn(), SDL_FALSE);
        Console::destroyConsole();
        EXPECT_EQ(totalAllocatedMemory(), memoryBefore);
    }

    std::uintmax_t outputBytes() const
    {
        std::error_code error;
        std::uintmax_t size = std::filesystem::file_size(outputFile, error);
        return error ? 0 : size;
    }

    // Waits until the mixer has written at least bytes of output.
    void waitForOutput(std::uintmax_t bytes) const
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (outputBytes() < bytes) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the mixer wrote only " << outputBytes();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // The samples of the output (left and right interleaved) from byte from to byte to, once sound has stopped.
    std::vector<std::int16_t> samples(std::uintmax_t from, std::uintmax_t to) const
    {
        const std::string bytes = archive::readFile(outputFile);
        std::vector<std::int16_t> result;
        for (std::uintmax_t i = from & ~std::uintmax_t(1); i + 1 < bytes.size() && i + 1 < to; i += 2)
            result.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                       (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
        return result;
    }

    static int peak(const std::vector<std::int16_t> &values)
    {
        int most = 0;
        for (std::int16_t v : values)
            most = std::max(most, std::abs(static_cast<int>(v)));
        return most;
    }

    // The samples of the given magnitude, or one step below it.
    static int countOf(const std::vector<std::int16_t> &values, int magnitude)
    {
        int count = 0;
        for (std::int16_t v : values) {
            const int m = std::abs(static_cast<int>(v));
            count += m == magnitude || m == magnitude - 1;
        }
        return count;
    }

    int consoleLinesStartingWith(const std::string &start) const
    {
        int count = 0;
        for (const std::string &line : consoleLines())
            count += line.rfind(start, 0) == 0;
        return count;
    }

    std::string outputFile;
    Uint32 memoryBefore = 0;
};

TEST_F(Audio, ASoundPlayedAtHalfVolumeComesOutAtHalfItsAmplitudeOnBothSides)
{
    write("data/sfx/tone.wav", wav::build(wav::square(20000, rate / 2), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    EngineSound *tone = getSound("/sfx/tone.wav");
    ASSERT_NE(tone, nullptr);
    const std::uintmax_t start = outputBytes();
    ASSERT_GE(playSound(tone, 0.5, 0.0, SDL_FALSE), 0);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + rate * 4 + settleBytes));
    stopSoundAndCheckMemory();

    const std::vector<std::int16_t> out = samples(0, ~std::uintmax_t(0));
    EXPECT_NEAR(peak(out), 10000, 1);
    // Half a second of the tone, on the left and the right alike.
    EXPECT_GE(countOf(out, 10000), rate - 2 * bufferSamples);
    int left = 0, right = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        left += std::abs(out[i]) >= 9999;
        right += std::abs(out[i + 1]) >= 9999;
    }
    EXPECT_EQ(left, right);
}

TEST_F(Audio, TwoSoundsPlayingTogetherSum)
{
    write("data/a.wav", wav::build(wav::square(8000, rate / 2), rate));
    write("data/b.wav", wav::build(wav::square(5000, rate / 2), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    EngineSound *a = getSound("/a.wav");
    EngineSound *b = getSound("/b.wav");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const std::uintmax_t start = outputBytes();
    // Started within one pass of the mixer, so that their cycles line up.
    SDL_LockAudio();
    int channelA = playSound(a, 1.0, 0.0, SDL_FALSE);
    int channelB = playSound(b, 1.0, 0.0, SDL_FALSE);
    SDL_UnlockAudio();
    ASSERT_GE(channelA, 0);
    ASSERT_GE(channelB, 0);
    EXPECT_NE(channelA, channelB);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + rate * 4 + settleBytes));
    stopSoundAndCheckMemory();

    const std::vector<std::int16_t> out = samples(0, ~std::uintmax_t(0));
    EXPECT_NEAR(peak(out), 13000, 1);
    EXPECT_GE(countOf(out, 13000), rate - 2 * bufferSamples);
}

TEST_F(Audio, MusicStreamedFromAnArchiveIsInTheOutputAndSilentOnceStopped)
{
    const std::string music = wav::build(wav::square(12000, rate * 4, 64), rate);
    write("data/music.nfi", archive::build({{"/before", std::string(333, 'x')},
                                            {"/music/theme.wav", music},
                                            {"/after", std::string(77, 'y')}}));
    ASSERT_NO_FATAL_FAILURE(startSound());
    const std::uintmax_t start = outputBytes();
    ASSERT_EQ(playMusic("/music/theme.wav", SDL_TRUE, 0), SDL_TRUE);
    EXPECT_EQ(musicIsPlaying(), SDL_TRUE);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + rate * 2 + settleBytes));
    stopMusic();
    EXPECT_EQ(musicIsPlaying(), SDL_FALSE);
    const std::uintmax_t stopped = outputBytes();
    ASSERT_NO_FATAL_FAILURE(waitForOutput(stopped + 20 * bufferBytes));
    // The music's handle was given back: the next open takes the lowest one.
    EXPECT_EQ(NFILoader::globalLoader()->openFile("/after"), 0);
    NFILoader::globalLoader()->closeFile(0);
    stopSoundAndCheckMemory();

    const std::vector<std::int16_t> playing = samples(start, stopped);
    EXPECT_NEAR(peak(playing), 12000, 1);
    EXPECT_GE(countOf(playing, 12000), rate / 2);
    EXPECT_EQ(peak(samples(stopped + settleBytes, ~std::uintmax_t(0))), 0) << "sound after stopMusic";
}

TEST_F(Audio, AStoppedSoundLeavesTheOutputSilent)
{
    write("data/hum.wav", wav::build(wav::square(9000, rate / 10), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    EngineSound *hum = getSound("/hum.wav");
    ASSERT_NE(hum, nullptr);
    const std::uintmax_t start = outputBytes();
    int channel = playSound(hum, 1.0, 0.0, SDL_TRUE);
    ASSERT_GE(channel, 0);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + rate * 4 + settleBytes));
    stopSound(channel);
    const std::uintmax_t stopped = outputBytes();
    ASSERT_NO_FATAL_FAILURE(waitForOutput(stopped + 20 * bufferBytes));
    stopSoundAndCheckMemory();

    // Looped: a tenth of a second of sound went on for a whole second.
    EXPECT_GE(countOf(samples(start, stopped), 9000), rate);
    EXPECT_EQ(peak(samples(stopped + settleBytes, ~std::uintmax_t(0))), 0) << "sound after stopSound";
}

TEST_F(Audio, VolumesChangedWhileSoundsPlayApplyAtOnce)
{
    write("data/hum.wav", wav::build(wav::square(20000, rate / 10), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    const std::uintmax_t start = outputBytes();
    ASSERT_GE(playSound(getSound("/hum.wav"), 1.0, 0.0, SDL_TRUE), 0);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + 20 * bufferBytes + settleBytes));
    const std::uintmax_t full = outputBytes();
    setEffectsVolume(0.5);
    setMasterVolume(0.5);
    EXPECT_EQ(effectsVolume(), 0.5);
    EXPECT_EQ(masterVolume(), 0.5);
    const std::uintmax_t quarter = outputBytes();
    ASSERT_NO_FATAL_FAILURE(waitForOutput(quarter + 20 * bufferBytes + settleBytes));
    stopSoundAndCheckMemory();

    EXPECT_NEAR(peak(samples(start, full)), 20000, 1);
    const std::vector<std::int16_t> after = samples(quarter + settleBytes, ~std::uintmax_t(0));
    EXPECT_NEAR(peak(after), 5000, 1);
    EXPECT_GE(countOf(after, 5000), 10 * bufferSamples);
}

TEST_F(Audio, ASoundToTheLeftIsHeardOnTheLeftOnly)
{
    write("data/hum.wav", wav::build(wav::square(10000, rate / 2), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    const std::uintmax_t start = outputBytes();
    ASSERT_GE(playSound(getSound("/hum.wav"), 1.0, -1.0, SDL_FALSE), 0);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + rate * 4 + settleBytes));
    stopSoundAndCheckMemory();

    const std::vector<std::int16_t> out = samples(0, ~std::uintmax_t(0));
    int left = 0, right = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        left = std::max(left, std::abs(static_cast<int>(out[i])));
        right = std::max(right, std::abs(static_cast<int>(out[i + 1])));
    }
    EXPECT_GT(left, 9000);
    EXPECT_EQ(right, 0);
}

TEST_F(Audio, WhenEveryChannelIsBusyANewSoundIsNotPlayed)
{
    write("data/hum.wav", wav::build(wav::square(1000, rate), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    ASSERT_EQ(setSoundChannels(2), SDL_TRUE);
    EngineSound *hum = getSound("/hum.wav");
    EXPECT_GE(playSound(hum, 1.0, 0.0, SDL_TRUE), 0);
    EXPECT_GE(playSound(hum, 1.0, 0.0, SDL_TRUE), 0);
    EXPECT_EQ(playSound(hum, 1.0, 0.0, SDL_TRUE), -1);
    stopAllSounds();
    EXPECT_GE(playSound(hum, 1.0, 0.0, SDL_FALSE), 0);
    EXPECT_EQ(setSoundChannels(0), SDL_FALSE);
    EXPECT_EQ(setSoundChannels(257), SDL_FALSE);
    stopSoundAndCheckMemory();
}

TEST_F(Audio, SoundsAreLoadedOnceByDataNameFromLooseFilesAndArchives)
{
    write("data/loose.wav", wav::build(wav::square(1000, 100), rate));
    write("data/sfx.nfi", archive::build({{"/packed.wav", wav::build(wav::square(2000, 100), rate)}}));
    ASSERT_NO_FATAL_FAILURE(startSound());
    EngineSound *loose = getSound("/loose.wav");
    EngineSound *packed = getSound("/packed.wav");
    ASSERT_NE(loose, nullptr);
    ASSERT_NE(packed, nullptr);
    EXPECT_NE(loose, packed);
    EXPECT_EQ(getSound("/loose.wav"), loose);
    EXPECT_EQ(getSound("/packed.wav"), packed);
    EXPECT_EQ(cachedSoundCount(), 2u);
    // Every handle was given back after loading.
    EXPECT_EQ(NFILoader::globalLoader()->openFile("/loose.wav"), 0);
    NFILoader::globalLoader()->closeFile(0);
    stopSoundAndCheckMemory();
    EXPECT_EQ(cachedSoundCount(), 0u);
}

TEST_F(Audio, MissingDamagedAndUnknownFilesGiveNullAndOneLineNamingThem)
{
    write("data/damaged.wav", wav::build(wav::square(1000, 1000), rate).substr(0, 30));
    write("data/text.ogg", "not music at all, only words\n");
    ASSERT_NO_FATAL_FAILURE(startSound());
    const Sint32 before = Console::totalLines();
    EXPECT_EQ(getSound("/missing.wav"), nullptr);
    EXPECT_EQ(getSound("/damaged.wav"), nullptr);
    EXPECT_EQ(playMusic("/missing.ogg", SDL_TRUE, 0), SDL_FALSE);
    EXPECT_EQ(playMusic("/text.ogg", SDL_FALSE, 0), SDL_FALSE);
    EXPECT_EQ(getSound(nullptr), nullptr);
    EXPECT_EQ(playSound(nullptr, 1.0, 0.0, SDL_FALSE), -1);
    ASSERT_EQ(Console::totalLines() - before, 4);
    {
        EXPECT_STREQ(Console::lineAtIndex(before), "getSound ('/missing.wav'): not found");
        const std::string damaged = Console::lineAtIndex(before + 1);
        EXPECT_EQ(damaged.rfind("getSound ('/damaged.wav'): ", 0), 0u) << damaged;
        EXPECT_GT(damaged.size(), std::string("getSound ('/damaged.wav'): ").size()) << "no reason given";
        EXPECT_STREQ(Console::lineAtIndex(before + 2), "playMusic ('/missing.ogg'): not found");
        const std::string unknown = Console::lineAtIndex(before + 3);
        EXPECT_EQ(unknown.rfind("playMusic ('/text.ogg'): ", 0), 0u) << unknown;
    }
    // A failure is not remembered, and no handle stays taken.
    EXPECT_EQ(cachedSoundCount(), 0u);
    EXPECT_EQ(NFILoader::globalLoader()->openFile("/damaged.wav"), 0);
    NFILoader::globalLoader()->closeFile(0);
    stopSoundAndCheckMemory();
}

TEST_F(Audio, DamagedWavFilesAreRefusedBeforeSDLReadsThem)
{
    const std::string good = wav::build(wav::square(1000, 100), rate);  // fmt at 12, data at 36
    auto changed = [&good](size_t at, const std::string &bytes) {
        std::string damaged = good;
        damaged.replace(at, bytes.size(), bytes);
        return damaged;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/claims-2-gib.wav", changed(40, le32(0x7FFFFFFF))},
        {"/no-channels.wav", changed(22, le16(0))},
        {"/255-channels.wav", changed(22, le16(255))},
        {"/1-hz.wav", changed(24, le32(1))},
        {"/no-block-size.wav", changed(32, le16(0))},
        {"/no-data-chunk.wav", changed(36, "daat")},
        {"/short-format.wav", changed(16, le32(8))},
        // SDL's form without a length: "WAVE" in the length field, chunks from byte 8.
        {"/lengthless-claims-1-gib.wav", std::string("RIFFWAVEjunk") + le32(0x40000000) + std::string(8, '\0')},
    };
    for (const auto &c : cases)
        write("data" + c.first, c.second);
    write("data/good.wav", good);
    ASSERT_NO_FATAL_FAILURE(startSound());
    EXPECT_NE(getSound("/good.wav"), nullptr);
    for (const auto &c : cases) {
        const Sint32 before = Console::totalLines();
        EXPECT_EQ(getSound(c.first.c_str()), nullptr) << c.first;
        ASSERT_EQ(Console::totalLines(), before + 1) << c.first;
        EXPECT_EQ(std::string(Console::lineAtIndex(before)).rfind("getSound ('" + c.first + "'): ", 0), 0u)
            << Console::lineAtIndex(before);
    }
    EXPECT_EQ(NFILoader::globalLoader()->openFile("/good.wav"), 0) << "a refused file's handle stayed taken";
    NFILoader::globalLoader()->closeFile(0);
    stopSoundAndCheckMemory();
}

TEST_F(Audio, WithoutADeviceTheGameRunsSilentAndEveryCallIsHarmless)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    write("data/step.wav", wav::build(wav::square(1000, 100), rate));
    NFILoader::globalLoader()->addDataPath(path("data").c_str());
    Console::destroyConsole();
    const Uint32 memoryAtStart = totalAllocatedMemory();
    ASSERT_EQ(enableSound(0, 0, 0), SDL_TRUE);
    const Sint32 before = Console::totalLines();
    ASSERT_EQ(startEngineModules(), SDL_TRUE);
    EXPECT_EQ(Console::totalLines() - before, 1);
    EXPECT_EQ(consoleLinesStartingWith("Sound is off: "), 1);
    EXPECT_EQ(soundIsOn(), SDL_FALSE);

    EngineSound *step = getSound("/step.wav");
    EXPECT_NE(step, nullptr) << "the file is there; it is silent";
    EXPECT_EQ(playSound(step, 1.0, 0.0, SDL_TRUE), -1);
    EXPECT_EQ(playMusic("/step.wav", SDL_TRUE, 100), SDL_TRUE);
    EXPECT_EQ(musicIsPlaying(), SDL_FALSE);
    fadeOutMusic(100);
    pauseMusic();
    resumeMusic();
    stopMusic();
    stopSound(0);
    stopAllSounds();
    setMasterVolume(0.5);
    EXPECT_EQ(setSoundChannels(4), SDL_TRUE);
    EXPECT_EQ(getSound("/missing.wav"), nullptr);
    EXPECT_EQ(consoleLinesStartingWith("getSound ('/missing.wav'): not found"), 1);
    stopEngineModules();
    Console::destroyConsole();
    EXPECT_EQ(totalAllocatedMemory(), memoryAtStart);
}

TEST_F(Audio, EnableSoundRefusesWhatNoMixerCanMake)
{
    EXPECT_EQ(enableSound(100, 2, 1024), SDL_FALSE);
    EXPECT_EQ(enableSound(44100, 3, 1024), SDL_FALSE);
    EXPECT_EQ(enableSound(44100, 2, 16), SDL_FALSE);
    EXPECT_EQ(consoleLinesStartingWith("ERROR: enableSound: "), 3);
}

TEST_F(Audio, PlayersSetTheVolumesInTheConfigurationFile)
{
    ASSERT_EQ(registerSoundSettings(), SDL_TRUE);
    write("game.conf", "soundVolume = 0.8\neffectsVolume = 0.25\nmusicVolume = 0\n");
    ASSERT_EQ(readConfigFile(path("game.conf").c_str()), SDL_TRUE);
    EXPECT_DOUBLE_EQ(masterVolume(), 0.8);
    EXPECT_DOUBLE_EQ(effectsVolume(), 0.25);
    EXPECT_DOUBLE_EQ(musicVolume(), 0.0);
    clearGameSettings();
}

TEST_F(Audio, MusicFadesPausesAndResumes)
{
    write("data/theme.wav", wav::build(wav::square(12000, rate * 4, 64), rate));
    ASSERT_NO_FATAL_FAILURE(startSound());
    const std::uintmax_t start = outputBytes();
    ASSERT_EQ(playMusic("/theme.wav", SDL_FALSE, 500), SDL_TRUE);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(start + rate * 4 + settleBytes));
    pauseMusic();
    const std::uintmax_t paused = outputBytes();
    EXPECT_EQ(musicIsPlaying(), SDL_TRUE);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(paused + 20 * bufferBytes));
    resumeMusic();
    const std::uintmax_t resumed = outputBytes();
    ASSERT_NO_FATAL_FAILURE(waitForOutput(resumed + rate * 2 + settleBytes));
    fadeOutMusic(200);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(outputBytes() + rate * 4));
    const std::uintmax_t faded = outputBytes();
    EXPECT_EQ(musicIsPlaying(), SDL_FALSE);
    ASSERT_NO_FATAL_FAILURE(waitForOutput(faded + 20 * bufferBytes));
    stopSoundAndCheckMemory();

    // Faded in: the first tenth of a second is quieter than the music, which then reaches its full amplitude.
    EXPECT_LT(peak(samples(start, start + rate * 4 / 10)), 11000);
    EXPECT_NEAR(peak(samples(start, paused)), 12000, 1);
    EXPECT_EQ(peak(samples(paused + settleBytes, resumed)), 0) << "sound while paused";
    EXPECT_NEAR(peak(samples(resumed + settleBytes, resumed + rate * 2)), 12000, 1);
    EXPECT_EQ(peak(samples(faded + settleBytes, ~std::uintmax_t(0))), 0) << "sound after the fade";
}

}  // namespace
