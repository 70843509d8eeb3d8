// TestSupport: what many unit tests share: a fixture that keeps the console quiet and empties it, a fixture
// with a scratch directory for a data test's files, an idle terminal, the console lines a test produced, and
// rectangle equality.
// Depends on: GoogleTest, SDL's rectangle type, the engine's console and its switches, the data loader,
// ArchiveWriter.h.
#ifndef ZARVELLO_TESTS_TESTSUPPORT_H
#define ZARVELLO_TESTS_TESTSUPPORT_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <SDL_video.h>

#include "ArchiveWriter.h"
#include "ConfigTable.h"
#include "Console.h"
#include "NFILoader.h"

// Turns the console's echo and its log file off.
inline void quietConsole()
{
    logConsole = SDL_FALSE;
    displayConsole = SDL_FALSE;
}

// Makes a fresh directory "/tmp/zarvello-<purpose>-XXXXXX" and gives its path; "" when none could be made.
inline std::string makeScratchDirectory(const std::string &purpose)
{
    std::string pattern = "/tmp/zarvello-" + purpose + "-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

// Neither echo nor log file, an empty console at the start, and no console left behind.
class QuietConsole : public ::testing::Test {
protected:
    void SetUp() override
    {
        quietConsole();
        Console::clearBuffer();
    }
    void TearDown() override { Console::destroyConsole(); }
};

// A directory under /tmp, `root`, for the archives and files a data test writes; the data loader and the
// console are taken down and the directory removed after the test.
class ScratchRootTest : public ::testing::Test {
protected:
    // Quiets the console and makes root as "/tmp/zarvello-<purpose>-XXXXXX".
    void makeRoot(const std::string &purpose)
    {
        quietConsole();
        root = makeScratchDirectory(purpose);
        ASSERT_FALSE(root.empty());
    }

    void TearDown() override
    {
        delete NFILoader::globalLoader();
        Console::destroyConsole();
        std::filesystem::remove_all(root);
    }

    std::string path(const std::string &relative) const { return root + "/" + relative; }

    // Writes bytes to the file at relative below root, making its directories.
    void write(const std::string &relative, const std::string &bytes)
    {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        archive::writeFile(path(relative), bytes);
    }

    std::string root;
};

// A terminal (the far side of a pseudo-terminal) that nobody types at: a read from it waits for ever.
class IdleTerminal {
public:
    IdleTerminal() : master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            path = ptsname(master);
    }
    ~IdleTerminal()
    {
        if (master >= 0)
            close(master);
    }
    IdleTerminal(const IdleTerminal &) = delete;
    IdleTerminal &operator=(const IdleTerminal &) = delete;

    // The terminal's device path, "" when none could be had.
    std::string path;

private:
    int master;
};

inline std::vector<std::string> consoleLines()
{
    std::vector<std::string> lines;
    for (Sint32 i = 0; i < Console::totalLines(); ++i)
        lines.push_back(Console::lineAtIndex(i));
    return lines;
}

inline int linesEqualTo(const std::string &text)
{
    int count = 0;
    for (Sint32 i = 0; i < Console::totalLines(); ++i)
        if (text == Console::lineAtIndex(i))
            ++count;
    return count;
}

inline std::string lastLine()
{
    return Console::lineAtIndex(Console::totalLines() - 1);
}

inline bool sameRect(const SDL_Rect &a, const SDL_Rect &b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

#endif
