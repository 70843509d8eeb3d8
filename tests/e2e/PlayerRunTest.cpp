// Whole runs of a game that keeps its player's data (PlayerGame), with HOME and the XDG base directories pointed at
// a scratch folder: the player's settings file wins over the shipped one, a bad one keeps the shipped values and
// names its line, settings written are read back to the same values, saves land in the data folder and names that
// would leave it are refused, and an installed (read-only) run directory puts the log in the state folder. A game
// that does not name itself touches none of it.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArchiveWriter.h"
#include "RunDirectory.h"

namespace fs = std::filesystem;

namespace {

void writeAll(const std::string &path, const std::string &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

unsigned permissions(const std::string &path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0 ? unsigned(status.st_mode & 07777) : 0u;
}

class PlayerRun : public ::testing::Test {
protected:
    PlayerRun() : run(ZARVELLO_PLAYER_GAME)
    {
        run.ignoreSystemLibraryLeaks();
        std::string pattern = (fs::temp_directory_path() / "zarvello-home-XXXXXX").string();
        home = mkdtemp(pattern.data()) ? pattern : "";
        run.setEnv("HOME", home);
        run.setEnv("XDG_CONFIG_HOME", home + "/config");
        run.setEnv("XDG_DATA_HOME", home + "/data");
        run.setEnv("XDG_STATE_HOME", home + "/state");
    }
    ~PlayerRun() override
    {
        std::error_code ignored;
        fs::remove_all(home, ignored);
    }

    RunResult start(std::vector<std::string> args)
    {
        args.push_back("-windowed");
        RunResult result = run.run(args, 60);
        EXPECT_FALSE(result.timedOut) << result.standardError;
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
        EXPECT_FALSE(result.contains("LeakSanitizer")) << result.standardError;
        return result;
    }

    // The text after "player <when>: " of the game's line, "" when it logged none.
    static std::string values(const RunResult &result, const std::string &when)
    {
        const std::string prefix = "player " + when + ": ";
        for (const std::string &line : result.lines())
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        return "";
    }

    std::string settingsFile() const { return home + "/config/pgame/zarvello.conf"; }

    RunDirectory run;
    std::string home;
};

}  // namespace

TEST_F(PlayerRun, PlayersSettingsFileWinsOverTheShippedOneAndTheCommandLineOverBoth)
{
    run.writeConfig("greeting = 'shipped'\nframes = 2\nkeyFire = KEY_a\n");
    writeAll(settingsFile(), "greeting = 'mine'\nkeyFire = KEY_b\nfullscreen = on\n");
    RunResult result = start({"--name=pgame"});
    EXPECT_EQ(values(result, "setUp"),
              "greeting 'mine', frames 2, dialog 0, keyFire 98, fullscreen 0, keyQuit 27, logConsole 0, skin default");
    EXPECT_FALSE(result.contains("Warning")) << result.standardError;
}

TEST_F(PlayerRun, RelativeOrEmptyBaseDirectoriesGiveWayToTheDefaultsUnderHome)
{
    run.writeConfig("greeting = 'shipped'\n");
    run.setEnv("XDG_CONFIG_HOME", "relative/config");
    run.setEnv("XDG_DATA_HOME", "");
    writeAll(home + "/.config/pgame/zarvello.conf", "greeting = 'from home'\n");
    RunResult result = start({"--name=pgame", "--save=slot:kept"});
    EXPECT_EQ(values(result, "setUp").rfind("greeting 'from home',", 0), 0u) << result.standardError;
    EXPECT_EQ(archive::readFile(home + "/.local/share/pgame/slot"), "kept");
    EXPECT_EQ(permissions(home + "/.local/share/pgame"), 0700u);
    EXPECT_EQ(permissions(home + "/.local/share"), 0700u) << "missing parents are made owner-only too";
    EXPECT_FALSE(fs::exists(run.path() + "/relative")) << "a relative base directory is ignored";
}

TEST_F(PlayerRun, BadPlayersFileKeepsTheShippedValuesAndNamesTheLineAndTheReason)
{
    run.writeConfig("greeting = 'shipped'\nfullscreen = off\nframes = 2\n");
    const std::string shipped =
        "greeting 'shipped', frames 2, dialog 0, keyFire 32, fullscreen 0, keyQuit 27, logConsole 0, skin default";
    struct Case {
        std::string script;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"greeting = 'mine'\nframes = 9\n\nvolumme = 50\n", "line 4: Unknown configuration variable 'volumme'"},
        {"greeting = 'mine'\nframes = 'fast'\n", "line 2: Expected a number for 'frames', but got a string"},
        {"greeting = 'mine'\nfullscreen = on\n\n\nframes = = 3\n", "line 5: unexpected symbol near '='"},
    };
    for (const Case &bad : cases) {
        writeAll(settingsFile(), bad.script);
        RunResult result = start({"--name=pgame"});
        EXPECT_EQ(values(result, "setUp"), shipped) << bad.script << result.standardError;
        EXPECT_TRUE(result.hasLine("readPlayerSettings ('" + settingsFile() + "'): " + bad.line))
            << result.standardError;
        EXPECT_TRUE(result.hasLine("The player's settings are being ignored")) << result.standardError;
        EXPECT_FALSE(result.contains("Error in configuration file!")) << result.standardError;
        EXPECT_FALSE(result.contains("Configuration file is being ignored")) << result.standardError;
    }
}

TEST_F(PlayerRun, ShippedFileThatFailsStillRestoresTheDefaultsBeforeThePlayersFileRuns)
{
    run.writeConfig("greeting = 'shipped'\nvolume = 3\n");
    writeAll(settingsFile(), "frames = 5\n");
    RunResult result = start({"--name=pgame"});
    EXPECT_TRUE(result.hasLine("Unknown configuration variable 'volume'")) << result.standardError;
    EXPECT_TRUE(result.hasLine("Configuration file is being ignored")) << result.standardError;
    EXPECT_EQ(values(result, "setUp").rfind("greeting 'hello', frames 5,", 0), 0u) << result.standardError;
}

TEST_F(PlayerRun, WrittenSettingsAreReadBackToTheSameValues)
{
    run.writeConfig("greeting = 'shipped'\nframes = 2\n");
    RunResult first = start({"--name=pgame", "--set-greeting=say \"hi\"\\ \t\xC3\xBC 100%", "--set-frames=0.1",
                             "--set-dialog=1", "--set-key=102", "--write-settings"});
    EXPECT_TRUE(first.hasLine("player settings written")) << first.standardError;
    const std::string written = values(first, "changed");
    EXPECT_EQ(written, "greeting 'say \"hi\"\\ \t\xC3\xBC 100%', frames 0.10000000000000001, dialog 1, keyFire 102, "
                       "fullscreen 0, keyQuit 27, logConsole 0, skin default");

    std::string script = archive::readFile(settingsFile());
    EXPECT_NE(script.find("\nkeyFire = KEY_f\n"), std::string::npos) << script;
    EXPECT_NE(script.find("\ndialog = on\n"), std::string::npos) << script;
    EXPECT_NE(script.find("\nfullscreen = off\n"), std::string::npos) << "the value in force, from -windowed";
    EXPECT_NE(script.find("\nkeyQuit = KEY_ESCAPE\n"), std::string::npos) << script;
    EXPECT_EQ(permissions(home + "/config/pgame"), 0700u);
    EXPECT_EQ(permissions(settingsFile()), 0600u);

    RunResult second = run.run({"--name=pgame"}, 60);
    EXPECT_EQ(second.exitCode, 0) << second.standardError;
    EXPECT_EQ(values(second, "setUp"), written) << script;
    EXPECT_FALSE(second.contains("readPlayerSettings")) << second.standardError;
}

TEST_F(PlayerRun, SavesLandInTheDataFolderAndNamesThatWouldLeaveItAreRefused)
{
    RunResult saved = start({"--name=pgame", "--save=slot:first", "--save=slot:second", "--load=missing"});
    EXPECT_TRUE(saved.hasLine("player save 'slot': saved")) << saved.standardError;
    EXPECT_TRUE(saved.hasLine("player load 'missing': nothing")) << saved.standardError;
    EXPECT_FALSE(saved.contains("loadPlayerFile")) << "no file yet is no fault\n" << saved.standardError;
    EXPECT_EQ(archive::readFile(home + "/data/pgame/slot"), "second");
    EXPECT_EQ(permissions(home + "/data/pgame/slot"), 0600u);

    RunResult loaded = start({"--name=pgame", "--load=slot"});
    EXPECT_TRUE(loaded.hasLine("player load 'slot': 'second'")) << loaded.standardError;

    for (const std::string &name : {std::string("../escape"), std::string(".."), std::string(""),
                                    std::string("a/b"), std::string("tab\tname")}) {
        RunResult refused = start({"--name=pgame", "--save=" + name + ":x"});
        EXPECT_TRUE(refused.contains("ERROR: savePlayerFile ('" + name + "'): not a plain file name"))
            << refused.standardError;
        EXPECT_TRUE(refused.hasLine("player save '" + name + "': failed")) << refused.standardError;
    }
    EXPECT_FALSE(fs::exists(home + "/data/escape"));
    std::vector<std::string> files;
    for (const auto &entry : fs::directory_iterator(home + "/data/pgame"))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"slot"}) << "nothing else, no temporary file";
}

TEST_F(PlayerRun, SaveReplacesALinkAtItsNameInsteadOfWritingThroughIt)
{
    writeAll(home + "/elsewhere", "not the game's");
    fs::create_directories(home + "/data/pgame");
    fs::permissions(home + "/data/pgame", fs::perms::owner_all);
    fs::create_symlink(home + "/elsewhere", home + "/data/pgame/slot");
    RunResult result = start({"--name=pgame", "--save=slot:saved"});
    EXPECT_TRUE(result.hasLine("player save 'slot': saved")) << result.standardError;
    EXPECT_EQ(archive::readFile(home + "/elsewhere"), "not the game's");
    EXPECT_FALSE(fs::is_symlink(home + "/data/pgame/slot"));
    EXPECT_EQ(archive::readFile(home + "/data/pgame/slot"), "saved");

    // The game's folder itself must not be a link either.
    fs::remove_all(home + "/data/pgame");
    fs::create_directories(home + "/other");
    fs::create_symlink(home + "/other", home + "/data/pgame");
    RunResult linked = start({"--name=pgame", "--save=slot:saved"});
    EXPECT_TRUE(linked.hasLine("savePlayerFile ('slot'): '" + home + "/data/pgame' is not a folder of the player's own"))
        << linked.standardError;
    EXPECT_TRUE(fs::is_empty(home + "/other"));
}

TEST_F(PlayerRun, GameWithoutANameOrWithABadOneKeepsNothingOfThePlayers)
{
    run.writeConfig("greeting = 'shipped'\n");
    writeAll(settingsFile(), "greeting = 'mine'\n");
    RunResult unnamed = start({"--save=slot:x"});
    EXPECT_EQ(values(unnamed, "setUp").rfind("greeting 'shipped',", 0), 0u) << unnamed.standardError;
    EXPECT_TRUE(unnamed.hasLine("ERROR: savePlayerFile ('slot'): the game has no name (setGameName)"))
        << unnamed.standardError;

    RunResult badName = start({"--name=../pgame"});
    EXPECT_TRUE(badName.contains("ERROR: setGameName ('../pgame'): not a plain folder name")) << badName.standardError;
    EXPECT_EQ(values(badName, "setUp").rfind("greeting 'shipped',", 0), 0u) << badName.standardError;
    EXPECT_FALSE(fs::exists(home + "/data")) << "nothing made in the player's home";
    EXPECT_FALSE(fs::exists(home + "/state"));
}

TEST_F(PlayerRun, WritableRunDirectoryKeepsItsLog)
{
    RunResult result = start({"--name=pgame", "-logconsole"});
    EXPECT_NE(run.readFile("console.log").find("player setUp: "), std::string::npos) << result.standardError;
    EXPECT_FALSE(fs::exists(home + "/state"));
}

TEST_F(PlayerRun, ReadOnlyRunDirectoryPutsTheLogInTheStateFolder)
{
    const std::string runPath = run.path();
    // The run directory of an installed game: read-only for its user. Root writes anywhere but on a read-only
    // mount, so as root the run directory becomes one, in a mount namespace of this test process alone.
    bool mounted = false;
    if (geteuid() == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(runPath.c_str(), runPath.c_str(), nullptr, MS_BIND, nullptr) != 0)
            GTEST_SKIP() << "root without a mount namespace of its own cannot have a read-only run directory";
        mounted = true;
        ASSERT_EQ(mount(nullptr, runPath.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
    } else {
        fs::permissions(runPath, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    }
    RunResult named = run.run({"--name=pgame", "-logconsole", "-windowed"}, 60);
    RunResult unnamed = run.run({"-logconsole", "-windowed"}, 60);
    if (mounted)
        umount2(runPath.c_str(), MNT_DETACH);
    else
        fs::permissions(runPath, fs::perms::owner_all, fs::perm_options::add);

    EXPECT_EQ(named.exitCode, 0) << named.standardError;
    std::string log = archive::readFile(home + "/state/pgame/console.log");
    EXPECT_NE(log.find("player setUp: "), std::string::npos) << named.standardError;
    EXPECT_EQ(permissions(home + "/state/pgame"), 0700u);
    EXPECT_FALSE(run.exists("console.log"));
    EXPECT_EQ(unnamed.exitCode, 0) << "a game without a name logs nowhere, as before\n" << unnamed.standardError;
    EXPECT_EQ(archive::readFile(home + "/state/pgame/console.log"), log);
}
