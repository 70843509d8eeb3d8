// Start-up and shutdown pieces: the switches on the command line, the configuration file beside the
// executable with its fallback to the defaults, the leak report, and a game's run through runEngine with its
// hooks (in child processes, since the main loop runs once per process).
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "Gui.h"
#include "Init.h"
#include "Memory.h"
#include "RunDirectory.h"
#include "TestSupport.h"
#include "Utility.h"
#include "Video.h"

namespace {

void parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "zarvello");
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    parseCommandLine(static_cast<int>(args.size()), argv.data());
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        fullscreen = SDL_TRUE;
        displayConsole = SDL_TRUE;
        logConsole = SDL_FALSE;
    }
    void TearDown() override
    {
        logConsole = SDL_FALSE;
        displayConsole = SDL_FALSE;
    }
};

}  // namespace

TEST_F(CommandLine, EachSwitchSetsItsVariable)
{
    parse({"-windowed"});
    EXPECT_EQ(fullscreen, SDL_FALSE);
    parse({"-fullscreen"});
    EXPECT_EQ(fullscreen, SDL_TRUE);
    parse({"-noddisplayconsole"});
    EXPECT_EQ(displayConsole, SDL_FALSE);
    parse({"-displayconsole"});
    EXPECT_EQ(displayConsole, SDL_TRUE);
    parse({"-logconsole"});
    EXPECT_EQ(logConsole, SDL_TRUE);
    parse({"-nologconsole"});
    EXPECT_EQ(logConsole, SDL_FALSE);
}

TEST_F(CommandLine, LaterSwitchOverridesAnEarlierOne)
{
    parse({"-windowed", "-fullscreen"});
    EXPECT_EQ(fullscreen, SDL_TRUE);
    parse({"-fullscreen", "-windowed"});
    EXPECT_EQ(fullscreen, SDL_FALSE);
    parse({"-logconsole", "-nologconsole", "-logconsole"});
    EXPECT_EQ(logConsole, SDL_TRUE);
}

TEST_F(CommandLine, OnlyExactCaseSensitiveSwitchesCount)
{
    parse({"-nodisplayconsole", "-Windowed", "--windowed", "windowed", "-windowed ", "-WINDOWED", "-logConsole",
           "", "-", "-fullscreenx", "-noDdisplayconsole"});
    EXPECT_EQ(fullscreen, SDL_TRUE);
    EXPECT_EQ(displayConsole, SDL_TRUE);
    EXPECT_EQ(logConsole, SDL_FALSE);
}

TEST_F(CommandLine, TheProgramNameIsNeverASwitch)
{
    std::string name = "-windowed";
    char *argv[] = {&name[0], nullptr};
    parseCommandLine(1, argv);
    EXPECT_EQ(fullscreen, SDL_TRUE);
    parseCommandLine(0, argv);
    EXPECT_EQ(fullscreen, SDL_TRUE);
}

namespace {

// The console lines and the settings after processConfigFile, run in a child whose run directory is run's.
struct ConfigOutcome {
    std::string configPath;  // the configuration file's path as the messages name it
    std::vector<std::string> lines;
    std::string settings;
    std::string standardError;
};

ConfigOutcome processIn(RunDirectory &run)
{
    ChildResult child = runInChild([&] {
        // The run directory is computed once per process: either it is computed here, or the test program
        // fell back to the current directory earlier, which is then made the run directory.
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        Console::destroyConsole();
        if (chdir(run.path().c_str()) != 0)
            std::abort();
        std::string out = std::string(executablePath(run.programPath().c_str())) + "\n";
        processConfigFile();
        out += std::to_string(fullscreen) + std::to_string(displayConsole) +
                          std::to_string(logConsole) + " " + std::to_string(keyQuit) + " " + skinName + "\n";
        for (Sint32 i = 0; i < Console::totalLines(); ++i)
            out += std::string(Console::lineAtIndex(i)) + "\n";
        return out;
    });
    EXPECT_EQ(child.exitCode, 0);
    std::vector<std::string> all = splitLines(child.output);
    ConfigOutcome outcome;
    if (all.size() >= 2) {
        EXPECT_TRUE(all[0] == "." || all[0] == std::filesystem::canonical(run.path()).string()) << all[0];
        outcome.configPath = all[0] + "/zarvello.conf";
        outcome.settings = all[1];
        outcome.lines.assign(all.begin() + 2, all.end());
    }
    outcome.standardError = child.standardError;
    return outcome;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ProcessConfigFile, ReadsZarvelloConfBesideTheExecutable)
{
    RunDirectory run;
    run.writeConfig("fullscreen = off\nkeyQuit = KEY_q\nskin = 'beside'");
    run.writeFile("data/zarvello.conf", "skin = 'in data'");
    ConfigOutcome outcome = processIn(run);
    EXPECT_EQ(outcome.settings, "010 113 beside");
    EXPECT_EQ(outcome.lines, Lines{});
}

TEST(ProcessConfigFile, MissingFileLeavesTheDefaultsWithAWarning)
{
    RunDirectory run;
    ConfigOutcome outcome = processIn(run);
    EXPECT_EQ(outcome.settings, "110 27 default");
    std::string conf = outcome.configPath;
    EXPECT_EQ(outcome.lines, Lines{"Warning: Config file '" + conf + "' could not be opened"});
}

TEST(ProcessConfigFile, FailingScriptIsReportedAndTheDefaultsRestored)
{
    RunDirectory run;
    run.writeConfig("fullscreen = off\nkeyQuit = KEY_q\nlogConsole = on\nvolume = 11\n");
    ConfigOutcome outcome = processIn(run);
    std::string conf = outcome.configPath;
    Lines expected{"Unknown configuration variable 'volume'", "Error in configuration file!", "",
                   "Error in '" + conf + "'", "Configuration file is being ignored"};
    EXPECT_EQ(outcome.settings, "110 27 default");
    EXPECT_EQ(outcome.lines, expected);
    // Logging was on while the failure was reported, and is off again afterwards.
    std::string logged;
    for (const std::string &line : expected)
        logged += line + "\n";
    EXPECT_EQ(run.readFile("console.log"), logged);
}

TEST(ShutdownSystem, LeftoverMemoryIsReportedAfterEverythingElse)
{
    ChildResult child = runInChild([] {
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        Console::addString("a line");
        void *leak = mem_alloc(123);
        (void)leak;
        shutdownSystem();
        return std::to_string(totalAllocatedMemory());
    });
    ASSERT_EQ(child.exitCode, 0);
    unsigned long left = std::strtoul(child.output.c_str(), nullptr, 10);
    EXPECT_GE(left, 123u);
    EXPECT_EQ(child.standardError, "Memory Leak!\nThere are " + child.output + " bytes left allocated\n");
}

TEST(ShutdownSystem, IsSafeWithoutStartUp)
{
    ChildResult child = runInChild([] {
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        shutdownSystem();
        return std::string("done");
    });
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.output, "done");
}

TEST(ShutdownSystem, GameCanTurnTheLeakReportOff)
{
    ChildResult child = runInChild([] {
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        void *leak = mem_alloc(123);
        (void)leak;
        setLeakReport(SDL_FALSE);
        shutdownSystem();
        return std::to_string(totalAllocatedMemory());
    });
    ASSERT_EQ(child.exitCode, 0);
    EXPECT_GE(std::strtoul(child.output.c_str(), nullptr, 10), 123u) << "the memory is still counted";
    EXPECT_EQ(child.standardError, "");
}

TEST(ProcessConfigFile, GameNamesItsOwnFileBesideTheExecutableOrByItsPath)
{
    RunDirectory run;
    run.writeConfig("skin = 'zarvello.conf'");
    run.writeFile("game.conf", "skin = 'game.conf'");
    run.writeFile("absolute.conf", "skin = 'absolute'");
    ChildResult child = runInChild([&] {
        displayConsole = SDL_FALSE;
        logConsole = SDL_FALSE;
        if (chdir(run.path().c_str()) != 0)
            std::abort();
        std::string out = std::string(executablePath(run.programPath().c_str())) + "\n";
        for (std::string name : {std::string("game.conf"), run.path() + "/absolute.conf", std::string(""),
                                 std::string("missing.conf")}) {
            setConfigFileName(name.c_str());
            processConfigFile();
            out += std::string(skinName) + "\n";
        }
        setConfigFileName(nullptr);
        processConfigFile();
        out += std::string(skinName) + "\n";
        out += lastLine();
        return out;
    });
    ASSERT_EQ(child.exitCode, 0) << child.standardError;
    std::vector<std::string> lines = splitLines(child.output);
    ASSERT_EQ(lines.size(), 7u) << child.output;
    // The run directory as this process knows it (see processIn).
    std::string conf = lines[0] + "/missing.conf";
    EXPECT_EQ(lines, (Lines{lines[0], "game.conf", "absolute", "zarvello.conf", "default", "zarvello.conf",
                            "Warning: Config file '" + conf + "' could not be opened"}));
}

namespace {

// A game run through runEngine in a child, in run's run directory, without a skin unless the data has one. The
// scripted clock closes the window on the clock reading of frame `frames`; the hooks write what they saw. The
// child holds the test program's own tracked memory, so the leak report is off and the engine's leftovers are
// measured instead.
struct EngineRun {
    int exitCode = -1;
    long leftAllocated = -1;
    std::string trace;
    std::string standardError;
};

struct GameTrace {
    static std::string text;
    static int frames;
    static int reads;
    static SDL_bool setUpResult;

    static Uint32 clock()
    {
        if (++reads == frames + 1) {
            SDL_Event quit = {};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
        return Uint32(reads) * 14;
    }
    static void delay(Uint32) {}
    static SDL_bool setUp()
    {
        text += screen ? "setUp " : "setUp-without-screen ";
        return setUpResult;
    }
    static void frame() { text += "frame "; }
    static void event(SDL_Event *event) { text += event->type == SDL_QUIT ? "close " : "event "; }
    static void cleanUp() { text += screen ? "cleanUp " : "cleanUp-without-screen "; }
};
std::string GameTrace::text;
int GameTrace::frames = 0;
int GameTrace::reads = 0;
SDL_bool GameTrace::setUpResult = SDL_TRUE;

EngineRun runEngineIn(RunDirectory &run, const GameHooks *hooks, int frames)
{
    ChildResult child = runInChild([&] {
        if (chdir(run.path().c_str()) != 0)
            std::abort();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        GameTrace::frames = frames;
        setFrameTiming(GameTrace::clock, GameTrace::delay);
        setSkinRequired(SDL_FALSE);
        setLeakReport(SDL_FALSE);
        std::string argv0 = run.programPath();
        char *argv[] = {&argv0[0], nullptr};
        GameTrace::text.reserve(1000);
        Uint32 before = totalAllocatedMemory();
        int code = runEngine(1, argv, hooks);
        long left = long(totalAllocatedMemory()) - long(before);
        return std::to_string(code) + " " + std::to_string(left) + " " + GameTrace::text;
    });
    EngineRun result;
    EXPECT_EQ(child.exitCode, 0) << child.standardError;
    std::size_t first = child.output.find(' ');
    std::size_t second = child.output.find(' ', first + 1);
    if (second != std::string::npos) {
        result.exitCode = std::atoi(child.output.substr(0, first).c_str());
        result.leftAllocated = std::atol(child.output.substr(first + 1, second - first - 1).c_str());
        result.trace = child.output.substr(second + 1);
    }
    result.standardError = child.standardError;
    return result;
}

class RunEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        run.emptyDataDirectory();
        run.writeConfig("fullscreen = off\n");
        GameTrace::text.clear();
        GameTrace::setUpResult = SDL_TRUE;
    }
    RunDirectory run;
};

const GameHooks everyHook = {GameTrace::setUp, GameTrace::frame, GameTrace::event, GameTrace::cleanUp};

}  // namespace

TEST_F(RunEngine, SetUpRunsOnTheStartedEngineThenTheLoopThenCleanUpBeforeShutdown)
{
    EngineRun result = runEngineIn(run, &everyHook, 2);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_EQ(result.trace, "setUp frame close frame cleanUp ");
    EXPECT_NE(result.standardError.find(", 2 frames in "), std::string::npos) << result.standardError;
    EXPECT_EQ(result.standardError.find("loadSkin"), std::string::npos) << result.standardError;
    EXPECT_EQ(result.leftAllocated, 0);
}

TEST_F(RunEngine, FailedSetUpSkipsTheLoopCleansUpAndExitsWithOne)
{
    GameTrace::setUpResult = SDL_FALSE;
    EngineRun result = runEngineIn(run, &everyHook, 2);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.trace, "setUp cleanUp ");
    EXPECT_EQ(result.standardError.find("FPS was"), std::string::npos) << result.standardError;
    EXPECT_EQ(result.leftAllocated, 0);
}

TEST_F(RunEngine, FailedStartUpCallsNoHookAndExitsWithOne)
{
    ChildResult child = runInChild([&] {
        if (chdir(run.path().c_str()) != 0)
            std::abort();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        std::string argv0 = run.programPath();
        char *argv[] = {&argv0[0], nullptr};
        int code = runEngine(1, argv, &everyHook);  // the skin is required and the data has none
        return std::to_string(code) + " " + GameTrace::text;
    });
    EXPECT_EQ(child.output, "1 ");
    EXPECT_NE(child.standardError.find("loadSkin ('/gfx/skins/default.skin'): Unable to open skin file"),
              std::string::npos)
        << child.standardError;
}

TEST_F(RunEngine, NullHooksOrMembersRunTheEngineAlone)
{
    EngineRun alone = runEngineIn(run, nullptr, 3);
    EXPECT_EQ(alone.exitCode, 0);
    EXPECT_NE(alone.standardError.find(", 3 frames in "), std::string::npos) << alone.standardError;
    GameHooks onlyFrame = {nullptr, GameTrace::frame, nullptr, nullptr};
    EngineRun framed = runEngineIn(run, &onlyFrame, 1);
    EXPECT_EQ(framed.exitCode, 0);
    EXPECT_EQ(framed.trace, "frame ");
}
