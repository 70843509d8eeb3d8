// RecordingFile: the file a recorded play session is kept in, and its writer and reader. A recording holds the
// game's settings and the player's files as the game found them at start-up, then frame by frame every clock
// reading the game made and every event from outside the game it handled, so that a replay sees exactly what
// the recorded run saw. Everything is little-endian; format version 1:
//   0   8  mark "ZVREPLAY"
//   8   2  format version (1)
//   10  1  n = length of the game's name (1..255), then n bytes
//   ..  1  m = length of the engine version (1..31), then m bytes
//   then records, each a tag byte and its fields:
//   'S' a setting: u8 name length (1..255), name, u16 value size, value bytes (only before the first 'F')
//   'P' a player file read: u8 name length (1..255), name, u8 present (0/1), when present u32 size and bytes
//   'F' a frame begins (frames count from 1; what comes before the first 'F' is start-up, frame 0)
//   'T' a clock reading: unsigned LEB128 (at most 5 bytes, value < 2^32) of the reading minus the previous
//       one, modulo 2^32; the file's first reading is taken from 0
//   'E' an event: u8 SDL event type, then by type:
//       SDL_ACTIVEEVENT: gain u8, state u8
//       SDL_KEYDOWN/UP: which u8, state u8, scancode u8, sym u16 (< SDLK_LAST), mod u16, unicode u16
//       SDL_MOUSEMOTION: which u8, state u8, x u16, y u16, xrel s16, yrel s16
//       SDL_MOUSEBUTTONDOWN/UP: which u8, button u8, state u8, x u16, y u16
//       SDL_JOYAXISMOTION: which u8, axis u8, value s16
//       SDL_JOYBALLMOTION: which u8, ball u8, xrel s16, yrel s16
//       SDL_JOYHATMOTION: which u8, hat u8, value u8
//       SDL_JOYBUTTONDOWN/UP: which u8, button u8, state u8
//       SDL_QUIT, SDL_VIDEOEXPOSE: nothing
//       SDL_VIDEORESIZE: w s32, h s32
//   'Z' the end: u32 number of frames (as many as 'F' records), u32 CRC-32 (zlib's) of every byte before the
//       'Z'. Nothing follows it.
// Names are 1 to 255 bytes without control characters. A decoded event is a zeroed SDL_Event with its type and
// the fields above set.
// Depends on: SDL's event types; Console (the writer's ERROR and WARNING lines).
#ifndef ZARVELLO_RECORDINGFILE_H
#define ZARVELLO_RECORDINGFILE_H

#include <SDL_events.h>

#include <string>
#include <vector>

// A player's file the game read while it was recorded: its name and its bytes, or none (present false).
struct RecordedPlayerFile {
    std::string name;
    bool present = false;
    std::vector<unsigned char> bytes;
};

// One game setting's value when the recording began, as the bytes of its variable.
struct RecordedSetting {
    std::string name;
    std::vector<unsigned char> value;
};

// What one frame saw: the clock's readings in order and the events in arrival order.
struct RecordedFrame {
    std::vector<Uint32> ticks;
    std::vector<SDL_Event> events;
};

struct Recording {
    std::string game;           // the game's name
    std::string engineVersion;  // "MAJOR.MINOR.PATCH" of the engine that recorded it
    std::vector<RecordedSetting> settings;
    std::vector<RecordedPlayerFile> playerFiles;  // in the order the game read them
    std::vector<RecordedFrame> frames;  // frames[0]: before the first frame (start-up); frames[k]: frame k
};

// The format version this engine writes and reads.
const int recordingFormatVersion = 1;
// The largest recording file read (bytes).
const size_t largestRecording = 64 * 1024 * 1024;
// The most frames a recording holds (4.8 hours at 60 frames a second), so that reading one never takes more than
// about 100 MiB however its frames are made.
const Uint32 largestFrameCount = 1u << 20;

// Whether an event of this kind is kept in a recording: events that come from outside the game (keyboard,
// mouse, joystick, window focus/resize/expose, quit). SDL_SYSWMEVENT and the game's own events (SDL_USEREVENT
// and above, which it makes again itself when replayed) are not.
bool isRecordedEvent(const SDL_Event &event);

// Builds a recording in memory, record by record, in the order things happened. What the reader would refuse
// is not written: a name that is empty, longer than 255 bytes or holds a control character, a setting after the
// first frame or larger than 65535 bytes, a key symbol >= SDLK_LAST (each an ERROR line, the record left out).
// A game name or engine version the file cannot hold refuses the whole recording: finish() is then empty. When
// the file would outgrow largestRecording, the frame under way is taken back and the recording ends with the
// frame before it (a WARNING line): the file stays readable and every frame in it whole. After largestFrameCount
// frames the recording ends the same way.
class RecordingWriter {
public:
    RecordingWriter(const std::string &game, const std::string &engineVersion);
    void setting(const RecordedSetting &setting);  // only before the first frame
    void playerFile(const RecordedPlayerFile &file);
    void beginFrame();                   // frame 1, 2, ... begins
    void clockReading(Uint32 ticks);
    void event(const SDL_Event &event);  // ignored unless isRecordedEvent
    Uint32 frames() const;               // frames begun so far
    // The whole file: everything recorded, then the end record. The writer takes nothing more after it.
    const std::vector<unsigned char> &finish();

private:
    bool room(size_t recordSize);  // whether a record of this size may be written now

    std::vector<unsigned char> file;
    size_t frameStart = 0;  // where the frame under way begins (the end of the header in start-up)
    Uint32 frameCount = 0;
    Uint32 lastTicks = 0;
    enum { recording, full, finished, refused } state = recording;
};

// Reads a whole recording file held in memory. false, with reason set to one sentence naming what is wrong
// (for a console line such as "replay ('x.zrec'): <reason>"), when it is not a recording, of another format
// version, truncated, damaged (checksum), holds an unknown record or event kind, a key symbol >= SDLK_LAST, a name
// that is empty or holds a control character, or anything after the end record; recording is then left empty.
bool readRecording(const unsigned char *bytes, size_t size, Recording &recording, std::string &reason);

#endif
