// The recording file of a play session, through real files: everything a recording keeps comes back from disk
// as it was recorded (every event kind field for field, clock readings across the clock's wrap, settings and
// player files); what is not the player's input is not kept; the writer leaves out what the reader would
// refuse and ends a recording that outgrows the largest file on a whole frame; and the reader refuses every
// kind of bad file with a sentence that names the fault. Checksums are computed by zlib, independently.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveWriter.h"
#include "Console.h"
#include "LittleEndian.h"
#include "RecordingFile.h"
#include "TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class RecordingFileTest : public QuietConsole {
protected:
    void SetUp() override
    {
        QuietConsole::SetUp();
        directory = makeScratchDirectory("recording");
        ASSERT_FALSE(directory.empty());
    }
    void TearDown() override
    {
        std::filesystem::remove_all(directory);
        QuietConsole::TearDown();
    }

    // Writes the bytes as a recording file, then reads that file back into recording.
    bool readThroughDisk(const Bytes &bytes, Recording &recording, std::string &reason)
    {
        const std::string path = directory + "/session.zrec";
        archive::writeFile(path, std::string(bytes.begin(), bytes.end()));
        const std::string read = archive::readFile(path);
        return readRecording(reinterpret_cast<const unsigned char *>(read.data()), read.size(), recording, reason);
    }

    std::string directory;
};

SDL_Event zeroedEvent(Uint8 type)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    return event;
}

// One event of every kind a recording keeps, with values at the ends of each field's range.
std::vector<SDL_Event> everyKindOfEvent()
{
    std::vector<SDL_Event> events;
    SDL_Event e = zeroedEvent(SDL_ACTIVEEVENT);
    e.active.gain = 1;
    e.active.state = SDL_APPINPUTFOCUS | SDL_APPACTIVE;
    events.push_back(e);
    for (Uint8 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        e = zeroedEvent(type);
        e.key.which = 0;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = 255;
        e.key.keysym.sym = static_cast<SDLKey>(SDLK_LAST - 1);
        e.key.keysym.mod = static_cast<SDLMod>(KMOD_LSHIFT | KMOD_RCTRL | KMOD_RESERVED);
        e.key.keysym.unicode = 0xFFFF;
        events.push_back(e);
    }
    e = zeroedEvent(SDL_MOUSEMOTION);
    e.motion.state = SDL_BUTTON_LMASK;
    e.motion.x = 65535;
    e.motion.y = 599;
    e.motion.xrel = -32768;
    e.motion.yrel = 32767;
    events.push_back(e);
    for (Uint8 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        e = zeroedEvent(type);
        e.button.which = 1;
        e.button.button = SDL_BUTTON_WHEELDOWN;
        e.button.state = SDL_PRESSED;
        e.button.x = 799;
        e.button.y = 0;
        events.push_back(e);
    }
    e = zeroedEvent(SDL_JOYAXISMOTION);
    e.jaxis.which = 3;
    e.jaxis.axis = 2;
    e.jaxis.value = -32768;
    events.push_back(e);
    e = zeroedEvent(SDL_JOYBALLMOTION);
    e.jball.which = 255;
    e.jball.ball = 1;
    e.jball.xrel = -1;
    e.jball.yrel = 1;
    events.push_back(e);
    e = zeroedEvent(SDL_JOYHATMOTION);
    e.jhat.hat = 4;
    e.jhat.value = SDL_HAT_LEFTDOWN;
    events.push_back(e);
    for (Uint8 type : {SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP}) {
        e = zeroedEvent(type);
        e.jbutton.which = 2;
        e.jbutton.button = 31;
        e.jbutton.state = SDL_RELEASED;
        events.push_back(e);
    }
    events.push_back(zeroedEvent(SDL_QUIT));
    events.push_back(zeroedEvent(SDL_VIDEOEXPOSE));
    e = zeroedEvent(SDL_VIDEORESIZE);
    e.resize.w = 2147483647;
    e.resize.h = -1;
    events.push_back(e);
    return events;
}

// A small, valid recording: one setting, one player file, two frames.
Bytes smallRecording()
{
    RecordingWriter writer("demo", "1.4.0");
    writer.setting({"fullscreen", {1, 0, 0, 0}});
    writer.playerFile({"player.sav", true, {7, 8, 9}});
    writer.clockReading(10);
    writer.beginFrame();
    writer.clockReading(26);
    writer.beginFrame();
    writer.event(zeroedEvent(SDL_QUIT));
    return writer.finish();
}

Bytes bytesOf(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

// The recording with a record added just before its end record, and its checksum made to match again.
Bytes withRecord(const Bytes &recording, const std::string &record)
{
    const size_t end = recording.size() - 9;
    Bytes bytes(recording.begin(), recording.begin() + static_cast<long>(end));
    bytes.insert(bytes.end(), record.begin(), record.end());
    const std::string tail = std::string("Z") + std::string(recording.begin() + static_cast<long>(end) + 1,
                                                            recording.begin() + static_cast<long>(end) + 5) +
                             le32(static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))));
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

bool isEmpty(const Recording &recording)
{
    return recording.game.empty() && recording.engineVersion.empty() && recording.settings.empty() &&
           recording.playerFiles.empty() && recording.frames.empty();
}

}  // namespace

TEST_F(RecordingFileTest, EverythingRecordedComesBackFromTheFileAsItWas)
{
    const std::vector<SDL_Event> events = everyKindOfEvent();
    RecordingWriter writer("Zarvello Demo", "1.4.0");
    writer.setting({"keyQuit", {27, 0, 0, 0}});
    writer.setting({"skin", {}});
    writer.playerFile({"options.cfg", true, {0, 1, 2, 255}});
    writer.playerFile({"highscores", false, {}});
    writer.clockReading(0xFFFFFFF0u);
    writer.beginFrame();
    writer.clockReading(5);  // the clock wrapped
    for (const SDL_Event &event : events)
        writer.event(event);
    writer.clockReading(5);
    writer.clockReading(5 + 300000);
    writer.beginFrame();
    writer.playerFile({"empty.sav", true, {}});
    writer.beginFrame();
    writer.clockReading(0);
    EXPECT_EQ(writer.frames(), 3u);

    Recording recording;
    std::string reason;
    ASSERT_TRUE(readThroughDisk(writer.finish(), recording, reason)) << reason;
    EXPECT_EQ(recording.game, "Zarvello Demo");
    EXPECT_EQ(recording.engineVersion, "1.4.0");
    ASSERT_EQ(recording.settings.size(), 2u);
    EXPECT_EQ(recording.settings[0].name, "keyQuit");
    EXPECT_EQ(recording.settings[0].value, Bytes({27, 0, 0, 0}));
    EXPECT_EQ(recording.settings[1].name, "skin");
    EXPECT_TRUE(recording.settings[1].value.empty());
    ASSERT_EQ(recording.playerFiles.size(), 3u);
    EXPECT_EQ(recording.playerFiles[0].name, "options.cfg");
    EXPECT_TRUE(recording.playerFiles[0].present);
    EXPECT_EQ(recording.playerFiles[0].bytes, Bytes({0, 1, 2, 255}));
    EXPECT_EQ(recording.playerFiles[1].name, "highscores");
    EXPECT_FALSE(recording.playerFiles[1].present);
    EXPECT_EQ(recording.playerFiles[2].name, "empty.sav");
    EXPECT_TRUE(recording.playerFiles[2].present);
    EXPECT_TRUE(recording.playerFiles[2].bytes.empty());

    ASSERT_EQ(recording.frames.size(), 4u) << "start-up and three frames";
    EXPECT_EQ(recording.frames[0].ticks, std::vector<Uint32>({0xFFFFFFF0u}));
    EXPECT_TRUE(recording.frames[0].events.empty());
    EXPECT_EQ(recording.frames[1].ticks, std::vector<Uint32>({5, 5, 300005}));
    ASSERT_EQ(recording.frames[1].events.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(std::memcmp(&recording.frames[1].events[i], &events[i], sizeof(SDL_Event)), 0)
            << "event of type " << int(events[i].type);
    EXPECT_TRUE(recording.frames[2].ticks.empty());
    EXPECT_TRUE(recording.frames[2].events.empty());
    EXPECT_EQ(recording.frames[3].ticks, std::vector<Uint32>({0}));
}

TEST_F(RecordingFileTest, OnlyInputFromOutsideTheGameIsRecorded)
{
    for (const SDL_Event &event : everyKindOfEvent())
        EXPECT_TRUE(isRecordedEvent(event)) << int(event.type);
    RecordingWriter writer("demo", "1.4.0");
    writer.beginFrame();
    for (int type : {int(SDL_NOEVENT), int(SDL_SYSWMEVENT), int(SDL_EVENT_RESERVEDA), int(SDL_USEREVENT),
                     int(SDL_USEREVENT) + 5, int(SDL_NUMEVENTS) - 1}) {
        SDL_Event event = zeroedEvent(static_cast<Uint8>(type));
        EXPECT_FALSE(isRecordedEvent(event)) << type;
        writer.event(event);
    }
    Recording recording;
    std::string reason;
    ASSERT_TRUE(readThroughDisk(writer.finish(), recording, reason)) << reason;
    ASSERT_EQ(recording.frames.size(), 2u);
    EXPECT_TRUE(recording.frames[1].events.empty());
}

TEST_F(RecordingFileTest, WriterLeavesOutWhatNoRecordingCanHoldAndSaysSo)
{
    RecordingWriter writer("demo", "1.4.0");
    writer.setting({"", {1}});
    writer.setting({"big", Bytes(65536, 0)});
    writer.playerFile({"tab\there", false, {}});
    writer.playerFile({std::string(256, 'a'), false, {}});
    writer.beginFrame();
    writer.setting({"late", {1}});
    SDL_Event key = zeroedEvent(SDL_KEYDOWN);
    key.key.keysym.sym = SDLK_LAST;
    writer.event(key);
    EXPECT_EQ(consoleLines().size(), 6u);
    EXPECT_EQ(lastLine(), "ERROR: RecordingWriter::event: key symbol 323 is no SDL key; not recorded");

    Recording recording;
    std::string reason;
    ASSERT_TRUE(readThroughDisk(writer.finish(), recording, reason)) << reason;
    EXPECT_TRUE(recording.settings.empty());
    EXPECT_TRUE(recording.playerFiles.empty());
    ASSERT_EQ(recording.frames.size(), 2u);
    EXPECT_TRUE(recording.frames[1].events.empty());

    // A game's name the file cannot hold records nothing at all.
    RecordingWriter unnamed("", "1.4.0");
    unnamed.beginFrame();
    EXPECT_TRUE(unnamed.finish().empty());
    RecordingWriter longVersion("demo", std::string(32, '1'));
    EXPECT_TRUE(longVersion.finish().empty());
    EXPECT_EQ(linesEqualTo("ERROR: RecordingWriter ('', '1.4.0'): the game's name must be 1 to 255 bytes and the "
                           "engine version 1 to 31, without control characters; nothing is recorded"),
              1);
}

TEST_F(RecordingFileTest, RecordingThatOutgrowsTheLargestFileEndsWithItsLastWholeFrame)
{
    RecordingWriter writer("demo", "1.4.0");
    writer.playerFile({"huge.sav", true, Bytes(largestRecording - 1000, 0x55)});
    SDL_Event motion = zeroedEvent(SDL_MOUSEMOTION);
    for (int frame = 1; frame <= 100; ++frame) {
        writer.beginFrame();
        writer.clockReading(static_cast<Uint32>(frame * 16));
        for (int i = 0; i < 4; ++i)
            writer.event(motion);
    }
    const Uint32 kept = writer.frames();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 100u);
    EXPECT_EQ(lastLine(), "WARNING: recording: the file reached its largest size (64 MiB); it ends with frame " +
                              std::to_string(kept));
    const Bytes &file = writer.finish();
    EXPECT_LE(file.size(), largestRecording);

    Recording recording;
    std::string reason;
    ASSERT_TRUE(readThroughDisk(file, recording, reason)) << reason;
    ASSERT_EQ(recording.frames.size(), kept + 1);
    for (Uint32 frame = 1; frame <= kept; ++frame) {
        EXPECT_EQ(recording.frames[frame].ticks, std::vector<Uint32>({frame * 16})) << frame;
        EXPECT_EQ(recording.frames[frame].events.size(), 4u) << frame;
    }

    // A session of more frames than a recording holds ends with the last frame it may hold.
    RecordingWriter endless("demo", "1.4.0");
    for (Uint32 frame = 0; frame < largestFrameCount + 10; ++frame)
        endless.beginFrame();
    EXPECT_EQ(endless.frames(), largestFrameCount);
    EXPECT_EQ(lastLine(), "WARNING: recording: 1048576 frames are the most a recording holds; it ends with frame "
                          "1048576");
    ASSERT_TRUE(readThroughDisk(endless.finish(), recording, reason)) << reason;
    EXPECT_EQ(recording.frames.size(), largestFrameCount + 1);
}

TEST_F(RecordingFileTest, BadFilesAreRefusedWithASentenceNamingTheFault)
{
    const Bytes good = smallRecording();
    const std::string end = std::to_string(good.size() - 9);  // where a record added before the end starts
    Bytes damaged = good;
    damaged[20] ^= 0x01;
    Bytes version3 = good;
    version3[8] = 3;
    Bytes miscounted = good;
    miscounted[good.size() - 8] = 5;
    Bytes truncatedInFrame = withRecord(good, std::string("F") + "T\x05");
    truncatedInFrame.resize(truncatedInFrame.size() - 10);
    const std::string claim4GiB = std::string("P\x01" "a\x01", 4) + le32(0xFFFFFFF0u) + "abc";
    Bytes truncatedPlayerFile = withRecord(good, claim4GiB);
    truncatedPlayerFile.resize(truncatedPlayerFile.size() - 9);
    Bytes trailing = good;
    trailing.push_back(0);
    Bytes tooLarge(largestRecording + 1, 0);
    std::memcpy(tooLarge.data(), "ZVREPLAY", 8);

    const struct {
        const char *what;
        Bytes bytes;
        std::string reason;
    } cases[] = {
        {"a PNG", bytesOf("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"), "not a recording (no ZVREPLAY mark)"},
        {"an empty file", {}, "not a recording (no ZVREPLAY mark)"},
        {"too large", tooLarge, "too large (67108865 bytes; a recording holds at most 64 MiB)"},
        {"another version", version3, "format version 3; this engine reads version 1"},
        {"cut in the header", Bytes(good.begin(), good.begin() + 12), "truncated in the header"},
        {"cut in start-up", Bytes(good.begin(), good.begin() + 30), "truncated in start-up"},
        {"cut in frame 3", truncatedInFrame, "truncated in frame 3"},
        {"cut in a player file claiming 4 GiB", truncatedPlayerFile, "truncated in frame 2"},
        {"cut in the end record", Bytes(good.begin(), good.end() - 2), "truncated in the end record"},
        {"a flipped bit", damaged, "damaged: its checksum does not match"},
        {"an unknown record", withRecord(good, "A"), "unknown record 0x41 at byte " + end},
        {"a window manager event", withRecord(good, std::string("E") + char(SDL_SYSWMEVENT)),
         "unknown event kind 13 at byte " + end},
        {"a user event", withRecord(good, std::string("E") + char(SDL_USEREVENT)),
         "unknown event kind 24 at byte " + end},
        {"a key past SDL's last",
         withRecord(good, std::string("E") + char(SDL_KEYDOWN) + std::string(3, '\0') + le16(SDLK_LAST) + le16(0) +
                              le16(0)),
         "a key event at byte " + end + " has key symbol 323, past SDL's last (322)"},
        {"an empty name", withRecord(good, std::string("P\0\0", 3)), "a name at byte " + std::to_string(good.size() - 8) + " is empty"},
        {"a control character in a name", withRecord(good, std::string("P\x02" "a\n\x00", 5)),
         "a name at byte " + std::to_string(good.size() - 8) + " is not text (a control character)"},
        {"a setting in a frame", withRecord(good, std::string("S\x01x\0\0", 5)),
         "a setting in frame 2 at byte " + end + "; settings come before the first frame"},
        {"a player file neither present nor absent", withRecord(good, "P\x01z\x02"),
         "a player file record at byte " + end + " is neither present nor absent"},
        {"a clock reading past 32 bits", withRecord(good, "T\xFF\xFF\xFF\xFF\x10"),
         "a clock reading at byte " + end + " does not fit 32 bits"},
        {"a clock reading of six bytes", withRecord(good, "T\x80\x80\x80\x80\x80\x00"),
         "a clock reading at byte " + end + " does not fit 32 bits"},
        {"a miscounted end record", miscounted, "the end record counts 5 frames but the file holds 2"},
        {"a byte after the end", trailing, "something follows the end record at byte " + end},
        {"more frames than a recording holds", withRecord(good, std::string(largestFrameCount, 'F')),
         "more than 1048576 frames at byte " + std::to_string(good.size() - 9 + largestFrameCount - 2) +
             "; a recording holds at most that many"},
    };
    for (const auto &c : cases) {
        Recording recording;
        recording.game = "left from before";
        recording.frames.resize(3);
        std::string reason;
        EXPECT_FALSE(readThroughDisk(c.bytes, recording, reason)) << c.what;
        EXPECT_EQ(reason, c.reason) << c.what;
        EXPECT_TRUE(isEmpty(recording)) << c.what;
    }
}
