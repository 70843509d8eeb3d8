// Player data in the test process: the game's name and the folders it gives by the base directory rules, and the
// save that replaces a file whole: a writer killed at random moments leaves the old content or the new one every
// time, and a write that fails (the file-size limit, as on a full disk) leaves the old file and says why. Each
// case that changes the environment or the game's name runs in a child process.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "ConfigTable.h"
#include "Console.h"
#include "PlayerData.h"
#include "ArchiveWriter.h"
#include "RunDirectory.h"
#include "Utility.h"

namespace fs = std::filesystem;

namespace {

// The run directory is the test program's, known before the console's first line (which would otherwise say it is
// not).
void knowRunDirectory()
{
    executablePath("/proc/self/exe");
}

// A scratch folder as the player's home, with the three base directories below it.
class PlayerHome : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zarvello-player-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(home, ignored);
    }

    // In a child: the environment points at home, the console is quiet, the game is named "saver".
    void becomeGame() const
    {
        knowRunDirectory();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
        logConsole = SDL_FALSE;
        displayConsole = SDL_TRUE;
        setGameName("saver");
    }

    std::string home;
};

}  // namespace

TEST_F(PlayerHome, GameNamesThatAreNoPlainFolderNameAreRefused)
{
    ChildResult child = runInChild([&] {
        knowRunDirectory();
        logConsole = SDL_FALSE;
        displayConsole = SDL_FALSE;
        std::string refused;
        for (const char *name : std::initializer_list<const char *>{"", ".", "..", "a/b", "/abs", "tab\there", "del\x7f",
                                                                   nullptr})
            if (setGameName(name) == SDL_FALSE)
                refused += "x";
        std::string tooLong(65, 'g');
        refused += setGameName(tooLong.c_str()) == SDL_FALSE ? "x" : "-";
        refused += setGameName(std::string(64, 'g').c_str()) == SDL_TRUE ? "+" : "-";
        refused += setGameName("Space Walker 2") == SDL_TRUE ? "+" : "-";
        refused += setGameName("..") == SDL_FALSE && std::string(gameName()) == "Space Walker 2" ? "=" : "-";
        std::string last = Console::lineAtIndex(Console::totalLines() - 1);
        Console::destroyConsole();
        return refused + " " + last;
    });
    EXPECT_EQ(child.output.substr(0, 12), "xxxxxxxxx++=") << child.standardError;
    EXPECT_NE(child.output.find("ERROR: setGameName ('..'): not a plain folder name"), std::string::npos)
        << child.output;
}

TEST_F(PlayerHome, FoldersFollowTheBaseDirectoryRulesAndAreMadeOwnerOnly)
{
    ChildResult child = runInChild([&] {
        knowRunDirectory();
        logConsole = SDL_FALSE;
        displayConsole = SDL_FALSE;
        std::string out;
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_STATE_HOME");
        setenv("HOME", home.c_str(), 1);
        out += playerFolderPath(PLAYER_DATA) ? "named?" : "none";
        setGameName("g");
        out += std::string("|") + playerFolderPath(PLAYER_CONFIG) + "|" + playerFolderPath(PLAYER_DATA) + "|" +
               playerFolderPath(PLAYER_STATE);
        setenv("XDG_DATA_HOME", (home + "/xdg data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", "not/absolute", 1);
        setenv("XDG_STATE_HOME", "", 1);
        out += std::string("|") + playerFolderPath(PLAYER_CONFIG) + "|" + playerFolderPath(PLAYER_DATA) + "|" +
               playerFolderPath(PLAYER_STATE);
        const char *made = playerFolder(PLAYER_DATA);
        out += std::string("|") + (made ? made : "null");
        unsetenv("HOME");
        unsetenv("XDG_DATA_HOME");
        out += std::string("|") + (playerFolderPath(PLAYER_DATA) ? "path" : "no home");
        Console::destroyConsole();
        return out;
    });
    const std::string h = home;
    EXPECT_EQ(child.output, "none|" + h + "/.config/g|" + h + "/.local/share/g|" + h + "/.local/state/g|" + h +
                                "/.config/g|" + h + "/xdg data/g|" + h + "/.local/state/g|" + h +
                                "/xdg data/g|no home")
        << child.standardError;
    struct stat status;
    ASSERT_EQ(stat((home + "/xdg data/g").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((home + "/xdg data").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_FALSE(fs::exists(home + "/.config")) << "only the folder asked for is made";
}

TEST_F(PlayerHome, ExistingBaseDirectoryKeepsItsPermissions)
{
    fs::create_directories(home + "/data");
    chmod((home + "/data").c_str(), 0755);
    ChildResult child = runInChild([&] {
        becomeGame();
        std::string out = savePlayerFile("slot", "x", 1) == SDL_TRUE ? "saved" : "failed";
        Console::destroyConsole();
        return out;
    });
    EXPECT_EQ(child.output, "saved") << child.standardError;
    struct stat status;
    ASSERT_EQ(stat((home + "/data").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0755u);
}

TEST_F(PlayerHome, WriterKilledAtRandomMomentsLeavesTheOldOrTheNewContentEveryTime)
{
    // Two contents of different lengths and bytes, so that any mix or cut is seen.
    const std::string first(96 * 1024, 'a');
    const std::string second(64 * 1024 + 17, 'b');
    ChildResult setUp = runInChild([&] {
        becomeGame();
        std::string out = savePlayerFile("slot", first.data(), Uint32(first.size())) == SDL_TRUE ? "ok" : "failed";
        Console::destroyConsole();
        return out;
    });
    ASSERT_EQ(setUp.output, "ok") << setUp.standardError;
    const std::string slot = home + "/data/saver/slot";

    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> moment(0, 40000);
    int sawFirst = 0, sawSecond = 0, midWrite = 0;
    for (int kill = 0; kill < 200; ++kill) {
        pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            becomeGame();
            for (int n = 0;; ++n) {
                const std::string &content = n % 2 ? first : second;
                savePlayerFile("slot", content.data(), Uint32(content.size()));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status));
        std::string content = archive::readFile(slot);
        ASSERT_TRUE(content == first || content == second)
            << "kill " << kill << " left " << content.size() << " bytes";
        (content == first ? sawFirst : sawSecond)++;
        for (const auto &entry : fs::directory_iterator(home + "/data/saver"))
            if (entry.path().filename() != "slot") {
                ++midWrite;
                break;
            }
    }
    // The kills fell between saves of both kinds, not only before the first one.
    EXPECT_GT(sawFirst, 0);
    EXPECT_GT(sawSecond, 0);
    // Some kills came while a temporary file was being written: it was left behind.
    EXPECT_GT(midWrite, 0);
    std::fprintf(stderr, "%d kills left the first content, %d the second; %d came in the middle of a write\n",
                 sawFirst, sawSecond, midWrite);

    // A later save removes the temporary files the killed writers left.
    ChildResult last = runInChild([&] {
        becomeGame();
        std::string out = savePlayerFile("slot", "done", 4) == SDL_TRUE ? "ok" : "failed";
        Console::destroyConsole();
        return out;
    });
    EXPECT_EQ(last.output, "ok") << last.standardError;
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(home + "/data/saver"))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"slot"});
    EXPECT_EQ(archive::readFile(slot), "done");
}

TEST_F(PlayerHome, WriteThatFailsLeavesTheOldFileAndSaysWhy)
{
    ChildResult child = runInChild([&] {
        becomeGame();
        std::string old = "the old high scores";
        std::string out = savePlayerFile("scores", old.data(), Uint32(old.size())) == SDL_TRUE ? "saved" : "failed";
        // As on a full disk: no file may grow past 4 KiB, and the signal that would end the process is ignored.
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string big(100000, 'n');
        out += savePlayerFile("scores", big.data(), Uint32(big.size())) == SDL_TRUE ? " saved" : " failed";
        out += std::string(" ") + Console::lineAtIndex(Console::totalLines() - 1);
        Console::destroyConsole();
        return out;
    });
    EXPECT_EQ(child.output, "saved failed savePlayerFile ('scores'): File too large") << child.standardError;
    EXPECT_EQ(archive::readFile(home + "/data/saver/scores"), "the old high scores");
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(home + "/data/saver"))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"scores"}) << "the temporary file is gone";
}

TEST_F(PlayerHome, LoadTellsAFileTooLargeForTheBufferAndReadsExactlyWhatWasSaved)
{
    ChildResult child = runInChild([&] {
        becomeGame();
        std::string out;
        char buffer[8];
        out += std::to_string(loadPlayerFile("none", buffer, sizeof buffer)) + " ";
        out += std::to_string(Console::totalLines()) + " ";
        savePlayerFile("eight", "12345678", 8);
        savePlayerFile("empty", "", 0);
        savePlayerFile("nine", "123456789", 9);
        out += std::to_string(loadPlayerFile("eight", buffer, sizeof buffer));
        out += std::string(buffer, 8) + " ";
        out += std::to_string(loadPlayerFile("empty", buffer, sizeof buffer)) + " ";
        out += std::to_string(loadPlayerFile("nine", buffer, sizeof buffer)) + " ";
        out += Console::lineAtIndex(Console::totalLines() - 1);
        Console::destroyConsole();
        return out;
    });
    EXPECT_EQ(child.output, "-1 0 812345678 0 -1 loadPlayerFile ('nine'): 9 bytes do not fit in a buffer of 8")
        << child.standardError;
}
