// Replay: the recorded or replayed session of a run. A recording is kept in memory and written whole when the
// game ends, to a temporary file beside the target that is flushed and renamed over it, so an earlier recording
// is never half overwritten; a folder the game may not write is refused when the session starts, before the
// player plays. A replay reads and checks the whole file before anything runs; during the run every
// frame takes its events and clock readings from it, and after a chosen frame reaches the screen its checksum is
// taken: a 64-bit hash of the visible pixel bytes, row by row (never the padding between rows), which is the same
// on every SDL 1.2 since the engine draws every pixel itself. The expected-screens file is text: "#" comment
// lines, then one "FRAME CHECKSUM" line per checked frame, frames rising, checksums as 16 hex digits.
// Depends on: ReplaySession, RecordingFile, FileReplace, PngWriter, ScreenChecksum, SettingRows, Console,
// GameLoop, PlayerData, Utility, Version, Video.
#include "Replay.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>

#include "Console.h"
#include "FileReplace.h"
#include "GameLoop.h"
#include "PlayerData.h"
#include "PngWriter.h"
#include "RecordingFile.h"
#include "ReplaySession.h"
#include "ScreenChecksum.h"
#include "SettingRows.h"
#include "Utility.h"
#include "Version.h"
#include "Video.h"

namespace {

const size_t largestScreensFile = 16 * 1024 * 1024;

// Which frames a replay checks.
struct FrameChoice {
    Uint32 every = 1;           // every Nth frame (and the last); 0 when a list is given
    std::vector<Uint32> frames;  // the listed frames, rising
};

struct Checksum {
    Uint32 frame;
    Uint64 sum;
};

struct Session {
    bool replaying = false;

    // Recording.
    std::unique_ptr<RecordingWriter> writer;
    std::string recordPath;

    // Replay.
    std::string replayPath;
    Recording recording;
    Uint32 frame = 0;        // the frame under way; 0 during start-up
    size_t readings = 0;     // clock readings of the frame already given
    Uint32 lastReading = 0;  // the last reading given, repeated once a frame's readings run out
    std::vector<bool> served;  // the recorded player's files already read again

    // Checks.
    FrameChoice choice;
    std::string checksumsPath;
    std::string screenshotFolder;
    std::string expectedPath;
    std::vector<Checksum> expected;
    size_t nextExpected = 0;
    std::vector<Checksum> sums;
    Uint32 checked = 0;
    bool failed = false;
    std::chrono::steady_clock::time_point start;
};

Session *session = nullptr;

const char *variable(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::string errorText(int error)
{
    return std::strerror(error);
}

// The folder part of path ("." for a bare name).
std::string folderOf(const std::string &path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Replaces path by the bytes whole (FileReplace.h).
bool writeWholeFile(const std::string &path, const void *bytes, size_t size, std::string &reason)
{
    if (replaceFileAtPath(path.c_str(), bytes, size, 0666))
        return true;
    reason = errorText(errno);
    return false;
}

// Reads a whole regular file of at most limit bytes.
bool readWholeFile(const std::string &path, size_t limit, std::vector<unsigned char> &bytes, std::string &reason)
{
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        reason = errorText(errno);
        return false;
    }
    struct stat status;
    bool ok = false;
    if (fstat(descriptor, &status) != 0) {
        reason = errorText(errno);
    } else if (!S_ISREG(status.st_mode)) {
        reason = "not a regular file";
    } else if (Uint64(status.st_size) > limit) {
        reason = "larger than " + std::to_string(limit / (1024 * 1024)) + " MiB";
    } else {
        bytes.resize(size_t(status.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t got = read(descriptor, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += size_t(got);
        }
        ok = done == bytes.size();
        if (!ok)
            reason = "it cannot be read whole";
    }
    close(descriptor);
    return ok;
}

// "all", "every N" or frame numbers separated by blanks or commas.
bool parseFrameChoice(const char *text, FrameChoice &choice)
{
    std::string choiceText(text);
    std::replace(choiceText.begin(), choiceText.end(), ',', ' ');
    if (choiceText.find_first_not_of(' ') == std::string::npos)
        return false;
    unsigned long every = 0;
    char rest = 0;
    if (choiceText == "all") {
        choice.every = 1;
        return true;
    }
    if (std::sscanf(choiceText.c_str(), " every %lu %c", &every, &rest) == 1) {
        if (every < 1 || every > 0xffffffffUL)
            return false;
        choice.every = Uint32(every);
        return true;
    }
    choice.every = 0;
    const char *at = choiceText.c_str();
    while (*at) {
        while (*at == ' ')
            ++at;
        if (!*at)
            break;
        if (*at < '0' || *at > '9')
            return false;
        char *end = nullptr;
        errno = 0;
        unsigned long frame = std::strtoul(at, &end, 10);
        if (errno != 0 || frame < 1 || frame > 0xffffffffUL || (*end && *end != ' '))
            return false;
        choice.frames.push_back(Uint32(frame));
        at = end;
    }
    std::sort(choice.frames.begin(), choice.frames.end());
    choice.frames.erase(std::unique(choice.frames.begin(), choice.frames.end()), choice.frames.end());
    return !choice.frames.empty();
}

bool chosen(const FrameChoice &choice, Uint32 frame, bool last)
{
    if (choice.every > 0)
        return frame % choice.every == 0 || last;
    return std::binary_search(choice.frames.begin(), choice.frames.end(), frame);
}

// The expected-screens file: "#" lines, then "FRAME CHECKSUM" lines with rising frames.
bool readScreensFile(const std::string &path, std::vector<Checksum> &sums, std::string &reason)
{
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, largestScreensFile, bytes, reason))
        return false;
    std::string text(bytes.begin(), bytes.end());
    size_t start = 0;
    int line = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string row = text.substr(start, end - start);
        start = end + 1;
        ++line;
        if (row.empty() || row[0] == '#')
            continue;
        unsigned long frame = 0;
        char hex[17] = "";
        int used = 0;
        bool good = std::sscanf(row.c_str(), "%lu %16[0-9a-f]%n", &frame, hex, &used) == 2 &&
                    size_t(used) == row.size() && std::strlen(hex) == 16 && frame >= 1 && frame <= 0xffffffffUL &&
                    row[0] >= '0' && row[0] <= '9';
        if (good && !sums.empty() && frame <= sums.back().frame)
            good = false;
        if (!good) {
            reason = "line " + std::to_string(line) + ": not a frame (rising) and a checksum of 16 hex digits";
            sums.clear();
            return false;
        }
        sums.push_back({Uint32(frame), Uint64(std::strtoull(hex, nullptr, 16))});
    }
    if (sums.empty()) {
        reason = "it lists no frame";
        return false;
    }
    return true;
}

std::string checksumText(Uint64 sum)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, sum);
    return text;
}

std::string frameFileName(Uint32 frame, const char *suffix)
{
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06u%s.png", unsigned(frame), suffix);
    return name;
}

// The game's name as a recording keeps it: the name it gave itself, or its executable's.
std::string nameOfGame(int argc, char **argv)
{
    if (gameName()[0])
        return gameName();
    if (argc > 0 && argv && argv[0])
        return fileComponentOfPath(static_cast<const char *>(argv[0]));
    return "";
}

std::string engineVersion()
{
    return ZARVELLO_VERSION_STRING;
}

// A recording of a later engine, or of another major version, may hold what this engine does not replay alike.
bool engineCanReplay(const std::string &version)
{
    unsigned major = 0, minor = 0, patch = 0;
    char rest = 0;
    if (std::sscanf(version.c_str(), "%u.%u.%u%c", &major, &minor, &patch, &rest) != 3)
        return false;
    return major == ZARVELLO_VERSION_MAJOR && minor <= ZARVELLO_VERSION_MINOR;
}

// The settings that change what the game does; the console's and the display mode's are the replay's own.
bool settingReplays(const char *name)
{
    return std::strcmp(name, "logConsole") != 0 && std::strcmp(name, "displayConsole") != 0 &&
           std::strcmp(name, "fullscreen") != 0;
}

bool refuse(const char *what, const std::string &path, const std::string &reason)
{
    Console::addString("%s ('%s'): %s", what, path.c_str(), reason.c_str());
    delete session;
    session = nullptr;
    return false;
}

bool startRecording(int argc, char **argv, const char *path)
{
    session->recordPath = path;
    const std::string folder = folderOf(path);
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        int error = errno;
        return refuse("record", path, "cannot be written in '" + folder + "': " + errorText(error));
    }
    session->writer.reset(new RecordingWriter(nameOfGame(argc, argv), engineVersion()));
    return true;
}

bool startReplay(int argc, char **argv, const char *path)
{
    session->replaying = true;
    session->replayPath = path;
    std::vector<unsigned char> bytes;
    std::string reason;
    if (!readWholeFile(path, largestRecording, bytes, reason) ||
        !readRecording(bytes.data(), bytes.size(), session->recording, reason))
        return refuse("replay", path, reason);
    const Recording &recording = session->recording;
    const std::string game = nameOfGame(argc, argv);
    if (recording.game != game)
        return refuse("replay", path, "a recording of the game '" + recording.game + "', not of '" + game + "'");
    if (!engineCanReplay(recording.engineVersion))
        return refuse("replay", path,
                      "recorded by engine " + recording.engineVersion + ", which engine " + engineVersion() +
                          " cannot replay (it replays " + std::to_string(ZARVELLO_VERSION_MAJOR) + ".x up to its own)");
    session->served.assign(recording.playerFiles.size(), false);

    if (const char *frames = variable("ZARVELLO_REPLAY_FRAMES")) {
        if (!parseFrameChoice(frames, session->choice))
            return refuse("ZARVELLO_REPLAY_FRAMES", frames, "not \"all\", \"every N\" or frame numbers from 1");
    }
    if (const char *expected = variable("ZARVELLO_REPLAY_EXPECTED")) {
        session->expectedPath = expected;
        if (!readScreensFile(expected, session->expected, reason)) {
            if (access(expected, F_OK) != 0)
                reason += " (make it with ZARVELLO_REPLAY_CHECKSUMS, or the update target of zarvello_add_replay_test)";
            return refuse("ZARVELLO_REPLAY_EXPECTED", expected, reason);
        }
        session->choice = FrameChoice();
        session->choice.every = 0;
        for (const Checksum &sum : session->expected)
            session->choice.frames.push_back(sum.frame);
    }
    if (const char *checksums = variable("ZARVELLO_REPLAY_CHECKSUMS"))
        session->checksumsPath = checksums;
    if (const char *folder = variable("ZARVELLO_REPLAY_SCREENSHOTS"))
        session->screenshotFolder = folder;

    // Headless: the dummy video driver always, the dummy audio driver unless the developer chose one.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    session->start = std::chrono::steady_clock::now();
    return true;
}

std::string screenshotPath(const std::string &name)
{
    std::string folder = session->screenshotFolder.empty() ? "." : session->screenshotFolder;
    return folder + "/" + name;
}

// Saves the screen as name in the screenshots folder (made when missing); false after a console line.
bool saveScreenshot(const std::string &name)
{
    if (!session->screenshotFolder.empty())
        mkdir(session->screenshotFolder.c_str(), 0755);
    std::string path = screenshotPath(name);
    std::string reason;
    if (writePngFile(path.c_str(), screen, reason))
        return true;
    Console::addString("ERROR: replay: the screenshot '%s' cannot be written: %s", path.c_str(), reason.c_str());
    return false;
}

// Puts the kept picture of frame beside the actual one; the text says where the pictures are.
std::string saveExpectedPicture(Uint32 frame)
{
    std::string kept = session->expectedPath + ".d/" + frameFileName(frame, "");
    std::vector<unsigned char> bytes;
    std::string reason;
    if (!readWholeFile(kept, largestRecording, bytes, reason))
        return "no picture of it is kept ('" + kept + "': " + reason + ")";
    std::string copy = screenshotPath(frameFileName(frame, "-expected"));
    if (!writeWholeFile(copy, bytes.data(), bytes.size(), reason))
        return "the kept picture cannot be copied to '" + copy + "': " + reason;
    return "expected: '" + copy + "'";
}

void checkFrame(Uint32 frame, Uint64 sum)
{
    if (session->nextExpected >= session->expected.size() || session->expected[session->nextExpected].frame != frame)
        return;
    Uint64 wanted = session->expected[session->nextExpected++].sum;
    if (sum == wanted)
        return;
    session->failed = true;
    std::string actual = screenshotPath(frameFileName(frame, "-actual"));
    bool saved = saveScreenshot(frameFileName(frame, "-actual"));
    std::string expected = saveExpectedPicture(frame);
    Console::addString("ERROR: replay ('%s'): frame %u differs from '%s' (checksum %s, expected %s); actual: %s%s%s; "
                       "%s",
                       session->replayPath.c_str(), unsigned(frame), session->expectedPath.c_str(),
                       checksumText(sum).c_str(), checksumText(wanted).c_str(), saved ? "'" : "",
                       saved ? actual.c_str() : "not saved", saved ? "'" : "", expected.c_str());
    stopGame();
}

}  // namespace

SDL_bool isReplaying()
{
    return session && session->replaying ? SDL_TRUE : SDL_FALSE;
}

bool startSession(int argc, char **argv)
{
    const char *record = variable("ZARVELLO_RECORD");
    const char *replay = variable("ZARVELLO_REPLAY");
    if (!record && !replay)
        return true;
    session = new Session();
    if (record && replay)
        return refuse("ZARVELLO_RECORD", record, "a run either records or replays (ZARVELLO_REPLAY is set too)");
    return replay ? startReplay(argc, argv, replay) : startRecording(argc, argv, record);
}

bool endSession()
{
    if (!session)
        return true;
    bool ok = true;
    std::string reason;
    if (session->writer) {
        const std::vector<unsigned char> &bytes = session->writer->finish();
        ok = !bytes.empty() && writeWholeFile(session->recordPath, bytes.data(), bytes.size(), reason);
        if (bytes.empty())
            reason = "nothing was recorded";
        if (ok)
            Console::addString("Recorded %u frames into '%s'", unsigned(session->writer->frames()),
                               session->recordPath.c_str());
        else
            Console::addString("ERROR: record ('%s'): cannot be written: %s", session->recordPath.c_str(),
                               reason.c_str());
    } else {
        if (!session->failed && session->nextExpected < session->expected.size()) {
            session->failed = true;
            Console::addString("ERROR: replay ('%s'): the replay ended at frame %u, before frame %u of '%s'",
                               session->replayPath.c_str(), unsigned(session->frame),
                               unsigned(session->expected[session->nextExpected].frame), session->expectedPath.c_str());
        }
        if (!session->checksumsPath.empty() && session->sums.empty()) {
            Console::addString("ERROR: replay: no frame was checked; '%s' is not written",
                               session->checksumsPath.c_str());
            ok = false;
        } else if (!session->checksumsPath.empty()) {
            std::string text = "# The screen's checksum at the end of each chosen frame of a replay of '" +
                               std::string(fileComponentOfPath(session->replayPath.c_str())) + "' (game " +
                               session->recording.game + ").\n";
            for (const Checksum &sum : session->sums)
                text += std::to_string(sum.frame) + " " + checksumText(sum.sum) + "\n";
            if (!writeWholeFile(session->checksumsPath, text.data(), text.size(), reason)) {
                Console::addString("ERROR: replay: the checksums file '%s' cannot be written: %s",
                                   session->checksumsPath.c_str(), reason.c_str());
                ok = false;
            }
        }
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - session->start).count();
        Console::addString("Replayed %u of %u frames of '%s' in %.2f seconds; %u screens checked%s",
                           unsigned(session->frame), unsigned(session->recording.frames.size() - 1),
                           session->replayPath.c_str(), seconds, unsigned(session->checked),
                           session->failed ? ", one differs" : session->expected.empty() ? "" : ", all as expected");
        ok = ok && !session->failed;
    }
    delete session;
    session = nullptr;
    return ok;
}

void sessionSettings()
{
    if (!session)
        return;
    std::vector<const ConfigEntry *> rows = allSettings();
    if (session->writer) {
        for (const ConfigEntry *row : rows) {
            if (!settingReplays(row->name))
                continue;
            const unsigned char *bytes = static_cast<const unsigned char *>(row->variable);
            session->writer->setting({row->name, std::vector<unsigned char>(bytes, bytes + storedSize(*row))});
        }
        return;
    }
    // A setting the game no longer has, or that changed its kind, is left as the configuration made it.
    for (const RecordedSetting &setting : session->recording.settings) {
        for (const ConfigEntry *row : rows) {
            if (setting.name == row->name && settingReplays(row->name) && setting.value.size() == storedSize(*row))
                std::memcpy(row->variable, setting.value.data(), setting.value.size());
        }
    }
}

void sessionFrameBegins()
{
    if (!session)
        return;
    if (session->writer) {
        session->writer->beginFrame();
        return;
    }
    ++session->frame;
    session->readings = 0;
}

Uint32 sessionClockReading(Uint32 (*clock)())
{
    if (!session || !session->replaying) {
        Uint32 ticks = clock();
        if (session)
            session->writer->clockReading(ticks);
        return ticks;
    }
    const std::vector<RecordedFrame> &frames = session->recording.frames;
    if (session->frame < frames.size() && session->readings < frames[session->frame].ticks.size())
        session->lastReading = frames[session->frame].ticks[session->readings++];
    return session->lastReading;
}

void sessionDelay(void (*delay)(Uint32), Uint32 milliseconds)
{
    if (!session || !session->replaying)
        delay(milliseconds);
}

bool sessionReplaying()
{
    return session && session->replaying;
}

const SDL_Event *sessionFrameEvents(Uint32 *count)
{
    *count = 0;
    if (!session || !session->replaying)
        return nullptr;
    const std::vector<RecordedFrame> &frames = session->recording.frames;
    // The recording is played out: this frame is the last.
    if (session->frame + 1 >= frames.size())
        stopGame();
    if (session->frame >= frames.size() || frames[session->frame].events.empty())
        return nullptr;
    *count = Uint32(frames[session->frame].events.size());
    return frames[session->frame].events.data();
}

void sessionEvent(const SDL_Event &event)
{
    if (session && session->writer)
        session->writer->event(event);
}

void sessionFrameEnds(bool last)
{
    if (!session || !session->replaying || !screen || session->failed)
        return;
    const Uint32 frame = session->frame;
    if (!chosen(session->choice, frame, last))
        return;
    const bool summed = !session->checksumsPath.empty() || !session->expected.empty();
    if (!summed && session->screenshotFolder.empty())
        return;  // nothing asked of the screens: the replay only runs
    ++session->checked;
    const Uint64 sum = summed ? surfaceChecksum(screen) : 0;
    if (!session->checksumsPath.empty())
        session->sums.push_back({frame, sum});
    if (!session->expected.empty())
        checkFrame(frame, sum);
    else if (!session->screenshotFolder.empty())
        saveScreenshot(frameFileName(frame, ""));
}

void sessionPlayerFileRead(const char *name, const void *buffer, Sint32 result)
{
    if (!session || !session->writer)
        return;
    RecordedPlayerFile file;
    file.name = name;
    file.present = result >= 0;
    if (result > 0) {
        const unsigned char *bytes = static_cast<const unsigned char *>(buffer);
        file.bytes.assign(bytes, bytes + result);
    }
    session->writer->playerFile(file);
}

Sint32 sessionPlayerFile(const char *name, void *buffer, Uint32 capacity, bool *served)
{
    *served = false;
    if (!session || !session->replaying)
        return -1;
    *served = true;
    const std::vector<RecordedPlayerFile> &files = session->recording.playerFiles;
    for (size_t i = 0; i < files.size(); ++i) {
        if (session->served[i] || files[i].name != name)
            continue;
        session->served[i] = true;
        if (!files[i].present)
            return -1;
        if (files[i].bytes.size() > capacity) {
            Console::addString("loadPlayerFile ('%s'): %u bytes do not fit in a buffer of %u", name,
                               unsigned(files[i].bytes.size()), unsigned(capacity));
            return -1;
        }
        if (!files[i].bytes.empty())
            std::memcpy(buffer, files[i].bytes.data(), files[i].bytes.size());
        return Sint32(files[i].bytes.size());
    }
    return -1;
}

bool sessionWritesPlayerFiles()
{
    return !sessionReplaying();
}
