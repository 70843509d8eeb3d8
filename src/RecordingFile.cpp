// RecordingFile: the writer, which builds the file in memory record by record and leaves out what the reader
// would refuse, and the reader, which checks every length against what is left of the file before it takes
// anything, so that no file makes it read past its end or allocate more than the file's own size calls for.
// One table of event fields (eventFields) serves both, so that they cannot disagree on the layout.
// Depends on: Console.
#include "RecordingFile.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "Console.h"

namespace {

const unsigned char mark[8] = {'Z', 'V', 'R', 'E', 'P', 'L', 'A', 'Y'};
const size_t endRecordSize = 9;
const size_t longestName = 255;
const size_t longestVersion = 31;

Uint32 crc32(const unsigned char *bytes, size_t size)
{
    static const std::array<Uint32, 256> table = [] {
        std::array<Uint32, 256> entries{};
        for (Uint32 i = 0; i < 256; ++i) {
            Uint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[i] = c;
        }
        return entries;
    }();
    Uint32 crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Calls field(member, width) for every field the file keeps of an event of e's type, in file order, width being
// the field's size in the file; false for a type the file does not keep.
template <typename Field>
bool eventFields(SDL_Event &e, Field &&field)
{
    switch (e.type) {
    case SDL_ACTIVEEVENT:
        return field(e.active.gain, 1), field(e.active.state, 1), true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return field(e.key.which, 1), field(e.key.state, 1), field(e.key.keysym.scancode, 1),
               field(e.key.keysym.sym, 2), field(e.key.keysym.mod, 2), field(e.key.keysym.unicode, 2), true;
    case SDL_MOUSEMOTION:
        return field(e.motion.which, 1), field(e.motion.state, 1), field(e.motion.x, 2), field(e.motion.y, 2),
               field(e.motion.xrel, 2), field(e.motion.yrel, 2), true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return field(e.button.which, 1), field(e.button.button, 1), field(e.button.state, 1), field(e.button.x, 2),
               field(e.button.y, 2), true;
    case SDL_JOYAXISMOTION:
        return field(e.jaxis.which, 1), field(e.jaxis.axis, 1), field(e.jaxis.value, 2), true;
    case SDL_JOYBALLMOTION:
        return field(e.jball.which, 1), field(e.jball.ball, 1), field(e.jball.xrel, 2), field(e.jball.yrel, 2), true;
    case SDL_JOYHATMOTION:
        return field(e.jhat.which, 1), field(e.jhat.hat, 1), field(e.jhat.value, 1), true;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        return field(e.jbutton.which, 1), field(e.jbutton.button, 1), field(e.jbutton.state, 1), true;
    case SDL_QUIT:
    case SDL_VIDEOEXPOSE:
        return true;
    case SDL_VIDEORESIZE:
        return field(e.resize.w, 4), field(e.resize.h, 4), true;
    default:
        return false;
    }
}

void put(std::vector<unsigned char> &out, Uint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

bool isGoodName(const std::string &name, size_t longest)
{
    if (name.empty() || name.size() > longest)
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

void putName(std::vector<unsigned char> &out, const std::string &name)
{
    put(out, static_cast<Uint32>(name.size()), 1);
    out.insert(out.end(), name.begin(), name.end());
}

// The file being read, with the part of it being read for the reason of a truncated file. Every failure is
// thrown as its reason and caught by readRecording.
class Reader {
public:
    Reader(const unsigned char *bytes, size_t size) : bytes(bytes), size(size) {}

    void need(size_t count) const
    {
        if (count > size - at)
            throw "truncated in " + part;
    }
    Uint32 number(int width)
    {
        need(width);
        Uint32 value = 0;
        for (int i = 0; i < width; ++i)
            value |= static_cast<Uint32>(bytes[at++]) << (8 * i);
        return value;
    }
    std::string name(size_t longest)
    {
        const size_t start = at;
        const size_t length = number(1);
        need(length);
        std::string text(reinterpret_cast<const char *>(bytes + at), length);
        at += length;
        if (!isGoodName(text, longest))
            throw "a name at byte " + std::to_string(start) + " is " +
                (length == 0 ? "empty" : length > longest ? "too long" : "not text (a control character)");
        return text;
    }
    std::vector<unsigned char> block(size_t length)
    {
        need(length);
        at += length;
        return std::vector<unsigned char>(bytes + at - length, bytes + at);
    }
    Uint32 varint(size_t tagAt)
    {
        Uint32 value = 0;
        for (int i = 0; i < 5; ++i) {
            const Uint32 byte = number(1);
            if (i == 4 && byte > 0x0F)
                throw "a clock reading at byte " + std::to_string(tagAt) + " does not fit 32 bits";
            value |= (byte & 0x7F) << (7 * i);
            if (!(byte & 0x80))
                break;
        }
        return value;
    }
    SDL_Event event(size_t tagAt)
    {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = static_cast<Uint8>(number(1));
        auto read = [&](auto &member, int width) {
            using Member = std::remove_reference_t<decltype(member)>;
            const Uint32 value = number(width);
            if constexpr (std::is_same_v<Member, SDLKey>)
                if (value >= SDLK_LAST)
                    throw "a key event at byte " + std::to_string(tagAt) + " has key symbol " +
                        std::to_string(value) + ", past SDL's last (" + std::to_string(SDLK_LAST - 1) + ")";
            member = static_cast<Member>(value);
        };
        if (!eventFields(e, read))
            throw "unknown event kind " + std::to_string(e.type) + " at byte " + std::to_string(tagAt);
        return e;
    }

    const unsigned char *bytes;
    size_t size;
    size_t at = 0;
    std::string part = "the header";
};

}  // namespace

bool isRecordedEvent(const SDL_Event &event)
{
    SDL_Event copy = event;
    return eventFields(copy, [](auto &, int) {});
}

RecordingWriter::RecordingWriter(const std::string &game, const std::string &engineVersion)
{
    if (!isGoodName(game, longestName) || !isGoodName(engineVersion, longestVersion)) {
        Console::addString("ERROR: RecordingWriter ('%s', '%s'): the game's name must be 1 to 255 bytes and the "
                           "engine version 1 to 31, without control characters; nothing is recorded",
                           game.c_str(), engineVersion.c_str());
        state = refused;
        return;
    }
    file.assign(mark, mark + sizeof mark);
    put(file, recordingFormatVersion, 2);
    putName(file, game);
    putName(file, engineVersion);
    frameStart = file.size();
}

// A record that would leave no room for the end record within largestRecording ends the recording: the frame
// under way is taken back whole, so that a replay never sees half a frame.
bool RecordingWriter::room(size_t recordSize)
{
    if (state != recording)
        return false;
    if (recordSize <= largestRecording - endRecordSize - file.size())
        return true;
    file.resize(frameStart);
    if (frameCount > 0)
        --frameCount;
    state = full;
    Console::addString("WARNING: recording: the file reached its largest size (%u MiB); it ends with frame %u",
                       static_cast<unsigned>(largestRecording >> 20), static_cast<unsigned>(frameCount));
    return false;
}

void RecordingWriter::setting(const RecordedSetting &setting)
{
    if (state != recording)
        return;
    if (frameCount > 0 || !isGoodName(setting.name, longestName) || setting.value.size() > 0xFFFF) {
        Console::addString("ERROR: RecordingWriter::setting ('%s'): %s; not recorded", setting.name.c_str(),
                           frameCount > 0 ? "settings are recorded before the first frame only"
                                          : "a name of 1 to 255 bytes without control characters and a value of at "
                                            "most 65535 bytes are kept");
        return;
    }
    if (!room(4 + setting.name.size() + setting.value.size()))
        return;
    file.push_back('S');
    putName(file, setting.name);
    put(file, static_cast<Uint32>(setting.value.size()), 2);
    file.insert(file.end(), setting.value.begin(), setting.value.end());
}

void RecordingWriter::playerFile(const RecordedPlayerFile &playerFile)
{
    if (state != recording)
        return;
    if (!isGoodName(playerFile.name, longestName)) {
        Console::addString("ERROR: RecordingWriter::playerFile ('%s'): a name of 1 to 255 bytes without control "
                           "characters is kept; not recorded", playerFile.name.c_str());
        return;
    }
    if (!room(3 + playerFile.name.size() + (playerFile.present ? 4 + playerFile.bytes.size() : 0)))
        return;
    file.push_back('P');
    putName(file, playerFile.name);
    file.push_back(playerFile.present ? 1 : 0);
    if (playerFile.present) {
        put(file, static_cast<Uint32>(playerFile.bytes.size()), 4);
        file.insert(file.end(), playerFile.bytes.begin(), playerFile.bytes.end());
    }
}

void RecordingWriter::beginFrame()
{
    if (state == recording && frameCount >= largestFrameCount) {
        state = full;
        Console::addString("WARNING: recording: %u frames are the most a recording holds; it ends with frame %u",
                           static_cast<unsigned>(largestFrameCount), static_cast<unsigned>(frameCount));
        return;
    }
    if (!room(1))
        return;
    frameStart = file.size();
    file.push_back('F');
    ++frameCount;
}

void RecordingWriter::clockReading(Uint32 ticks)
{
    unsigned char varint[5];
    size_t length = 0;
    for (Uint32 rest = ticks - lastTicks;; rest >>= 7) {
        varint[length++] = static_cast<unsigned char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
        if (rest <= 0x7F)
            break;
    }
    if (!room(1 + length))
        return;
    file.push_back('T');
    file.insert(file.end(), varint, varint + length);
    lastTicks = ticks;
}

void RecordingWriter::event(const SDL_Event &event)
{
    SDL_Event copy = event;
    size_t size = 2;
    if (state != recording || !eventFields(copy, [&](auto &, int width) { size += width; }))
        return;
    if ((copy.type == SDL_KEYDOWN || copy.type == SDL_KEYUP) &&
        (copy.key.keysym.sym < 0 || copy.key.keysym.sym >= SDLK_LAST)) {
        Console::addString("ERROR: RecordingWriter::event: key symbol %d is no SDL key; not recorded",
                           static_cast<int>(copy.key.keysym.sym));
        return;
    }
    if (!room(size))
        return;
    file.push_back('E');
    file.push_back(copy.type);
    eventFields(copy, [&](auto &member, int width) { put(file, static_cast<Uint32>(member), width); });
}

Uint32 RecordingWriter::frames() const
{
    return frameCount;
}

const std::vector<unsigned char> &RecordingWriter::finish()
{
    if (state == recording || state == full) {
        const Uint32 crc = crc32(file.data(), file.size());
        file.push_back('Z');
        put(file, frameCount, 4);
        put(file, crc, 4);
        state = finished;
    }
    return file;
}

bool readRecording(const unsigned char *bytes, size_t size, Recording &recording, std::string &reason)
{
    recording = Recording();
    try {
        if (size > largestRecording)
            throw "too large (" + std::to_string(size) + " bytes; a recording holds at most " +
                std::to_string(largestRecording >> 20) + " MiB)";
        if (size < sizeof mark || std::memcmp(bytes, mark, sizeof mark) != 0)
            throw std::string("not a recording (no ZVREPLAY mark)");
        Reader in(bytes, size);
        in.at = sizeof mark;
        const Uint32 version = in.number(2);
        if (version != recordingFormatVersion)
            throw "format version " + std::to_string(version) + "; this engine reads version " +
                std::to_string(recordingFormatVersion);
        // A file that ends in an end record is checked whole first: damage anywhere is named as such, not as
        // whatever the damaged byte happens to look like.
        const size_t endAt = size - endRecordSize;
        if (size >= 10 + endRecordSize && bytes[endAt] == 'Z') {
            Reader end(bytes, size);
            end.at = endAt + 5;
            if (end.number(4) != crc32(bytes, endAt))
                throw std::string("damaged: its checksum does not match");
        }
        recording.game = in.name(longestName);
        recording.engineVersion = in.name(longestVersion);
        recording.frames.emplace_back();
        in.part = "start-up";
        Uint32 ticks = 0;
        for (;;) {
            const size_t tagAt = in.at;
            const Uint32 tag = in.number(1);
            auto where = [tagAt] { return " at byte " + std::to_string(tagAt); };
            if (tag == 'S') {
                if (recording.frames.size() > 1)
                    throw "a setting in " + in.part + where() + "; settings come before the first frame";
                RecordedSetting setting;
                setting.name = in.name(longestName);
                setting.value = in.block(in.number(2));
                recording.settings.push_back(std::move(setting));
            } else if (tag == 'P') {
                RecordedPlayerFile file;
                file.name = in.name(longestName);
                const Uint32 present = in.number(1);
                if (present > 1)
                    throw "a player file record" + where() + " is neither present nor absent";
                file.present = present == 1;
                if (file.present)
                    file.bytes = in.block(in.number(4));
                recording.playerFiles.push_back(std::move(file));
            } else if (tag == 'F') {
                if (recording.frames.size() > largestFrameCount)
                    throw "more than " + std::to_string(largestFrameCount) + " frames" + where() +
                        "; a recording holds at most that many";
                recording.frames.emplace_back();
                in.part = "frame " + std::to_string(recording.frames.size() - 1);
            } else if (tag == 'T') {
                ticks += in.varint(tagAt);
                recording.frames.back().ticks.push_back(ticks);
            } else if (tag == 'E') {
                recording.frames.back().events.push_back(in.event(tagAt));
            } else if (tag == 'Z') {
                in.part = "the end record";
                const Uint32 frames = in.number(4);
                in.number(4);  // the checksum, checked above
                if (in.at != size)
                    throw "something follows the end record" + where();
                if (frames != recording.frames.size() - 1)
                    throw "the end record counts " + std::to_string(frames) + " frames but the file holds " +
                        std::to_string(recording.frames.size() - 1);
                return true;
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(tag));
                throw "unknown record " + std::string(hex) + where();
            }
        }
    } catch (const std::string &why) {
        recording = Recording();
        reason = why;
        return false;
    }
}
