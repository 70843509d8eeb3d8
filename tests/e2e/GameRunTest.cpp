// Whole runs of a game written on the engine (TestGame, linked with the whole engine library): its hooks run
// around the engine's loop, the start-up settings it chooses (configuration file, optional skin, leak report,
// caption) and its own settings in its configuration file take effect, and it ends with the exit codes of the
// engine. Runs use the dummy video driver and end by themselves after the game's frames; the run that needs a
// window, for the caption, keys and what reaches the display, has a private X server.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunDirectory.h"
#include "XServer.h"

namespace fs = std::filesystem;

namespace {

class GameRun : public ::testing::Test {
protected:
    GameRun() : run(ZARVELLO_TEST_GAME) { run.ignoreSystemLibraryLeaks(); }

    RunResult start(const std::vector<std::string> &args = {})
    {
        RunResult result = run.run(args, 60);
        EXPECT_FALSE(result.timedOut) << result.standardError;
        EXPECT_EQ(result.signal, 0) << result.standardError;
        EXPECT_FALSE(result.contains("LeakSanitizer")) << result.standardError;
        return result;
    }

    static void expectNoLeakReport(const RunResult &result)
    {
        EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
        EXPECT_FALSE(result.contains("bytes left allocated")) << result.standardError;
    }

    // The index of the first line of standard error that begins with text; -1 when none does.
    static int lineStarting(const RunResult &result, const std::string &text)
    {
        std::vector<std::string> lines = result.lines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(text, 0) == 0)
                return static_cast<int>(i);
        return -1;
    }

    std::string runPath() const { return fs::canonical(run.path()).string(); }

    RunDirectory run;
};

}  // namespace

TEST_F(GameRun, GameLinkedWithTheWholeLibraryRunsItsHooksAroundTheLoopAndEndsCleanly)
{
    RunResult result = start();
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    int setUp = lineStarting(result, "game setUp: skin default, greeting 'hello', frames 3, dialog 0, keyFire 32");
    int loop = lineStarting(result, "FPS was ");
    int cleanUp = lineStarting(result, "game cleanUp after 3 frames, screen open");
    EXPECT_GE(setUp, 0) << result.standardError;
    EXPECT_GT(loop, setUp) << result.standardError;
    EXPECT_GT(cleanUp, loop) << result.standardError;
    EXPECT_TRUE(result.contains(", 3 frames in ")) << result.standardError;
    expectNoLeakReport(result);
}

TEST_F(GameRun, GameSettingsComeFromTheGamesOwnConfigurationFile)
{
    run.writeConfig("frames = 'never read'\n");
    run.writeFile("game.conf", "frames = 5\ngreeting = 'hi there'\ndialog = on\nkeyFire = KEY_f\nfullscreen = off\n");
    RunResult result = start({"--config=game.conf"});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("game setUp: skin default, greeting 'hi there', frames 5, dialog 1, keyFire 102"))
        << result.standardError;
    EXPECT_TRUE(result.hasLine("game frame 1: 1 rectangle(s) queued")) << result.standardError;
    EXPECT_TRUE(result.hasLine("game cleanUp after 5 frames, screen open")) << result.standardError;
    EXPECT_FALSE(result.contains("Warning: Config file")) << result.standardError;
}

TEST_F(GameRun, UnknownNameStillMakesTheWholeFileIgnored)
{
    run.writeFile("game.conf", "frames = 7\nvolume = 3\n");
    RunResult result = start({"--config=game.conf"});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    int unknown = lineStarting(result, "Unknown configuration variable 'volume'");
    EXPECT_GE(unknown, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("Error in '" + runPath() + "/game.conf'")) << result.standardError;
    EXPECT_TRUE(result.hasLine("Configuration file is being ignored")) << result.standardError;
    EXPECT_TRUE(result.hasLine("game cleanUp after 3 frames, screen open")) << "the defaults are back";
}

TEST_F(GameRun, SkinIsRequiredUnlessTheGameMakesItOptional)
{
    run.emptyDataDirectory();
    RunResult required = start();
    EXPECT_EQ(required.exitCode, 1) << required.standardError;
    EXPECT_TRUE(required.hasLine("loadSkin ('/gfx/skins/default.skin'): Unable to open skin file"))
        << required.standardError;
    EXPECT_FALSE(required.contains("game ")) << "no hook runs after a failed start-up\n" << required.standardError;
    expectNoLeakReport(required);

    RunResult optional = start({"--skin-optional"});
    EXPECT_EQ(optional.exitCode, 0) << optional.standardError;
    EXPECT_EQ(lineStarting(optional, "game setUp: skin none,"), lineStarting(optional, "game setUp:"));
    EXPECT_GE(lineStarting(optional, "game setUp:"), 0) << optional.standardError;
    EXPECT_FALSE(optional.contains("loadSkin")) << "a missing optional skin is no fault\n" << optional.standardError;
    expectNoLeakReport(optional);
}

TEST_F(GameRun, OptionalSkinThatCannotBeLoadedIsReportedAndStartUpGoesOn)
{
    run.writeFile("data/gfx/skins/default.skin", std::string(100, '\0'));
    RunResult result = start({"--skin-optional"});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('default'): Error reading skin part field filename")) << result.standardError;
    EXPECT_GE(lineStarting(result, "game setUp: skin none,"), 0) << result.standardError;
    expectNoLeakReport(result);
}

TEST_F(GameRun, LeakReportCountsWhatTheGameKeptUnlessTheGameTurnsItOff)
{
    RunResult reported = start({"--leak"});
    EXPECT_EQ(reported.exitCode, 0) << reported.standardError;
    std::vector<std::string> lines = reported.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Memory Leak!");
    EXPECT_EQ(lines.back(), "There are 100 bytes left allocated");

    RunResult quiet = start({"--leak", "--no-leak-report"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.standardError;
    expectNoLeakReport(quiet);
}

TEST_F(GameRun, FailedSetUpEndsWithExitCodeOneAfterItsCleanUp)
{
    RunResult result = start({"--fail-setup"});
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("game cleanUp after 0 frames, screen open")) << result.standardError;
    EXPECT_FALSE(result.contains("FPS was")) << "the loop does not run\n" << result.standardError;
    expectNoLeakReport(result);
}

TEST(GameWindow, CaptionIsTheGamesKeysReachItAndWhatItQueuesReachesTheDisplay)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run(ZARVELLO_TEST_GAME);
    run.ignoreSystemLibraryLeaks();
    run.setEnv("DISPLAY", server.display());
    run.writeConfig("frames = 0\ndialog = on\nfullscreen = off\n");
    pid_t pid = run.start({"--caption=Hook Game"});
    std::string window = server.findWindow("^Hook Game$", 15000, pid);
    ASSERT_FALSE(window.empty()) << run.standardErrorSoFar(pid);
    for (int tries = 0; tries < 100 && run.standardErrorSoFar(pid).find("game frame 1:") == std::string::npos; ++tries)
        usleep(50000);
    usleep(300000);

    // The dialog was drawn in the first frame, after the loop's whole-screen update: the display shows it only
    // because its area was queued. Everything else stays black.
    CapturedImage shot;
    ASSERT_TRUE(server.captureWindow(window, shot));
    ASSERT_GE(shot.width, 800);
    ASSERT_GE(shot.height, 600);
    const CapturedImage::Pixel black = {0, 0, 0};
    int drawn = 0, outside = 0;
    for (int y = 0; y < 600; y += 5)
        for (int x = 0; x < 800; x += 5) {
            bool inBox = x >= 100 && x < 400 && y >= 100 && y < 300;
            bool lit = !(shot.at(x, y) == black);
            drawn += inBox && lit;
            outside += !inBox && lit;
        }
    EXPECT_GT(drawn, 60 * 40 / 2) << "most of the dialog is not black";
    EXPECT_EQ(outside, 0);

    server.sendKey(window, "space");
    usleep(500000);
    server.sendKey(window, "Escape");
    RunResult result = run.wait(pid, 60);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("game fire")) << result.standardError;
    EXPECT_GE(countLines(result.standardError, "game fire"), 1);
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    EXPECT_FALSE(result.contains("LeakSanitizer")) << result.standardError;
}
