// Whole runs of the tests' game (TestGame) that make the mistakes a game makes and that a hostile configuration
// makes: console lines before start-up, which must not decide the run directory; a second or nested runEngine,
// a registration in setUp and a configuration file name too long to hold, each refused with an "ERROR: " line;
// and a configuration script whose every step compares or joins strings of many megabytes, which start-up stops
// and ignores as any failing script. Runs use the dummy video driver and end by themselves after the game's
// frames.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunDirectory.h"

namespace fs = std::filesystem;

namespace {

const char *realpathFailed = "realpath failed, data directory is relative to current directory";

class GameMistakes : public ::testing::Test {
protected:
    GameMistakes() : run(ZARVELLO_TEST_GAME) { run.ignoreSystemLibraryLeaks(); }

    // Runs the game with a generous time: each run here ends by itself within seconds unless start-up hangs.
    RunResult start(const std::vector<std::string> &args = {})
    {
        RunResult result = run.run(args, 60);
        EXPECT_FALSE(result.timedOut) << result.standardError;
        EXPECT_EQ(result.signal, 0) << result.standardError;
        EXPECT_FALSE(result.contains("Sanitizer")) << result.standardError;
        EXPECT_FALSE(result.contains("runtime error")) << result.standardError;
        EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
        return result;
    }

    std::string runPath() const { return fs::canonical(run.path()).string(); }

    RunDirectory run;
};

TEST_F(GameMistakes, LinesBeforeStartUpLeaveTheRunDirectoryToArgv0)
{
    run.writeConfig("greeting = \"from the run directory\"\nlogConsole = on\n");
    run.makeDirectory("elsewhere");
    run.setWorkingDirectory(run.path() + "/elsewhere");
    run.setArgv0(run.programPath());
    for (const char *early : {"--early-line", "--early-refused-setting", "--early-image"}) {
        run.removeFile("console.log");
        RunResult result = start({"-windowed", early});
        EXPECT_EQ(result.exitCode, 0) << early << "\n" << result.standardError;
        EXPECT_FALSE(result.hasLine(realpathFailed)) << early << "\n" << result.standardError;
        EXPECT_TRUE(result.hasLine("game setUp: skin default, greeting 'from the run directory', frames 3, dialog 0, "
                                   "keyFire 32"))
            << early << "\n" << result.standardError;
        EXPECT_TRUE(result.hasLine("Adding data path '" + runPath() + "/data'")) << early << "\n"
                                                                                  << result.standardError;
        // The log file is the one beside the program; lines from before start-up reached standard error only.
        EXPECT_FALSE(run.exists("elsewhere/console.log")) << early;
        const std::string log = run.readFile("console.log");
        EXPECT_NE(log.find("game setUp: skin default"), std::string::npos) << early;
        EXPECT_EQ(log.find("game: a line before start-up"), std::string::npos) << early;
    }
    RunResult early = start({"-windowed", "--early-line"});
    EXPECT_TRUE(early.hasLine("game: a line before start-up")) << early.standardError;
}

TEST_F(GameMistakes, SecondRunEngineIsRefusedWithExitCodeOne)
{
    RunResult result = start({"-windowed", "--run-twice"});
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_EQ(result.lineCount("game cleanUp after 3 frames, screen open"), 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("ERROR: runEngine: the engine runs once in a process, and it has run already"))
        << result.standardError;
    EXPECT_TRUE(result.hasLine("game: the second runEngine gave 1")) << result.standardError;
}

TEST_F(GameMistakes, RunEngineInsideSetUpIsRefusedAndTheGameRunsOn)
{
    RunResult result = start({"-windowed", "--nested-run"});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("ERROR: runEngine: the engine runs once in a process, and it has run already"))
        << result.standardError;
    EXPECT_TRUE(result.hasLine("game: runEngine inside setUp gave 1")) << result.standardError;
    EXPECT_EQ(result.lineCount("game cleanUp after 3 frames, screen open"), 1) << result.standardError;
}

TEST_F(GameMistakes, SettingRegisteredInSetUpIsRefused)
{
    RunResult result = start({"-windowed", "--register-in-setup"});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("ERROR: registerNumberSetting ('late'): the engine has started; a game registers its "
                               "settings before runEngine"))
        << result.standardError;
    EXPECT_TRUE(result.hasLine("game: registering in setUp gave 0")) << result.standardError;
}

TEST_F(GameMistakes, ConfigurationFileNameTooLongToHoldIsRefusedAndTheDefaultNameStays)
{
    run.writeConfig("greeting = \"default name\"\n");
    RunResult result = start({"-windowed", "--long-config-name"});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("ERROR: setConfigFileName ('" + std::string(200, 'c') +
                               "...'): a name of 300 characters is longer than 255; 'zarvello.conf' stays"))
        << result.standardError;
    EXPECT_TRUE(result.hasLine("game setUp: skin default, greeting 'default name', frames 3, dialog 0, keyFire 32"))
        << result.standardError;
}

// Each of these scripts held start-up for minutes: one step compares or joins strings of many megabytes.
TEST_F(GameMistakes, ConfigurationScriptsThatWorkOnHugeStringsAreStoppedAndStartUpGoesOn)
{
    const std::vector<std::string> scripts = {
        "greeting = \"x\"\nlocal a = \"x\" for i = 1, 24 do a = a .. a end\n"
        "local b = \"x\" for i = 1, 24 do b = b .. b end\nwhile a == b do local c = 1 end\n",
        "greeting = \"x\"\nlocal a = \"x\" for i = 1, 23 do a = a .. a end\nwhile 1 do local c = a .. a end\n",
    };
    for (const std::string &script : scripts) {
        run.writeConfig(script);
        RunResult result = start({"-windowed"});
        EXPECT_EQ(result.exitCode, 0) << script << result.standardError;
        EXPECT_TRUE(result.hasLine("Error in configuration file!")) << script << result.standardError;
        EXPECT_TRUE(result.hasLine("Configuration file is being ignored")) << script << result.standardError;
        EXPECT_TRUE(result.hasLine("game setUp: skin default, greeting 'hello', frames 3, dialog 0, keyFire 32"))
            << script << result.standardError;
    }
}

}  // namespace
