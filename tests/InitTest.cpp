// Start-up and shutdown pieces: the switches on the command line, the configuration file beside the
// executable with its fallback to the defaults, and the leak report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "Init.h"
#include "Memory.h"
#include "RunDirectory.h"
#include "Utility.h"

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
