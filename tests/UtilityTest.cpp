// Path and text utilities: the bounded formatter, strdup, the last path component, the rectangle overlap test,
// and the run directory found from argv[0] through real files, symbolic links and "PATH".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <string>

#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "RunDirectory.h"
#include "Utility.h"

namespace fs = std::filesystem;

TEST(BoundedFormatter, LongResultIsCutToMaxLenAndTerminated)
{
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    std::string text(300, 'y');
    zarvello::snprintf(255, buffer, "%s", text.c_str());
    EXPECT_EQ(std::string(buffer), std::string(255, 'y'));
    EXPECT_EQ(buffer[256], '#') << "nothing is written past maxLen + 1 bytes";
}

TEST(BoundedFormatter, ShortResultIsZeroPaddedUpToMaxLen)
{
    char buffer[20];
    std::memset(buffer, '#', sizeof buffer);
    zarvello::snprintf(10, buffer, "%s%c%d", "ab", '/', 7);
    EXPECT_STREQ(buffer, "ab/7");
    for (int i = 4; i <= 10; ++i)
        EXPECT_EQ(buffer[i], '\0') << i;
    EXPECT_EQ(buffer[11], '#');
}

TEST(BoundedFormatter, MaxLenZeroLeavesOnlyTheTerminator)
{
    char buffer[2] = {'#', '#'};
    zarvello::snprintf(0, buffer, "%s", "text");
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');
}

TEST(BoundedFormatter, NegativeMaxLenWritesNothing)
{
    char buffer[2] = {'#', '#'};
    zarvello::snprintf(-1, buffer, "%s", "text");
    EXPECT_EQ(buffer[0], '#');
}

TEST(BoundedFormatter, FormattedTextIsCutAt1024CharactersBeforeMaxLen)
{
    std::string buffer(4000, '#');
    std::string text(3000, 'z');
    zarvello::snprintf(3500, &buffer[0], "%s", text.c_str());
    EXPECT_EQ(std::strlen(buffer.c_str()), 1024u);
    EXPECT_EQ(buffer[3501], '#');
}

TEST(BoundedFormatter, WideConversionsStayInsideTheBuffer)
{
    char buffer[256];
    zarvello::snprintf(255, buffer, "%5000d", 42);
    EXPECT_EQ(std::strlen(buffer), 255u);
    EXPECT_EQ(buffer[0], ' ');
}

TEST(BoundedFormatter, TextThatCannotBeFormattedGivesAnEmptyResult)
{
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    zarvello::snprintf(10, buffer, "x%lsy", L"\u00e9");
    EXPECT_STREQ(buffer, "");
}

TEST(Strdup, CopyIsEqualAndIndependent)
{
    char original[] = "gfx/skins";
    char *copy = zarvello::strdup(original);
    original[0] = 'X';
    std::string copied = copy;
    bool distinct = copy != original;
    mem_dealloc(copy);
    EXPECT_EQ(copied, "gfx/skins");
    EXPECT_TRUE(distinct);

    Uint32 before = totalAllocatedMemory();
    char *empty = zarvello::strdup("");
    Uint32 during = totalAllocatedMemory();
    char first = empty[0];
    mem_dealloc(empty);
    EXPECT_EQ(first, '\0');
    EXPECT_EQ(during - before, 1u);
}

TEST(FileComponentOfPath, GivesTheNameAfterTheLastSlash)
{
    char path[] = "/gfx/skins/default.skin";
    EXPECT_EQ(fileComponentOfPath(path), path + 11);
    EXPECT_STREQ(fileComponentOfPath("/archive.nfi"), "archive.nfi");
}

TEST(FileComponentOfPath, BareNameOrTrailingSlashGivesThePathItself)
{
    char bare[] = "default.skin";
    char trailing[] = "/gfx/skins/";
    char slash[] = "/";
    char empty[] = "";
    EXPECT_EQ(fileComponentOfPath(bare), bare);
    EXPECT_EQ(fileComponentOfPath(trailing), trailing);
    EXPECT_EQ(fileComponentOfPath(slash), slash);
    EXPECT_EQ(fileComponentOfPath(empty), empty);
}

namespace {

SDL_Rect rect(Sint16 x, Sint16 y, Uint16 w, Uint16 h)
{
    SDL_Rect r;
    r.x = x;
    r.y = y;
    r.w = w;
    r.h = h;
    return r;
}

bool overlap(SDL_Rect a, SDL_Rect b)
{
    SDL_bool ab = rectsOverlap(&a, &b);
    SDL_bool ba = rectsOverlap(&b, &a);
    EXPECT_EQ(ab, ba) << "overlap is symmetric";
    return ab == SDL_TRUE;
}

}  // namespace

TEST(RectsOverlap, RectanglesSharingOnlyAnEdgeDoNotOverlap)
{
    EXPECT_FALSE(overlap(rect(0, 0, 10, 10), rect(10, 0, 10, 10)));
    EXPECT_FALSE(overlap(rect(0, 0, 10, 10), rect(0, 10, 10, 10)));
    EXPECT_TRUE(overlap(rect(0, 0, 10, 10), rect(9, 9, 10, 10)));
}

TEST(RectsOverlap, ARectangleOverlapsItselfAndContainedRectangles)
{
    EXPECT_TRUE(overlap(rect(5, 5, 20, 30), rect(5, 5, 20, 30)));
    EXPECT_TRUE(overlap(rect(0, 0, 100, 100), rect(10, 10, 5, 5)));
    EXPECT_TRUE(overlap(rect(0, 0, 100, 100), rect(50, 50, 0, 0))) << "empty rectangle strictly inside";
}

TEST(RectsOverlap, ExtremeCoordinatesDoNotOverflow)
{
    EXPECT_TRUE(overlap(rect(-32768, -32768, 65535, 65535), rect(32766, 32766, 1, 1)));
    EXPECT_FALSE(overlap(rect(-32768, -32768, 65535, 65535), rect(32767, 32767, 1, 1)));
    EXPECT_FALSE(overlap(rect(-32768, -32768, 10, 10), rect(32767, 32767, 65535, 65535)));
    EXPECT_TRUE(overlap(rect(-5, -5, 10, 10), rect(0, 0, 1, 1)));
}

// executablePath caches its result for the life of the process, so it is tested through the real program: the
// program looks for "zarvello.conf" in the run directory it found and names that path in its warning when the
// file is missing.
namespace {

const char *realpathFailed = "realpath failed, data directory is relative to current directory";

// The run directory the program found, from its configuration warning; "?" when the warning is missing.
// With realpathFailedToo the "realpath failed" line must have been logged, otherwise it must not. No run
// directory here holds a skin, so every run ends at start-up instead of entering the main loop.
std::string runDirectoryFound(RunDirectory &run, bool realpathFailedToo = false)
{
    run.emptyDataDirectory();
    RunResult result = run.run({}, 20);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.hasLine(realpathFailed), realpathFailedToo) << result.standardError;
    const std::string prefix = "Warning: Config file '";
    const std::string suffix = "/zarvello.conf' could not be opened";
    for (const std::string &line : result.lines())
        if (line.compare(0, prefix.size(), prefix) == 0 && line.size() >= prefix.size() + suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            return line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    ADD_FAILURE() << "no configuration warning in:\n" << result.standardError;
    return "?";
}

void copyProgram(RunDirectory &run, const std::string &relativePath, bool executable = true)
{
    run.copyFile(ZARVELLO_PROGRAM, relativePath);
    chmod((run.path() + "/" + relativePath).c_str(), executable ? 0755 : 0644);
}

std::string resolved(const std::string &path)
{
    return fs::canonical(path).string();
}

}  // namespace

TEST(ExecutablePath, AbsoluteArgv0GivesItsDirectory)
{
    RunDirectory run;
    run.setArgv0(run.programPath());
    run.setWorkingDirectory("/");
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
}

TEST(ExecutablePath, RelativeArgv0IsResolvedAgainstTheCurrentDirectory)
{
    RunDirectory run;
    run.makeDirectory("sub");
    run.setArgv0("./sub/../" + run.programName());
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
}

TEST(ExecutablePath, SymbolicLinksAreResolvedToTheRealExecutable)
{
    RunDirectory run;
    RunDirectory elsewhere;
    fs::create_symlink(run.programPath(), elsewhere.path() + "/linked");
    fs::create_directory_symlink(run.path(), elsewhere.path() + "/dirlink");
    run.setWorkingDirectory(elsewhere.path());
    run.setArgv0(elsewhere.path() + "/linked");
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
    run.setArgv0("dirlink/" + run.programName());
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
}

TEST(ExecutablePath, BareNameIsFoundAlongPathSkippingUnusableMatches)
{
    RunDirectory run;
    std::string root = run.path();
    std::string name = run.programName();
    copyProgram(run, "first/" + name, false);  // not executable
    run.makeDirectory("second/" + name);       // not a regular file
    copyProgram(run, "third/" + name);
    copyProgram(run, "fourth/" + name);
    run.setArgv0(name);
    run.setEnv("PATH", root + "/nothing:" + root + "/first:" + root + "/second:" + root + "/third:" + root + "/fourth");
    EXPECT_EQ(runDirectoryFound(run), resolved(root + "/third"));
}

TEST(ExecutablePath, EmptyPathElementStandsForTheCurrentDirectory)
{
    RunDirectory run;
    std::string root = run.path();
    std::string name = run.programName();
    copyProgram(run, "here/" + name);
    copyProgram(run, "later/" + name);
    run.setArgv0(name);
    run.setWorkingDirectory(root + "/here");
    for (std::string path : {root + "/none::" + root + "/later", ":" + root + "/later", root + "/none:"}) {
        run.setEnv("PATH", path);
        EXPECT_EQ(runDirectoryFound(run), resolved(root + "/here")) << path;
    }
}

TEST(ExecutablePath, OneCharacterPathElementIsNotTheCurrentDirectory)
{
    RunDirectory run;
    std::string root = run.path();
    std::string name = run.programName();
    copyProgram(run, "here/" + name);
    copyProgram(run, "later/" + name);
    run.setArgv0(name);
    run.setWorkingDirectory(root + "/here");
    run.setEnv("PATH", "/:" + root + "/later");
    EXPECT_EQ(runDirectoryFound(run), resolved(root + "/later"));
}

TEST(ExecutablePath, TildeInPathIsTheHomeDirectory)
{
    RunDirectory run;
    std::string root = run.path();
    std::string name = run.programName();
    copyProgram(run, "home/bin/" + name);
    run.setArgv0(name);
    run.setEnv("HOME", root + "/home");
    run.setEnv("PATH", "~/bin");
    EXPECT_EQ(runDirectoryFound(run), resolved(root + "/home/bin"));

    // Without HOME the element is taken literally, matches nothing, and the name is taken from the current
    // directory (the run directory).
    run.unsetEnv("HOME");
    EXPECT_EQ(runDirectoryFound(run), resolved(root));
}

TEST(ExecutablePath, BareNameInNoPathElementIsTakenFromTheCurrentDirectory)
{
    RunDirectory run;
    run.setArgv0(run.programName());
    run.setEnv("PATH", "/nonexistent-a:/nonexistent-b");
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
}

TEST(ExecutablePath, AbsentPathAndHomeDoNotFail)
{
    RunDirectory run;
    run.setArgv0(run.programName());
    run.unsetEnv("PATH");
    run.unsetEnv("HOME");
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
}

TEST(ExecutablePath, UnresolvableExecutableFallsBackToTheCurrentDirectory)
{
    RunDirectory run;
    RunDirectory cwd;
    cwd.emptyDataDirectory();
    run.setWorkingDirectory(cwd.path());
    run.setEnv("PATH", "/nonexistent");
    run.setArgv0("no-such-program");
    EXPECT_EQ(runDirectoryFound(run, true), ".");
    run.setArgv0(run.path() + "/missing/zarvello");
    EXPECT_EQ(runDirectoryFound(run, true), ".");
}

TEST(ExecutablePath, Argv0Of256CharactersOrMoreIsRefused)
{
    RunDirectory run;
    run.setWorkingDirectory("/");
    // Extra leading slashes keep naming the same file, so only the length decides.
    std::string accepted = std::string(255 - run.programPath().size(), '/') + run.programPath();
    ASSERT_EQ(accepted.size(), 255u);
    run.setArgv0(accepted);
    EXPECT_EQ(runDirectoryFound(run), resolved(run.path()));
    run.setArgv0("/" + accepted);
    EXPECT_EQ(runDirectoryFound(run, true), ".");
    run.setArgv0(std::string(5000, '/') + run.programPath());
    EXPECT_EQ(runDirectoryFound(run, true), ".");
}

TEST(ExecutablePath, ExecutablePathOf256CharactersOrMoreFallsBackToTheCurrentDirectory)
{
    RunDirectory run(ZARVELLO_PROGRAM, 250);
    EXPECT_EQ(runDirectoryFound(run, true), ".");
}

TEST(DefaultDataPath, IsTheRunDirectoryWithData)
{
    RunDirectory run;
    ChildResult child = runInChild([&] {
        logConsole = SDL_FALSE;
        displayConsole = SDL_FALSE;
        std::string runDirectory = executablePath(run.programPath().c_str());
        std::string first = defaultDataPath(nullptr);
        std::string again = defaultDataPath("/elsewhere/zarvello");
        return first == again && first == runDirectory + "/data" ? std::string("ok") : first + " " + again;
    });
    EXPECT_EQ(child.output, "ok");
}

namespace {

// The source text without comments and without the contents of string and character literals.
std::string codeOnly(const std::string &text)
{
    std::string code;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            code += '\n';
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            std::size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 1;
            code += ' ';
        } else if (c == '"' || c == '\'') {
            code += c;
            for (++i; i < text.size() && text[i] != c; ++i)
                if (text[i] == '\\')
                    ++i;
            code += c;
        } else {
            code += c;
        }
    }
    return code;
}

bool endsWith(const std::string &text, std::size_t end, const std::string &suffix)
{
    return end >= suffix.size() && text.compare(end - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

// The engine's snprintf, vsnprintf and strdup share their names with the C library's; every call must name the
// engine's (or, for a plain C formatting into a sized buffer, the standard library's) explicitly.
TEST(EngineSources, NeverCallTheCLibrarysStrdupOrSnprintfUnqualified)
{
    std::vector<std::string> offenders;
    int filesScanned = 0;
    for (const char *directory : {"src", "tools"}) {
        fs::path root = fs::path(ZARVELLO_SOURCE_DIR) / directory;
        if (!fs::exists(root))
            continue;
        for (const auto &entry : fs::recursive_directory_iterator(root)) {
            std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h" && extension != ".c"))
                continue;
            ++filesScanned;
            std::ifstream in(entry.path());
            std::string code = codeOnly(std::string(std::istreambuf_iterator<char>(in), {}));
            bool declaresThem = entry.path().filename() == "Utility.cpp" || entry.path().filename() == "Utility.h";
            for (const char *name : {"snprintf", "vsnprintf", "strdup"}) {
                std::string word = name;
                for (std::size_t at = code.find(word); at != std::string::npos; at = code.find(word, at + 1)) {
                    std::size_t after = at + word.size();
                    bool wordStart = at == 0 || !(std::isalnum(static_cast<unsigned char>(code[at - 1])) ||
                                                  code[at - 1] == '_');
                    while (after < code.size() && std::isspace(static_cast<unsigned char>(code[after])))
                        ++after;
                    if (!wordStart || after >= code.size() || code[after] != '(')
                        continue;
                    if (endsWith(code, at, "zarvello::") || endsWith(code, at, "std::"))
                        continue;
                    if (declaresThem && (endsWith(code, at, "void ") || endsWith(code, at, "char *")))
                        continue;
                    std::size_t line = 1 + static_cast<std::size_t>(std::count(code.begin(), code.begin() + at, '\n'));
                    offenders.push_back(entry.path().string() + ":" + std::to_string(line) + ": " + word);
                }
            }
        }
    }
    EXPECT_GT(filesScanned, 10);
    EXPECT_TRUE(offenders.empty()) << [&] {
        std::string all;
        for (const std::string &o : offenders)
            all += o + "\n";
        return all;
    }();
}
