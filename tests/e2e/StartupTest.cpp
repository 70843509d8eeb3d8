// Whole runs of the program for start-up: the configuration file beside the executable, its failures and the
// defaults that replace it, the command-line switches on top, the console echo and "console.log", very long
// run directories, the exit code and the leak report.
// Most runs have no skin in their data directory, so start-up stops after the configuration and the switches
// (at the skin, logging a "loadSkin (" line) and the program ends by itself; their assertions are about the
// lines start-up logs before that. The normal run with exit code 0 has the shipped data and ends its main
// loop with the quit key under a private X server.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GraphicSurface.h"
#include "RunDirectory.h"
#include "XServer.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

const char *realpathFailed = "realpath failed, data directory is relative to current directory";
const char *failedScript = "Error in configuration file!";
const char *ignored = "Configuration file is being ignored";

// A run directory without a skin: start-up stops at the skin, after everything this file tests.
class StartUp : public ::testing::Test {
protected:
    void SetUp() override { run.emptyDataDirectory(); }

    RunResult start(const std::vector<std::string> &args = {})
    {
        RunResult result = run.run(args, 30);
        EXPECT_FALSE(result.timedOut) << result.standardError;
        EXPECT_EQ(result.signal, 0) << result.standardError;
        return result;
    }

    std::string configPath() const { return fs::canonical(run.path()).string() + "/zarvello.conf"; }
    std::string missingWarning() const { return "Warning: Config file '" + configPath() + "' could not be opened"; }

    RunDirectory run;
};

// Whether lines holds expected as consecutive lines.
bool hasSequence(const Lines &lines, const Lines &expected)
{
    for (std::size_t i = 0; i + expected.size() <= lines.size(); ++i) {
        bool all = true;
        for (std::size_t k = 0; k < expected.size() && all; ++k)
            all = lines[i + k] == expected[k];
        if (all)
            return true;
    }
    return false;
}

}  // namespace

TEST_F(StartUp, MissingConfigurationFileIsOnlyAWarning)
{
    RunResult result = start();
    EXPECT_TRUE(result.hasLine(missingWarning())) << result.standardError;
    EXPECT_FALSE(result.hasLine(realpathFailed));
    EXPECT_FALSE(result.contains(failedScript));
    EXPECT_TRUE(result.contains("loadSkin (")) << "start-up goes on after the warning\n" << result.standardError;
}

TEST_F(StartUp, ConfigurationFileBesideTheExecutableIsRun)
{
    run.writeConfig("skin = \"custom\"\n");
    run.writeFile("data/zarvello.conf", "skin = \"from data\"\n");
    RunResult result = start();
    EXPECT_FALSE(result.contains("Warning: Config file")) << result.standardError;
    EXPECT_TRUE(result.contains("custom.skin")) << result.standardError;
}

TEST_F(StartUp, FailingScriptIsReportedAndTheDefaultsRestored)
{
    struct Case {
        std::string script;
        Lines lines;
    } cases[] = {
        {"skin = \"custom\"\nfullscreen = = off\n", {failedScript, "", "Error in '" + configPath() + "'", ignored}},
        {"skin = \"custom\"\nvolume = 3\n",
         {"Unknown configuration variable 'volume'", failedScript, "", "Error in '" + configPath() + "'", ignored}},
        {"skin = \"custom\"\nfullscreen = \"yes\"\n",
         {"Expected a number for 'fullscreen', but got a string", failedScript, "", "Error in '" + configPath() + "'",
          ignored}},
        {"skin = \"custom\"\nfullscreen = true\n",
         {"Expected a number for 'fullscreen', but got a boolean", failedScript, "",
          "Error in '" + configPath() + "'", ignored}},
        {"skin = \"custom\"\nwhile true do end\n", {failedScript, "", "Error in '" + configPath() + "'", ignored}},
    };
    for (const Case &c : cases) {
        run.writeConfig(c.script);
        RunResult result = start();
        EXPECT_TRUE(hasSequence(result.lines(), c.lines)) << c.script << "\n" << result.standardError;
        // The skin assigned before the failure is forgotten: start-up asks for the default skin.
        EXPECT_TRUE(result.contains("default.skin")) << c.script << "\n" << result.standardError;
        EXPECT_FALSE(result.contains("custom.skin")) << c.script << "\n" << result.standardError;
    }
}

TEST_F(StartUp, SwitchesStillApplyAfterAFailedScript)
{
    run.writeConfig("syntax error here\n");
    RunResult result = start({"-noddisplayconsole", "-logconsole"});
    EXPECT_TRUE(result.hasLine(ignored)) << result.standardError;
    EXPECT_FALSE(result.contains("loadSkin (")) << "echo is off after the switch\n" << result.standardError;
    std::string log = run.readFile("console.log");
    EXPECT_NE(log.find("loadSkin ("), std::string::npos) << log;
    EXPECT_EQ(log.find(ignored), std::string::npos) << "logging was off while the script failed\n" << log;
}

TEST_F(StartUp, EchoOffSwitchNeedsTwoLettersD)
{
    RunResult singleD = start({"-nodisplayconsole"});
    EXPECT_TRUE(singleD.contains("loadSkin (")) << singleD.standardError;
    RunResult doubleD = start({"-noddisplayconsole"});
    EXPECT_TRUE(doubleD.hasLine(missingWarning())) << "the configuration is read before the switches";
    EXPECT_FALSE(doubleD.contains("loadSkin (")) << doubleD.standardError;
}

TEST_F(StartUp, SwitchesAreExactAndCaseSensitive)
{
    run.writeConfig("displayConsole = off\n");
    for (const char *notASwitch : {"-DISPLAYCONSOLE", "--displayconsole", "displayconsole", "-displayconsole=1",
                                   "-Displayconsole", " -displayconsole"}) {
        RunResult result = start({notASwitch});
        EXPECT_FALSE(result.contains("loadSkin (")) << notASwitch << "\n" << result.standardError;
    }
    RunResult result = start({"-displayconsole"});
    EXPECT_TRUE(result.contains("loadSkin (")) << result.standardError;
}

TEST_F(StartUp, LaterSwitchesOverrideEarlierOnesAndTheFile)
{
    run.writeConfig("displayConsole = on\nlogConsole = on\n");
    RunResult echoOff = start({"-displayconsole", "-noddisplayconsole", "-nologconsole"});
    EXPECT_FALSE(echoOff.contains("loadSkin (")) << echoOff.standardError;
    EXPECT_EQ(run.readFile("console.log").find("loadSkin ("), std::string::npos);

    RunResult echoOn = start({"-noddisplayconsole", "-displayconsole"});
    EXPECT_TRUE(echoOn.contains("loadSkin (")) << echoOn.standardError;
}

TEST_F(StartUp, ConsoleLogIsWrittenBesideTheExecutableOnlyWhenAsked)
{
    RunDirectory elsewhere;
    elsewhere.emptyDataDirectory();
    run.setWorkingDirectory(elsewhere.path());
    run.setArgv0(run.programPath());

    start();
    EXPECT_FALSE(run.exists("console.log")) << "logging is off by default";

    RunResult logged = start({"-logconsole"});
    std::string log = run.readFile("console.log");
    EXPECT_NE(log.find("loadSkin ("), std::string::npos) << log;
    EXPECT_FALSE(elsewhere.exists("console.log")) << "the log is beside the executable, not in the current directory";
    // Every line in the file was echoed too, each on a line of its own.
    for (const std::string &line : splitLines(log))
        EXPECT_TRUE(logged.hasLine(line)) << line;

    // The file grows across runs.
    run.writeConfig("logConsole = on\n");
    start();
    EXPECT_GT(run.readFile("console.log").size(), log.size());
}

TEST_F(StartUp, LoggingTurnedOnByAFailingScriptRecordsTheFailure)
{
    run.writeConfig("logConsole = on\nvolume = 1\n");
    RunResult result = start();
    Lines expected{"Unknown configuration variable 'volume'", failedScript, "", "Error in '" + configPath() + "'",
                   ignored};
    Lines logged = splitLines(run.readFile("console.log"));
    EXPECT_EQ(logged, expected) << "logging is off again once the defaults are restored";
    EXPECT_TRUE(hasSequence(result.lines(), expected));
}

TEST_F(StartUp, EchoTurnedOffByTheScriptHidesItsOwnFailure)
{
    run.writeConfig("displayConsole = off\nvolume = 1\n");
    RunResult result = start();
    EXPECT_FALSE(result.contains("volume")) << result.standardError;
    EXPECT_FALSE(result.contains(ignored)) << result.standardError;
    EXPECT_TRUE(result.contains("loadSkin (")) << "the echo is on again with the defaults\n" << result.standardError;
}

TEST_F(StartUp, OnOffNumbersOtherThanOneAreOff)
{
    run.writeConfig("displayConsole = 2\nlogConsole = -1\n");
    RunResult result = start();
    EXPECT_FALSE(result.contains("loadSkin (")) << result.standardError;
    EXPECT_FALSE(result.contains("runtime error")) << result.standardError;
    EXPECT_FALSE(run.exists("console.log"));
}

TEST(StartUpPaths, ConfigurationPathBeyond255CharactersIsCutAndUsedAsIs)
{
    // 244 characters of run directory: the executable's path (253) fits, "/zarvello.conf" (258) and
    // "/console.log" (256) do not and are cut to 255 characters.
    RunDirectory run(ZARVELLO_PROGRAM, 244);
    run.emptyDataDirectory();
    ASSERT_EQ(fs::canonical(run.path()).string(), run.path());
    std::string cutConfig = (run.path() + "/zarvello.conf").substr(0, 255);
    ASSERT_EQ(cutConfig.substr(cutConfig.size() - 10), "zarvello.c");

    run.writeConfig("volume = 1\n");  // not read: its name is longer than the cut path
    RunResult missing = run.run({}, 30);
    EXPECT_FALSE(missing.timedOut);
    EXPECT_EQ(missing.signal, 0) << missing.standardError;
    EXPECT_TRUE(missing.hasLine("Warning: Config file '" + cutConfig + "' could not be opened"))
        << missing.standardError;
    EXPECT_FALSE(missing.contains("volume"));

    run.writeFile("zarvello.c", "volume = 1\n");
    RunResult cut = run.run({"-logconsole"}, 30);
    EXPECT_TRUE(cut.hasLine("Error in '" + cutConfig + "'")) << cut.standardError;
    EXPECT_TRUE(run.exists("console.lo")) << "the log file name is cut the same way";
}

TEST(StartUpPaths, RunDirectoryBeyond255CharactersFallsBackToTheCurrentDirectory)
{
    RunDirectory run(ZARVELLO_PROGRAM, 300);
    run.emptyDataDirectory();
    RunResult result = run.run({}, 30);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine(realpathFailed)) << result.standardError;
    EXPECT_TRUE(result.hasLine("Warning: Config file './zarvello.conf' could not be opened")) << result.standardError;
    // The message came before the configuration, while logging was still on.
    EXPECT_EQ(run.readFile("console.log"), std::string(realpathFailed) + "\n");
}

TEST(StartUpExit, FailedStartUpExitsWithOneAndNoLeakReport)
{
    RunDirectory run;
    run.emptyDataDirectory();
    RunResult result = run.run({}, 30);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    EXPECT_FALSE(result.contains("bytes left allocated")) << result.standardError;
}

TEST(StartUpExit, NormalRunExitsWithZeroAndNoLeakReport)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run;
    run.setEnv("DISPLAY", server.display());
    run.ignoreSystemLibraryLeaks();
    pid_t pid = run.start({"-windowed"});
    std::string window = server.findWindow("^Zarvello$", 15000, pid);
    if (!window.empty()) {
        server.sendKey(window, "Escape");
        sleep(2);
        if (!server.findWindow("^Zarvello$", 100, pid).empty())
            server.closeWindow(window);
    }
    RunResult result = run.wait(pid, 60);
    EXPECT_FALSE(window.empty()) << result.standardError;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
    EXPECT_FALSE(result.contains("bytes left allocated")) << result.standardError;
    EXPECT_FALSE(run.exists("console.log"));
    EXPECT_FALSE(result.contains("LeakSanitizer")) << result.standardError;
}

TEST(StartUpExit, RealLeakOfEngineAndGameCodeIsReportedToTheByteAfterARunUnderX)
{
    XServer server;
    ASSERT_TRUE(server.running());
    RunDirectory run(ZARVELLO_LEAKINGGAME);
    run.setEnv("DISPLAY", server.display());
    run.ignoreSystemLibraryLeaks();
    RunResult result = run.run({"-windowed"}, 60);
    // The surface object and its name's copy, made by the engine, and the game's own 100 bytes; nothing that
    // SDL, X or an OpenGL driver allocated.
    const std::size_t leaked = sizeof(GraphicSurface) + sizeof("leaked") + 100;
    const std::string report = "Memory Leak!\nThere are " + std::to_string(leaked) + " bytes left allocated\n";
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("Initialized video system for 800x600 16 bit windowed video")) << result.standardError;
    ASSERT_GE(result.standardError.size(), report.size()) << result.standardError;
    EXPECT_EQ(result.standardError.substr(result.standardError.size() - report.size()), report)
        << result.standardError;
}
