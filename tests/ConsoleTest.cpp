// Console: splitting into lines, the held-line limit with its trimming, reading lines back, the echo on
// standard error and the log file beside the executable (a regular file only).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "RunDirectory.h"
#include "TestSupport.h"
#include "Utility.h"

namespace {

class ConsoleLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        quietConsole();
        Console::clearBuffer();
    }
    void TearDown() override
    {
        Console::destroyConsole();
        quietConsole();
    }
};

std::vector<std::string> heldLines()
{
    std::vector<std::string> lines;
    for (Sint32 i = 0; i < Console::totalLines(); ++i)
        lines.push_back(Console::lineAtIndex(i));
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(ConsoleLog, EachNewlineSeparatedPieceBecomesALine)
{
    Console::addString("%s", "two\nwords");
    EXPECT_EQ(heldLines(), (Lines{"two", "words"}));
}

TEST_F(ConsoleLog, TextEndingInNewlineLeavesAnEmptyLineAfterIt)
{
    Console::addString("Couldn't initialize SDL: %s\n", "no timer");
    EXPECT_EQ(heldLines(), (Lines{"Couldn't initialize SDL: no timer", ""}));
}

TEST_F(ConsoleLog, NewlinesInARowGiveEmptyLinesBetween)
{
    Console::addString("%s", "a\n\nb");
    EXPECT_EQ(heldLines(), (Lines{"a", "", "b"}));
}

TEST_F(ConsoleLog, ASingleNewlineGivesTwoEmptyLines)
{
    Console::addString("%s", "\n");
    EXPECT_EQ(heldLines(), (Lines{"", ""}));
}

TEST_F(ConsoleLog, EmptyTextAddsNothing)
{
    Console::addString("%s", "");
    EXPECT_EQ(Console::totalLines(), 0);
}

TEST_F(ConsoleLog, LinesAreFormattedLikePrintf)
{
    Console::addString("Error in '%s' at %d%c", "zarvello.conf", 12, '!');
    EXPECT_EQ(heldLines(), (Lines{"Error in 'zarvello.conf' at 12!"}));
}

TEST_F(ConsoleLog, IndexesOutsideTheHeldLinesGiveTheOutOfBoundsText)
{
    EXPECT_STREQ(Console::lineAtIndex(0), "Index out of bounds");
    Console::addString("only");
    EXPECT_STREQ(Console::lineAtIndex(0), "only");
    EXPECT_STREQ(Console::lineAtIndex(-1), "Index out of bounds");
    EXPECT_STREQ(Console::lineAtIndex(Console::totalLines()), "Index out of bounds");
    EXPECT_STREQ(Console::lineAtIndex(2147483647), "Index out of bounds");
    EXPECT_STREQ(Console::lineAtIndex(-2147483647 - 1), "Index out of bounds");
}

TEST_F(ConsoleLog, FullConsoleDropsTheOldest4095LinesAtOnce)
{
    for (int i = 1; i <= 16383; ++i)
        Console::addString("line %d", i);
    EXPECT_EQ(Console::totalLines(), 16383);
    EXPECT_STREQ(Console::lineAtIndex(0), "line 1");
    EXPECT_STREQ(Console::lineAtIndex(16382), "line 16383");

    Console::addString("line %d", 16384);
    EXPECT_EQ(Console::totalLines(), 12289);
    EXPECT_STREQ(Console::lineAtIndex(0), "line 4096");
    EXPECT_STREQ(Console::lineAtIndex(12288), "line 16384");

    // From then on the count cycles between 12289 and 16383.
    for (int i = 16385; i <= 16384 + 4094; ++i)
        Console::addString("line %d", i);
    EXPECT_EQ(Console::totalLines(), 16383);
    Console::addString("line %d", 16384 + 4095);
    EXPECT_EQ(Console::totalLines(), 12289);
    EXPECT_STREQ(Console::lineAtIndex(0), "line 8191");
}

TEST_F(ConsoleLog, TextPast1024CharactersIsCutThere)
{
    std::string longText(5000, 'x');
    Console::addString("%s", longText.c_str());
    Console::addString("%3000d|", 7);
    ASSERT_EQ(Console::totalLines(), 2);
    EXPECT_EQ(std::string(Console::lineAtIndex(0)), std::string(1024, 'x'));
    EXPECT_EQ(std::string(Console::lineAtIndex(1)).size(), 1024u);
}

TEST_F(ConsoleLog, LongTextWithNewlinesIsSplitWithinTheFirst1024Characters)
{
    std::string text = std::string(1000, 'a') + "\n" + std::string(1000, 'b');
    Console::addString("%s", text.c_str());
    EXPECT_EQ(heldLines(), (Lines{std::string(1000, 'a'), std::string(23, 'b')}));
}

TEST_F(ConsoleLog, DestroyingTheConsoleFreesEveryLine)
{
    Console::destroyConsole();
    Uint32 before = totalAllocatedMemory();
    for (int i = 0; i < 20000; ++i)
        Console::addString("some line %d", i);
    Console::destroyConsole();
    Console::destroyConsole();
    EXPECT_EQ(totalAllocatedMemory(), before);
    EXPECT_EQ(Console::totalLines(), 0);
}

TEST_F(ConsoleLog, ClearBufferDropsHeldLines)
{
    Console::addString("a\nb\nc");
    Console::clearBuffer();
    EXPECT_EQ(Console::totalLines(), 0);
    Console::addString("d");
    EXPECT_EQ(heldLines(), (Lines{"d"}));
}

// The log file's place comes from the run directory, which is computed once per process: these run in a child
// of the test program that starts a fresh console whose run directory is a fresh RunDirectory (whether the
// test program had found a run directory before or fell back to the current directory).
namespace {

void useRunDirectory(const RunDirectory &run)
{
    logConsole = SDL_FALSE;
    displayConsole = SDL_FALSE;
    Console::destroyConsole();
    if (chdir(run.path().c_str()) != 0)
        std::abort();
    executablePath(run.programPath().c_str());
}

}  // namespace

TEST(ConsoleEcho, LinesAreEchoedOnStandardErrorOnlyWhileDisplayConsoleIsTrue)
{
    RunDirectory run;
    ChildResult child = runInChild([&] {
        useRunDirectory(run);
        displayConsole = SDL_TRUE;
        Console::addString("%s", "word\n");
        displayConsole = SDL_FALSE;
        Console::addString("hidden");
        const Uint32 two = 2;  // what "displayConsole = 2" stores: not 1, so off
        std::memcpy(&displayConsole, &two, sizeof two);
        Console::addString("also hidden");
        displayConsole = SDL_TRUE;
        Console::addString("shown");
        return std::to_string(Console::totalLines());
    });
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.standardError, "word\n\nshown\n");
    EXPECT_EQ(child.output, "5");
}

TEST(ConsoleLogFile, LinesAreAppendedToConsoleLogBesideTheExecutableWhileLogConsoleIsTrue)
{
    RunDirectory run;
    run.writeFile("console.log", "from an earlier run\n");
    ChildResult child = runInChild([&] {
        useRunDirectory(run);
        logConsole = SDL_TRUE;
        Console::addString("%s", "one\ntwo");
        std::string afterFirst = run.readFile("console.log");
        logConsole = SDL_FALSE;
        Console::addString("not logged");
        const Uint32 two = 2;
        std::memcpy(&logConsole, &two, sizeof two);
        Console::addString("not logged either");
        Console::clearBuffer();
        logConsole = SDL_TRUE;
        Console::addString("%s", "three\n");
        return afterFirst;
    });
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.output, "from an earlier run\none\ntwo\n") << "each line is in the file when the call returns";
    EXPECT_EQ(run.readFile("console.log"), "from an earlier run\none\ntwo\nthree\n\n");
    EXPECT_EQ(child.standardError, "");
}

TEST(ConsoleLogFile, UnwritableLogLocationIsSkippedSilently)
{
    RunDirectory run;
    run.makeDirectory("console.log");  // cannot be opened for appending, not even by root
    ChildResult child = runInChild([&] {
        useRunDirectory(run);
        logConsole = SDL_TRUE;
        Console::addString("first");
        Console::addString("second");
        return std::to_string(Console::totalLines()) + " " + Console::lineAtIndex(1);
    });
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.output, "2 second");
    EXPECT_EQ(child.standardError, "");
}

// A FIFO nobody reads takes no line, and logging never waits for a reader.
TEST(ConsoleLogFile, LogFileThatIsAFifoTakesNoLineAndNothingWaits)
{
    RunDirectory run;
    run.makeFifo("console.log");
    ChildResult child = runInChild([&] {
        useRunDirectory(run);
        logConsole = SDL_TRUE;
        Console::addString("first");
        Console::addString("second");
        return std::to_string(Console::totalLines());
    }, 20);
    EXPECT_FALSE(child.timedOut);
    EXPECT_EQ(child.output, "2");
    EXPECT_EQ(child.standardError, "");
}

TEST_F(ConsoleLog, TextThatCannotBeFormattedAddsNothing)
{
    // A wide character with no equivalent in the C locale's character set makes the formatting fail.
    Console::addString("before %ls after", L"\u00e9");
    EXPECT_EQ(Console::totalLines(), 0);
}
