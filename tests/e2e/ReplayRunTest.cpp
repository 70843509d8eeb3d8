// Recording and replaying a game (ReplayGame) as a game team does: a session played in a real window of a private
// X server with the environment's ZARVELLO_RECORD, then replayed headless with ZARVELLO_REPLAY. The replay shows
// what the player saw, gives the same checksums on every run, leaves the player's files alone, passes against
// the screens it made, fails naming the first frame a one-pixel change of the game's drawing shows in (with the
// expected and actual pictures saved side by side), and files it cannot replay (or a recording it could not keep)
// are refused before anything runs.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include "RecordingFile.h"
#include "RunDirectory.h"
#include "XServer.h"

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

bool readPng(const std::string &path, Picture &picture)
{
    int channels = 0;
    unsigned char *pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (!pixels)
        return false;
    picture.rgb.assign(pixels, pixels + picture.width * picture.height * 3);
    stbi_image_free(pixels);
    return true;
}

// Whether two captures of the window agree below the sparkle's rows (the top 40, which change every frame).
bool settled(const CapturedImage &one, const CapturedImage &two)
{
    if (one.width != two.width || one.height != two.height || one.height < 40)
        return false;
    const size_t top = size_t(one.width) * 40 * 3;
    return std::equal(one.rgb.begin() + top, one.rgb.end(), two.rgb.begin() + top);
}

// One session of ReplayGame played in a window: the square walked right, then down, then a press of left; the
// window's pixels read just before Escape ends it. Made once for all the tests of this file.
class ReplayRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        XServer server;
        ASSERT_TRUE(server.running());
        run = new RunDirectory(ZARVELLO_REPLAY_GAME);
        run->ignoreSystemLibraryLeaks();
        run->setEnv("DISPLAY", server.display());
        run->setEnv("HOME", run->path() + "/home");
        run->unsetEnv("XDG_DATA_HOME");
        run->unsetEnv("XDG_CONFIG_HOME");
        run->unsetEnv("XDG_STATE_HOME");
        run->writeConfig("fullscreen = off\n");
        run->writeFile("home/.local/share/replaygame/start", "300 200");
        run->setEnv("ZARVELLO_RECORD", run->path() + "/session.zrec");
        pid_t pid = run->start();
        std::string window = server.findWindow("^Replay Game$", 15000, pid);
        ASSERT_FALSE(window.empty()) << run->standardErrorSoFar(pid);
        usleep(500000);
        server.pressKey(window, "Right");
        usleep(600000);
        server.releaseKey(window, "Right");
        server.pressKey(window, "Down");
        usleep(400000);
        server.releaseKey(window, "Down");
        server.sendKey(window, "Left");
        // The window is read once it has settled (below the sparkle's rows), however loaded the machine.
        for (int tries = 0; tries < 30; ++tries) {
            CapturedImage before;
            usleep(300000);
            server.captureWindow(window, before);
            usleep(300000);
            server.captureWindow(window, played);
            if (settled(before, played))
                break;
        }
        server.sendKey(window, "Escape");
        RunResult result = run->wait(pid, 60);
        ASSERT_EQ(result.exitCode, 0) << result.standardError;
        for (const std::string &line : result.lines())
            if (line.rfind("replay game: ", 0) == 0)
                endLine = line;
        run->unsetEnv("ZARVELLO_RECORD");
        run->unsetEnv("DISPLAY");
        recording = run->path() + "/session.zrec";
    }

    static void TearDownTestSuite()
    {
        delete run;
        run = nullptr;
    }

    // Replays the session with the extra environment; returns what the game did.
    static RunResult replay(const std::vector<std::pair<std::string, std::string>> &environment,
                            const std::vector<std::string> &args = {})
    {
        run->setEnv("ZARVELLO_REPLAY", recording);
        for (const auto &variable : environment)
            run->setEnv(variable.first, variable.second);
        RunResult result = run->run(args, 60);
        for (const auto &variable : environment)
            run->unsetEnv(variable.first);
        run->unsetEnv("ZARVELLO_REPLAY");
        return result;
    }

    static RunDirectory *run;
    static std::string recording;
    static std::string endLine;
    static CapturedImage played;
};

RunDirectory *ReplayRun::run = nullptr;
std::string ReplayRun::recording;
std::string ReplayRun::endLine;
CapturedImage ReplayRun::played;

TEST_F(ReplayRun, ReplayEndsWhereThePlayerDidAndShowsWhatThePlayerSaw)
{
    ASSERT_FALSE(endLine.empty());
    std::string shots = run->path() + "/shots";
    RunResult result = replay({{"ZARVELLO_REPLAY_SCREENSHOTS", shots}, {"ZARVELLO_REPLAY_FRAMES", "every 100000"}});
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine(endLine)) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!"));

    // The last frame's picture is the window the player saw before pressing Escape (5-6-5 colours).
    int frames = 0;
    ASSERT_EQ(std::sscanf(endLine.c_str(), "replay game: frame %d", &frames), 1);
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frames);
    Picture picture;
    ASSERT_TRUE(readPng(shots + name, picture)) << result.standardError;
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    ASSERT_EQ(played.width, 800);
    int differing = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const unsigned char *p = &picture.rgb[(y * 800 + x) * 3];
            CapturedImage::Pixel seen = played.at(x, y);
            // The sparkle (top 40 rows) changes every frame; the capture may be a frame later than the last.
            const bool same =
                (p[0] >> 3) == (seen.r >> 3) && (p[1] >> 2) == (seen.g >> 2) && (p[2] >> 3) == (seen.b >> 3);
            if (y >= 40 && !same)
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(ReplayRun, SameChecksumsOnEveryRunAndThePlayersFilesStayAsTheyAre)
{
    // The player's save changed since the session; the replay reads the recorded one and writes none.
    run->writeFile("home/.local/share/replaygame/start", "10 500");
    std::string first = run->path() + "/first.screens";
    std::string second = run->path() + "/second.screens";
    RunResult one = replay({{"ZARVELLO_REPLAY_CHECKSUMS", first}});
    RunResult two = replay({{"ZARVELLO_REPLAY_CHECKSUMS", second}});
    ASSERT_EQ(one.exitCode, 0) << one.standardError;
    ASSERT_EQ(two.exitCode, 0) << two.standardError;
    EXPECT_TRUE(one.hasLine(endLine)) << one.standardError;
    std::string sums = readFile(first);
    EXPECT_EQ(sums, readFile(second));
    int frames = 0;
    std::sscanf(endLine.c_str(), "replay game: frame %d", &frames);
    int lines = 0;
    for (const std::string &line : splitLines(sums))
        lines += !line.empty() && line[0] != '#';
    EXPECT_EQ(lines, frames);
    EXPECT_EQ(run->readFile("home/.local/share/replaygame/start"), "10 500");
}

TEST_F(ReplayRun, ExpectedScreensPassAndAOnePixelChangeNamesItsFirstFrame)
{
    std::string screens = run->path() + "/session.screens";
    RunResult made = replay({{"ZARVELLO_REPLAY_CHECKSUMS", screens},
                             {"ZARVELLO_REPLAY_SCREENSHOTS", screens + ".d"},
                             {"ZARVELLO_REPLAY_FRAMES", "all"}});
    ASSERT_EQ(made.exitCode, 0) << made.standardError;

    RunResult same = replay({{"ZARVELLO_REPLAY_EXPECTED", screens}});
    EXPECT_EQ(same.exitCode, 0) << same.standardError;
    EXPECT_TRUE(same.contains("all as expected")) << same.standardError;

    std::string out = run->path() + "/diff";
    RunResult changed = replay({{"ZARVELLO_REPLAY_EXPECTED", screens}, {"ZARVELLO_REPLAY_SCREENSHOTS", out}},
                               {"--tweak"});
    EXPECT_EQ(changed.exitCode, 1) << changed.standardError;
    EXPECT_TRUE(changed.contains("ERROR: replay ('" + recording + "'): frame 30 differs from '" + screens + "'"))
        << changed.standardError;
    Picture expected, actual;
    ASSERT_TRUE(readPng(out + "/frame-000030-expected.png", expected));
    ASSERT_TRUE(readPng(out + "/frame-000030-actual.png", actual));
    ASSERT_EQ(expected.rgb.size(), actual.rgb.size());
    int differing = 0;
    for (size_t i = 0; i < expected.rgb.size(); i += 3)
        differing += expected.rgb[i] != actual.rgb[i] || expected.rgb[i + 1] != actual.rgb[i + 1] ||
                     expected.rgb[i + 2] != actual.rgb[i + 2];
    EXPECT_EQ(differing, 1);
}

TEST_F(ReplayRun, FilesThatCannotBeReplayedAreRefusedBeforeAnythingRuns)
{
    const std::string good = readFile(recording);
    ASSERT_GT(good.size(), 40u);
    std::string damaged = good;
    damaged[damaged.size() / 2] ^= 0x20;
    std::string foreign = "P6\n800 600\n255\n" + std::string(64, '\0');
    RecordingWriter later("replaygame", "9.0.0");
    later.beginFrame();
    const std::vector<unsigned char> &laterBytes = later.finish();
    struct Case {
        std::string bytes;
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {damaged, {}, "damaged"},
        {good.substr(0, good.size() - 3), {}, "truncated"},
        {foreign, {}, "not a recording"},
        {good, {"--name=othergame"}, "a recording of the game 'replaygame', not of 'othergame'"},
        {std::string(laterBytes.begin(), laterBytes.end()), {}, "recorded by engine 9.0.0, which engine "},
    };
    std::string path = run->path() + "/bad.zrec";
    for (const Case &c : cases) {
        writeFile(path, c.bytes);
        run->setEnv("ZARVELLO_REPLAY", path);
        RunResult result = run->run(c.args, 30);
        run->unsetEnv("ZARVELLO_REPLAY");
        EXPECT_EQ(result.exitCode, 1) << c.reason << "\n" << result.standardError;
        EXPECT_TRUE(result.contains("replay ('" + path + "'): ")) << result.standardError;
        EXPECT_TRUE(result.contains(c.reason)) << c.reason << "\n" << result.standardError;
        EXPECT_FALSE(result.contains("FPS was")) << result.standardError;
        EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    }

    // The checks asked for must make sense too.
    RunResult frames = replay({{"ZARVELLO_REPLAY_FRAMES", "every other"}});
    EXPECT_EQ(frames.exitCode, 1);
    EXPECT_TRUE(frames.contains("ZARVELLO_REPLAY_FRAMES ('every other'): not \"all\", \"every N\" or frame numbers"))
        << frames.standardError;
    RunResult missing = replay({{"ZARVELLO_REPLAY_EXPECTED", run->path() + "/none.screens"}});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.contains("none.screens'): No such file or directory (make it with")) << missing.standardError;
    EXPECT_FALSE(missing.contains("FPS was"));

    // A recording that could not be kept is known before anyone plays.
    run->setEnv("ZARVELLO_RECORD", run->path() + "/no/such/folder/x.zrec");
    RunResult unwritable = run->run({}, 30);
    run->unsetEnv("ZARVELLO_RECORD");
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.contains("record ('" + run->path() + "/no/such/folder/x.zrec'): cannot be written in '" +
                                    run->path() + "/no/such/folder': No such file or directory"))
        << unwritable.standardError;
    EXPECT_FALSE(unwritable.contains("FPS was"));
}

}  // namespace
