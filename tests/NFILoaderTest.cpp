// The data loader through its public interface, on real files in a temporary directory: data paths and archives
// in their search order, every damaged archive form, the handle table, reads and seeks on loose files and members
// alike, and text lines. Archives come from the byte-by-byte writer in ArchiveWriter.h.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ArchiveWriter.h"
#include "CacheIndexSupport.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "NFILoader.h"
#include "RunDirectory.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

class DataLoader : public ScratchRootTest {
protected:
    void SetUp() override
    {
        Console::destroyConsole();
        ASSERT_NO_FATAL_FAILURE(makeRoot("data"));
    }

    NFILoader *loader() { return NFILoader::globalLoader(); }

    int countLinesStartingWith(const std::string &start) const
    {
        int count = 0;
        for (const std::string &l : consoleLines())
            count += l.rfind(start, 0) == 0;
        return count;
    }

    int countLines(const std::string &line) const
    {
        int count = 0;
        for (const std::string &l : consoleLines())
            count += l == line;
        return count;
    }

    // A handle on the member "/cut", which claims 10 bytes while its archive ends after the given bytes of it;
    // -1 when the archive is refused.
    NFIHandle memberCutShort(const std::string &bytes)
    {
        const std::string head =
            archive::fileHeader(13) + archive::dirHeader(1) + archive::dirEntry("/cut", 13 + 8 + 276, 10);
        write("cut.nfi", head + bytes);
        if (loader()->addNFIFile(path("cut.nfi").c_str()) == SDL_FALSE)
            return -1;
        return loader()->openFile("/cut");
    }

    // The whole file through a fresh handle; "<missing>" when it does not open.
    std::string contents(const char *name)
    {
        NFIHandle h = loader()->openFile(name);
        if (h == -1)
            return "<missing>";
        std::string bytes(static_cast<size_t>(loader()->fileSize(h)), '\0');
        EXPECT_EQ(loader()->readByteStream(h, bytes.data(), static_cast<Uint32>(bytes.size())), SDL_TRUE);
        loader()->closeFile(h);
        return bytes;
    }
};

// --- Data paths and archives: registration and console lines ---------------------------------------------

TEST_F(DataLoader, DataPathLosesOneTrailingSlashAndStillServesLooseFiles)
{
    write("a/x.txt", "loose");
    loader()->addDataPath((path("a") + "/").c_str());
    EXPECT_EQ(countLines("Data Loader initializing"), 1);
    EXPECT_EQ(countLines("Adding data path '" + path("a") + "'"), 1);
    EXPECT_EQ(countLines("No Archive files found at path"), 1);
    ASSERT_NE(loader()->dataPathList(), nullptr);
    EXPECT_STREQ(loader()->dataPathList()->pathName, path("a").c_str());
    EXPECT_EQ(contents("/x.txt"), "loose");

    loader()->addDataPath((path("a") + "//").c_str());
    EXPECT_STREQ(loader()->dataPathList()->pathName, (path("a") + "/").c_str());
}

TEST_F(DataLoader, UnreadableDirectoryIsReportedAndStaysRegistered)
{
    loader()->addDataPath(path("nowhere").c_str());
    EXPECT_EQ(countLines("Unable to scan directory '" + path("nowhere") + "', skipping"), 1);
    EXPECT_EQ(countLines("No Archive files found at path"), 0);
    ASSERT_NE(loader()->dataPathList(), nullptr);
    EXPECT_STREQ(loader()->dataPathList()->pathName, path("nowhere").c_str());

    write("nowhere/late.txt", "arrived later");
    EXPECT_EQ(contents("/late.txt"), "arrived later");
}

TEST_F(DataLoader, AcceptedArchivesAreAnnouncedWithTheirFileCount)
{
    write("d/none.nfi", archive::build({}));
    write("d/one.nfi", archive::build({{"/a", "1"}}));
    write("d/two.nfi", archive::build({{"/b", "1"}, {"/c", "2"}}));
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(countLines("Adding Archive file 'none.nfi' (0 files)"), 1);
    EXPECT_EQ(countLines("Adding Archive file 'one.nfi' (1 file)"), 1);
    EXPECT_EQ(countLines("Adding Archive file 'two.nfi' (2 files)"), 1);
    EXPECT_EQ(countLines("No Archive files found at path"), 0);
    EXPECT_EQ(loader()->loadedNFICount(), 3u);
    int listed = 0;
    for (NFIFile *f = loader()->loadedNFIList(); f; f = f->next)
        ++listed;
    EXPECT_EQ(listed, 3);
}

TEST_F(DataLoader, OnlyNamesEndingInLowerCaseDotNfiAreTakenAsArchives)
{
    const std::string good = archive::build({{"/a", "1"}});
    for (const char *name : {"UPPER.NFI", "Mixed.Nfi", "x.nfi.bak", "x.nfix", "nfi", "x.nf"})
        write(std::string("d/") + name, good);
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(countLines("No Archive files found at path"), 1);
    EXPECT_EQ(loader()->loadedNFICount(), 0u);
}

TEST_F(DataLoader, DirectoryOfDamagedArchivesReportsEachAndNotThatNoneWasFound)
{
    write("d/bad1.nfi", "NFI");
    write("d/bad2.nfi", "");
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(countLines("Error adding Archive file 'bad1.nfi'"), 1);
    EXPECT_EQ(countLines("Error adding Archive file 'bad2.nfi'"), 1);
    EXPECT_EQ(countLines("No Archive files found at path"), 0);
    EXPECT_EQ(loader()->loadedNFICount(), 0u);
}

// Every damaged form is refused with exactly one line, nothing registered and no member visible.
TEST_F(DataLoader, EveryDamagedArchiveFormIsRejectedWhole)
{
    const std::string entry = archive::dirEntry("/m", 13, 1);
    const std::string good = archive::fileHeader(14) + "X" + archive::dirHeader(1) + entry;
    const std::map<std::string, std::string> damaged = {
        {"empty.nfi", ""},
        {"short-header.nfi", good.substr(0, 12)},
        {"id-not-zero.nfi", archive::fileHeader(14, 1, "NFI!") + good.substr(13)},
        {"id-lower.nfi", archive::fileHeader(14, 1, std::string("nfi\0", 4)) + good.substr(13)},
        {"version-2.nfi", archive::fileHeader(14, 2) + good.substr(13)},
        {"version-0.nfi", archive::fileHeader(14, 0) + good.substr(13)},
        {"dir-past-end.nfi", archive::fileHeader(5000) + good.substr(13)},
        {"dir-offset-huge.nfi", archive::fileHeader(0xFFFFFFF0u) + good.substr(13)},
        {"dir-header-short.nfi", good.substr(0, 14 + 7)},
        {"entry-cut.nfi", good.substr(0, good.size() - 1)},
        {"second-entry-cut.nfi",
         archive::fileHeader(14) + "X" + archive::dirHeader(2) + entry + archive::dirEntry("/n", 13, 1).substr(0, 100)},
        {"count-2-to-the-32.nfi", archive::fileHeader(14) + "X" + archive::dirHeader(0xFFFFFFFFu) + entry},
        // 2^30 + 1 entries of 276 bytes: a 32-bit product would wrap round to exactly one entry.
        {"count-wraps-32-bits.nfi", archive::fileHeader(14) + "X" + archive::dirHeader(1073741825u) + entry},
    };
    for (const auto &file : damaged)
        write("d/" + file.first, file.second);
    fs::create_directories(path("d/a-directory.nfi"));

    loader()->addDataPath(path("d").c_str());
    for (const auto &file : damaged)
        EXPECT_EQ(countLines("Error adding Archive file '" + file.first + "'"), 1) << file.first;
    EXPECT_EQ(countLines("Error adding Archive file 'a-directory.nfi'"), 1);
    EXPECT_EQ(loader()->loadedNFICount(), 0u);
    EXPECT_EQ(loader()->loadedNFIList(), nullptr);
    EXPECT_EQ(loader()->openFile("/m"), -1);
    EXPECT_EQ(loader()->openFile("/n"), -1);

    Console::clearBuffer();
    EXPECT_EQ(loader()->addNFIFile(path("d/entry-cut.nfi").c_str()), SDL_FALSE);
    EXPECT_EQ(loader()->addNFIFile(path("d/missing.nfi").c_str()), SDL_FALSE);
    EXPECT_EQ(consoleLines(),
              std::vector<std::string>({"Error adding Archive file 'entry-cut.nfi'", "Error adding Archive file 'missing.nfi'"}));
    EXPECT_EQ(loader()->loadedNFICount(), 0u);
}

TEST_F(DataLoader, ArchiveOfTwoGigabytesOrMoreIsRejected)
{
    std::string bytes = archive::build({{"/big", "x"}});
    write("big.nfi", bytes);
    fs::resize_file(path("big.nfi"), 0x80000000ull);  // sparse: costs no disk space
    EXPECT_EQ(loader()->addNFIFile(path("big.nfi").c_str()), SDL_FALSE);
    EXPECT_EQ(countLines("Error adding Archive file 'big.nfi'"), 1);

    fs::resize_file(path("big.nfi"), 0x7FFFFFFFull);
    EXPECT_EQ(loader()->addNFIFile(path("big.nfi").c_str()), SDL_TRUE);
    EXPECT_EQ(contents("/big"), "x");
}

TEST_F(DataLoader, NameFillingTheWholeFieldIsTakenWithoutReadingPastIt)
{
    const std::string longName = "/" + std::string(259, 'n');
    write("long.nfi", archive::build({{longName, "whole"}, {"/short", "s"}}));
    ASSERT_EQ(loader()->addNFIFile(path("long.nfi").c_str()), SDL_TRUE);
    EXPECT_EQ(contents(longName.c_str()), "whole");
    EXPECT_EQ(contents(longName.substr(0, 259).c_str()), "<missing>");
    EXPECT_EQ(contents((longName + "x").c_str()), "<missing>");
    EXPECT_EQ(contents("/short"), "s");
}

// --- Search order ------------------------------------------------------------------------------------------

TEST_F(DataLoader, ArchiveAddedLastWinsAndFirstEntryWinsWithinOne)
{
    write("old.nfi", archive::build({{"/gfx/skins/a.skin", "old"}, {"/only-old", "o"}}));
    write("new.nfi", archive::build({{"/gfx/skins/a.skin", "new"}, {"/dup", "first"}, {"/dup", "second"}}));
    loader()->addNFIFile(path("old.nfi").c_str());
    loader()->addNFIFile(path("new.nfi").c_str());
    EXPECT_EQ(contents("/gfx/skins/a.skin"), "new");
    EXPECT_EQ(contents("/dup"), "first");
    EXPECT_EQ(contents("/only-old"), "o");
    EXPECT_STREQ(loader()->loadedNFIList()->name, path("new.nfi").c_str());
}

TEST_F(DataLoader, NamesMatchExactlyWithoutAnyNormalisation)
{
    write("a.nfi", archive::build({{"/gfx/skins/a.skin", "skin"}}));
    loader()->addNFIFile(path("a.nfi").c_str());
    EXPECT_EQ(contents("/gfx/skins/a.skin"), "skin");
    for (const char *other : {"gfx/skins/a.skin", "/GFX/skins/a.skin", "/gfx//skins/a.skin", "/gfx/./skins/a.skin",
                              "/gfx/skins/a.skin/", "/gfx/skins/a", "/gfx/skins/a.skin ", "", "/"})
        EXPECT_EQ(loader()->openFile(other), -1) << other;
}

TEST_F(DataLoader, DataPathAddedLastIsSearchedFirstAndLooseFilesComeBeforeArchives)
{
    write("p1/f", "p1");
    write("p1/only1", "only in p1");
    write("p2/f", "p2");
    write("p1/a.nfi", archive::build({{"/m", "p1 archive"}, {"/f", "packed"}}));
    write("p2/b.nfi", archive::build({{"/m", "p2 archive"}}));
    loader()->addDataPath(path("p1").c_str());
    loader()->addDataPath(path("p2").c_str());
    EXPECT_EQ(contents("/f"), "p2");
    EXPECT_EQ(contents("/only1"), "only in p1");
    EXPECT_EQ(contents("/m"), "p2 archive");
}

TEST_F(DataLoader, LooseFileShadowsMemberUntilItIsRemoved)
{
    write("d/a.nfi", archive::build({{"/gfx/x", "member"}}));
    write("d/gfx/x", "loose");
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(contents("/gfx/x"), "loose");
    fs::remove(path("d/gfx/x"));
    EXPECT_EQ(contents("/gfx/x"), "member");
}

TEST_F(DataLoader, NameClimbingOutOfTheDataPathFindsNoLooseFileButStillMatchesAMember)
{
    write("secret", "outside");
    write("d/gfx/secret", "inside");
    write("d/a.nfi", archive::build({{"/gfx/../secret", "member"}}));
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(contents("/gfx/../gfx/secret"), "<missing>");
    EXPECT_EQ(contents("/../secret"), "<missing>");
    EXPECT_EQ(contents("/gfx/../secret"), "member");
    EXPECT_EQ(contents("/gfx/..secret"), "<missing>");
    EXPECT_EQ(contents("/gfx/secret"), "inside");
}

TEST_F(DataLoader, DirectoryIsNotALooseFile)
{
    write("d/gfx/x", "loose");
    write("d/a.nfi", archive::build({{"/gfx", "member named like the directory"}}));
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(contents("/gfx"), "member named like the directory");
}

// --- Names that are no regular files: nothing waits on them ------------------------------------------------
// Each case runs in a child with a time limit, so that an open or read that waited would fail the test rather
// than hang it.

TEST_F(DataLoader, FifoTerminalOrDeviceTakenForALooseFileIsPassedOverWithoutWaiting)
{
    IdleTerminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    fs::create_directories(path("d/gfx"));
    ASSERT_EQ(mkfifo(path("d/gfx/fifo").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(path("d/gfx/lonely-fifo").c_str(), 0644), 0);
    fs::create_symlink(terminal.path, path("d/gfx/tty"));
    fs::create_symlink("/dev/zero", path("d/gfx/zero"));
    write("d/a.nfi", archive::build({{"/gfx/fifo", "member 1"}, {"/gfx/tty", "member 2"}, {"/gfx/zero", "member 3"}}));
    ChildResult child = runInChild([&] {
        loader()->addDataPath(path("d").c_str());
        return contents("/gfx/fifo") + " " + contents("/gfx/tty") + " " + contents("/gfx/zero") + " " +
               contents("/gfx/lonely-fifo") + " " + std::to_string(loader()->fileExists("/gfx/lonely-fifo"));
    }, 20);
    EXPECT_FALSE(child.timedOut);
    EXPECT_EQ(child.output, "member 1 member 2 member 3 <missing> 0");
}

TEST_F(DataLoader, FifoTerminalOrDeviceNamedLikeAnArchiveIsRejectedWithoutWaiting)
{
    IdleTerminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    fs::create_directories(path("d"));
    ASSERT_EQ(mkfifo(path("d/fifo.nfi").c_str(), 0644), 0);
    fs::create_symlink(terminal.path, path("d/tty.nfi"));
    fs::create_symlink("/dev/zero", path("d/zero.nfi"));
    write("d/good.nfi", archive::build({{"/m", "x"}}));
    ChildResult child = runInChild([&] {
        loader()->addDataPath(path("d").c_str());
        std::string counts;
        for (const char *line : {"Error adding Archive file 'fifo.nfi'", "Error adding Archive file 'tty.nfi'",
                                 "Error adding Archive file 'zero.nfi'", "Adding Archive file 'good.nfi' (1 file)"})
            counts += std::to_string(countLines(line));
        return counts + " " + std::to_string(countLinesStartingWith("WARNING")) + " " + contents("/m");
    }, 20);
    EXPECT_FALSE(child.timedOut);
    EXPECT_EQ(child.output, "1111 0 x");
}

// Every accepted archive keeps a descriptor, and 16 always stay free for the program's other files. With only the
// standard streams open and room for 24 more files, the directory listing takes one, seven archives are accepted,
// each of the other 33 is refused with the warning that says why, and 17 descriptors are free afterwards.
TEST_F(DataLoader, ArchivesLeaveSixteenDescriptorsFreeAndTheRestAreRefusedWithAWarning)
{
    const int archives = 40;
    for (int i = 0; i < archives; ++i)
        write("d/a" + std::to_string(i) + ".nfi", archive::build({{"/m" + std::to_string(i), "x"}}));
    ChildResult child = runInChild([&] {
        // Whatever the test process inherited or opened goes, so that the descriptors are 0, 1 and 2 alone.
        struct rlimit files;
        getrlimit(RLIMIT_NOFILE, &files);
        for (rlim_t fd = 3; fd < files.rlim_cur && fd < 1u << 20; ++fd)
            close(static_cast<int>(fd));
        files.rlim_cur = files.rlim_max = 3 + 24;
        if (setrlimit(RLIMIT_NOFILE, &files) != 0)
            return std::string("setrlimit failed");
        loader()->addDataPath(path("d").c_str());

        const std::string warning = "' open (each accepted archive keeps one, 16 stay free for other files; this "
                                    "process may open 27 files)";
        const std::string error = "Error adding Archive file '";
        int accepted = 0;
        int warned = 0;
        const std::vector<std::string> lines = consoleLines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            accepted += lines[i].rfind("Adding Archive file 'a", 0) == 0;
            if (lines[i].rfind(error, 0) != 0)
                continue;
            const std::string name = lines[i].substr(error.size(), lines[i].size() - error.size() - 1);
            warned += i + 1 < lines.size() &&
                      lines[i + 1] == "WARNING: Too few file descriptors left to keep archive file '" + name + warning;
        }
        std::vector<int> stillFree;
        for (int fd; stillFree.size() < 100 && (fd = dup(0)) != -1;)
            stillFree.push_back(fd);
        for (int fd : stillFree)
            close(fd);
        return std::to_string(accepted) + " " + std::to_string(countLinesStartingWith(error)) + " " +
               std::to_string(warned) + " " + std::to_string(stillFree.size());
    }, 20);
    EXPECT_EQ(child.exitCode, 0) << child.standardError;
    EXPECT_EQ(child.output, "7 33 33 17");
}

// The index must answer exactly as a walk over the archives, newest first, each in directory order.
TEST_F(DataLoader, ManyEntriesWithDuplicatesResolveAsAnOrderedWalkWould)
{
    std::mt19937 random(7);
    std::vector<archive::Members> archives(4);
    for (size_t a = 0; a < archives.size(); ++a) {
        for (int i = 0; i < 6000; ++i) {
            std::string name = "/gfx/n" + std::to_string(random() % 9000);
            archives[a].push_back({name, "a" + std::to_string(a) + "e" + std::to_string(i)});
        }
        write("x" + std::to_string(a) + ".nfi", archive::build(archives[a]));
        ASSERT_EQ(loader()->addNFIFile(path("x" + std::to_string(a) + ".nfi").c_str()), SDL_TRUE);
    }
    for (int n = 0; n < 9500; n += 7) {
        std::string name = "/gfx/n" + std::to_string(n);
        std::string expected = "<missing>";
        for (size_t a = archives.size(); a > 0 && expected == "<missing>"; --a) {
            for (const auto &member : archives[a - 1]) {
                if (member.first == name) {
                    expected = member.second;
                    break;
                }
            }
        }
        ASSERT_EQ(contents(name.c_str()), expected) << name;
    }
}

// The name index under pressure: every hash kept (the engine's case), only a few values, and a single value, so
// that names are told apart by their bytes alone. Archives of several sizes grow the index between them.
class NameIndex : public NarrowedCacheHashes<DataLoader> {
protected:
    // The member a walk over the archives (added last first, each in directory order) finds; the name field
    // ends at its first zero byte or after 260 bytes.
    static std::string walk(const std::vector<archive::Members> &archives, const std::string &wanted)
    {
        for (size_t a = archives.size(); a > 0; --a) {
            for (const auto &member : archives[a - 1]) {
                std::string field = member.first.substr(0, 260);
                if (field.substr(0, field.find('\0')) == wanted)
                    return member.second;
            }
        }
        return "<missing>";
    }
};

INSTANTIATE_TEST_SUITE_P(HashBits, NameIndex, cacheHashMasks(), cacheHashMaskName);

TEST_P(NameIndex, EveryLookupAnswersAsAnOrderedWalkWould)
{
    // Names that differ only in their last byte, at lengths around the 8-byte steps of the hash and at the
    // field's limit; names sharing long prefixes; names with bytes after their terminator.
    std::vector<std::string> pool;
    for (size_t length : {1, 2, 7, 8, 9, 15, 16, 17, 63, 64, 65, 200, 258, 259, 260}) {
        std::string stem = "/" + std::string(length - 1, 'p');
        pool.push_back(stem);
        stem.back() = 'q';
        pool.push_back(stem);
    }
    for (int i = 0; i < 40; ++i)
        pool.push_back("/gfx/skins/" + std::string(100, 's') + std::to_string(i));
    pool.push_back(std::string("/t\0first", 8));
    pool.push_back(std::string("/t\0second", 9));
    pool.push_back("");

    std::mt19937 random(11);
    std::vector<archive::Members> archives;
    const int sizes[] = {0, 1, 300, 40, 700, 5};
    for (size_t a = 0; a < sizeof sizes / sizeof sizes[0]; ++a) {
        archive::Members members;
        for (int i = 0; i < sizes[a]; ++i)
            members.push_back({pool[random() % pool.size()], "a" + std::to_string(a) + "e" + std::to_string(i)});
        const std::string file = "x" + std::to_string(a) + ".nfi";
        write(file, archive::build(members));
        ASSERT_EQ(loader()->addNFIFile(path(file).c_str()), SDL_TRUE);
        archives.push_back(members);

        std::vector<std::string> wanted = {"/", "/p", "/t", std::string(261, 'p'), "/gfx/skins/"};
        for (const std::string &name : pool)
            wanted.push_back(name.substr(0, 260).substr(0, name.find('\0')));
        for (const std::string &name : wanted)
            ASSERT_EQ(contents(name.c_str()), walk(archives, name.c_str())) << "after archive " << a << ": " << name;
    }
}

TEST_P(NameIndex, RefusedArchiveLeavesEveryLookupAsItWas)
{
    write("good.nfi", archive::build({{"/a", "good a"}, {"/b", "good b"}}));
    ASSERT_EQ(loader()->addNFIFile(path("good.nfi").c_str()), SDL_TRUE);
    // Its first entry is whole, its second cut short: nothing of it may become visible.
    std::string cut = archive::build({{"/a", "damaged a"}, {"/c", "damaged c"}});
    write("cut.nfi", cut.substr(0, cut.size() - 10));
    EXPECT_EQ(loader()->addNFIFile(path("cut.nfi").c_str()), SDL_FALSE);
    EXPECT_EQ(contents("/a"), "good a");
    EXPECT_EQ(contents("/c"), "<missing>");

    write("later.nfi", archive::build({{"/b", "later b"}, {"/c", "later c"}}));
    ASSERT_EQ(loader()->addNFIFile(path("later.nfi").c_str()), SDL_TRUE);
    EXPECT_EQ(contents("/a"), "good a");
    EXPECT_EQ(contents("/b"), "later b");
    EXPECT_EQ(contents("/c"), "later c");
}

TEST_P(NameIndex, IndexIsFreedWithTheLoader)
{
    archive::Members members;
    for (int i = 0; i < 3000; ++i)
        members.push_back({"/n" + std::to_string(i % 2500), std::to_string(i)});
    write("big.nfi", archive::build(members));
    Console::destroyConsole();
    const Uint32 before = totalAllocatedMemory();
    ASSERT_EQ(loader()->addNFIFile(path("big.nfi").c_str()), SDL_TRUE);
    EXPECT_EQ(contents("/n2499"), "2499");
    EXPECT_EQ(contents("/n7"), "7");
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(DataLoader, DataPathAndNameLongerThan255CharactersFailLikeAMissingFile)
{
    // Nested directories make a data path of exactly 240 characters.
    std::string deep = root;
    while (deep.size() < 180)
        deep += "/" + std::string(50, 'd');
    deep += "/" + std::string(240 - deep.size() - 1, 'e');
    ASSERT_EQ(deep.size(), 240u);
    fs::create_directories(deep);
    const std::string fits = "/" + std::string(14, 'f');   // 240 + 15 = 255
    const std::string toolong = "/" + std::string(15, 'g');  // 240 + 16 = 256
    archive::writeFile(deep + fits, "fits");
    archive::writeFile(deep + toolong, "too long");
    write("short" + toolong, "from the short path");

    loader()->addDataPath(path("short").c_str());
    loader()->addDataPath(deep.c_str());
    EXPECT_EQ(contents(fits.c_str()), "fits");
    EXPECT_EQ(contents(toolong.c_str()), "from the short path");
    fs::remove(path("short") + toolong);
    EXPECT_EQ(loader()->openFile(toolong.c_str()), -1);
    EXPECT_EQ(loader()->fileExists(toolong.c_str()), SDL_FALSE);
}

// --- The handle table --------------------------------------------------------------------------------------

TEST_F(DataLoader, TwoHundredFiftySixHandlesThenNoneAndTheLowestFreeIsReused)
{
    write("d/loose", "l");
    write("d/a.nfi", archive::build({{"/member", "m"}}));
    loader()->addDataPath(path("d").c_str());
    for (NFIHandle expected = 0; expected < 256; ++expected)
        ASSERT_EQ(loader()->openFile(expected % 2 ? "/member" : "/loose"), expected);
    EXPECT_EQ(loader()->openFile("/loose"), -1);
    EXPECT_EQ(loader()->openFile("/member"), -1);
    EXPECT_EQ(loader()->fileExists("/loose"), SDL_FALSE);
    EXPECT_EQ(loader()->fileSize("/loose"), -1);

    loader()->closeFile(17);
    loader()->closeFile(40);
    EXPECT_EQ(loader()->openFile("/loose"), 17);
    EXPECT_EQ(loader()->openFile("/member"), 40);
    EXPECT_EQ(loader()->openFile("/member"), -1);
}

TEST_F(DataLoader, HandlesThatAreNotOpenAreIgnoredOrFail)
{
    write("d/f", "0123456789");
    loader()->addDataPath(path("d").c_str());
    NFIHandle h = loader()->openFile("/f");
    ASSERT_EQ(h, 0);
    loader()->closeFile(h);
    for (NFIHandle bad : {-1, 300, 256, 0, 5}) {
        loader()->closeFile(bad);
        char buffer[8] = "zzzzzzz";
        Uint32 value = 0;
        EXPECT_EQ(loader()->fileSize(bad), -1) << bad;
        EXPECT_EQ(loader()->seek(bad, 0, SEEK_SET), SDL_FALSE);
        EXPECT_EQ(loader()->readByteStream(bad, buffer, 1), SDL_FALSE);
        EXPECT_EQ(loader()->readINT4(bad, &value), SDL_FALSE);
        EXPECT_EQ(loader()->readString(bad, buffer, sizeof buffer, SDL_FALSE), SDL_FALSE);
        EXPECT_STREQ(buffer, "");
    }
    EXPECT_EQ(loader()->openFile("/f"), 0);
}

TEST_F(DataLoader, FileExistsAndFileSizeLeaveNoHandleOpen)
{
    write("d/f", "0123456789");
    write("d/a.nfi", archive::build({{"/m", "abc"}}));
    loader()->addDataPath(path("d").c_str());
    EXPECT_EQ(loader()->fileExists("/f"), SDL_TRUE);
    EXPECT_EQ(loader()->fileExists("/m"), SDL_TRUE);
    EXPECT_EQ(loader()->fileExists("/nothing"), SDL_FALSE);
    EXPECT_EQ(loader()->fileSize("/f"), 10);
    EXPECT_EQ(loader()->fileSize("/m"), 3);
    EXPECT_EQ(loader()->fileSize("/nothing"), -1);
    EXPECT_EQ(loader()->openFile("/f"), 0);
}

TEST_F(DataLoader, DeletingTheLoaderFreesEverythingAndClosesOpenFiles)
{
    write("d/f", "0123456789");
    write("d/a.nfi", archive::build({{"/m", "abc"}, {"/n", "de"}}));
    write("d/bad.nfi", "NFI");
    Console::destroyConsole();
    Uint32 before = totalAllocatedMemory();
    loader()->addDataPath(path("d").c_str());
    loader()->addDataPath(path("missing").c_str());
    loader()->openFile("/f");
    loader()->openFile("/m");
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    EXPECT_EQ(totalAllocatedMemory(), before);
    EXPECT_EQ(NFILoader::globalLoader()->loadedNFICount(), 0u);
    EXPECT_EQ(NFILoader::globalLoader()->dataPathList(), nullptr);
}

// --- Reads and seeks: loose files and members behave alike --------------------------------------------------

class DataFile : public DataLoader, public ::testing::WithParamInterface<bool> {
protected:
    // Opens a file holding bytes, loose or as a member between two other members.
    NFIHandle open(const std::string &bytes)
    {
        if (GetParam()) {
            write("d/a.nfi", archive::build({{"/before", "BEFORE"}, {"/f", bytes}, {"/after", "AFTER"}}));
        } else {
            write("d/f", bytes);
        }
        loader()->addDataPath(path("d").c_str());
        return loader()->openFile("/f");
    }
};

INSTANTIATE_TEST_SUITE_P(LooseAndPacked, DataFile, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Member" : "Loose"; });

TEST_P(DataFile, ReadsNeverDeliverPartOfARequestNorPassTheEnd)
{
    NFIHandle h = open("0123456789");
    ASSERT_NE(h, -1);
    EXPECT_EQ(loader()->fileSize(h), 10);
    char buffer[16] = {};
    EXPECT_EQ(loader()->readByteStream(h, buffer, 11), SDL_FALSE);
    EXPECT_EQ(loader()->readByteStream(h, buffer, 0), SDL_TRUE);
    EXPECT_EQ(loader()->readByteStream(h, buffer, 10), SDL_TRUE);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(loader()->readByte(h, buffer), SDL_FALSE);
    EXPECT_EQ(loader()->readByteStream(h, buffer, 0), SDL_TRUE);
}

TEST_P(DataFile, SeeksFromEveryOriginAndNumbersComeOutLittleEndian)
{
    NFIHandle h = open(std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A", 10));
    ASSERT_NE(h, -1);
    Uint32 four = 0;
    Uint16 two = 0;
    Uint8 one = 0;
    ASSERT_EQ(loader()->seek(h, -4, SEEK_END), SDL_TRUE);
    EXPECT_EQ(loader()->readINT4(h, &four), SDL_TRUE);
    EXPECT_EQ(four, 0x0A090807u);
    ASSERT_EQ(loader()->seek(h, 1, SEEK_SET), SDL_TRUE);
    EXPECT_EQ(loader()->readINT2(h, &two), SDL_TRUE);
    EXPECT_EQ(two, 0x0302);
    ASSERT_EQ(loader()->seek(h, 2, SEEK_CUR), SDL_TRUE);
    EXPECT_EQ(loader()->readByte(h, &one), SDL_TRUE);
    EXPECT_EQ(one, 6);
    ASSERT_EQ(loader()->seek(h, 0, SEEK_END), SDL_TRUE);
    EXPECT_EQ(loader()->readByte(h, &one), SDL_FALSE);
}

TEST_P(DataFile, SeekBeforeTheStartOrFromAnUnknownOriginChangesNothing)
{
    NFIHandle h = open("abcdef");
    ASSERT_NE(h, -1);
    char c = 0;
    ASSERT_EQ(loader()->seek(h, 2, SEEK_SET), SDL_TRUE);
    EXPECT_EQ(loader()->seek(h, -3, SEEK_CUR), SDL_FALSE);
    EXPECT_EQ(loader()->seek(h, -7, SEEK_END), SDL_FALSE);
    EXPECT_EQ(loader()->seek(h, -1, SEEK_SET), SDL_FALSE);
    EXPECT_EQ(loader()->seek(h, 0, 3), SDL_FALSE);
    EXPECT_EQ(loader()->readByte(h, &c), SDL_TRUE);
    EXPECT_EQ(c, 'c');
}

TEST_P(DataFile, SeekPastTheEndIsAcceptedAndReadsThereFail)
{
    NFIHandle h = open("abcdef");
    ASSERT_NE(h, -1);
    char buffer[8] = "zzzzzzz";
    EXPECT_EQ(loader()->seek(h, 100, SEEK_SET), SDL_TRUE);
    EXPECT_EQ(loader()->readByte(h, buffer), SDL_FALSE);
    EXPECT_EQ(loader()->readString(h, buffer, sizeof buffer, SDL_TRUE), SDL_FALSE);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(loader()->seek(h, 0x7FFFFFFF, SEEK_END), SDL_TRUE);
    EXPECT_EQ(loader()->readByte(h, buffer), SDL_FALSE);
    // A position that no longer fits 32 bits is refused rather than wrapped round to the start.
    EXPECT_EQ(loader()->seek(h, 0x7FFFFFFF, SEEK_CUR), SDL_FALSE);
    EXPECT_EQ(loader()->readByte(h, buffer), SDL_FALSE);
    EXPECT_EQ(loader()->seek(h, -3, SEEK_END), SDL_TRUE);
    EXPECT_EQ(loader()->readByteStream(h, buffer, 3), SDL_TRUE);
    EXPECT_EQ(std::string(buffer, 3), "def");
}

TEST_P(DataFile, LinesEndAtLineFeedWithCarriageReturnsHandledBothWays)
{
    struct Case {
        std::string bytes;
        std::vector<std::string> kept;
        std::vector<std::string> dropped;
    };
    const std::vector<Case> cases = {
        {"text\n", {"text"}, {"text"}},
        {"text\r\n", {"text\n"}, {"text"}},
        {"\n", {""}, {""}},
        {"\r\n", {"\n"}, {""}},
        {"text", {"text"}, {"text"}},
        {"a\rb\n", {"a\rb"}, {"a\rb"}},
        {"one\r\ntwo\nthree", {"one\n", "two", "three"}, {"one", "two", "three"}},
        {"end\r", {"end\n"}, {"end"}},
        {"\n\n", {"", ""}, {"", ""}},
    };
    for (const Case &c : cases) {
        for (SDL_bool keep : {SDL_TRUE, SDL_FALSE}) {
            fs::remove_all(path("d"));
            delete NFILoader::globalLoader();
            NFIHandle h = open(c.bytes);
            ASSERT_NE(h, -1);
            std::vector<std::string> lines;
            char buffer[64];
            while (loader()->readString(h, buffer, sizeof buffer, keep) == SDL_TRUE)
                lines.push_back(buffer);
            EXPECT_EQ(lines, keep == SDL_TRUE ? c.kept : c.dropped) << testing::PrintToString(c.bytes);
        }
    }
}

TEST_P(DataFile, SmallBuffersCutLinesIntoPiecesWithoutLosingBytes)
{
    NFIHandle h = open("abcdef\nab\r\nxy\rcd\n");
    ASSERT_NE(h, -1);
    char buffer[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(loader()->readString(h, buffer, 1, SDL_TRUE), SDL_FALSE);
    EXPECT_EQ(buffer[0], '\0');
    std::vector<std::string> lines;
    while (loader()->readString(h, buffer, 4, SDL_TRUE) == SDL_TRUE)
        lines.push_back(buffer);
    // "ab\r" fills the buffer and takes the LF of its pair along; after "xy\r" the 'c' is kept for the next line.
    EXPECT_EQ(lines, std::vector<std::string>({"abc", "def", "", "ab\n", "xy\n", "cd"}));
}

TEST_P(DataFile, InterleavedReadsOfTwoFilesKeepTheirOwnPositions)
{
    NFIHandle f = open("line one\nline two\n");
    write("d/b.nfi", archive::build({{"/g", "0123456789"}}));
    loader()->addNFIFile(path("d/b.nfi").c_str());
    NFIHandle g = loader()->openFile("/g");
    NFIHandle before = loader()->openFile("/before");
    ASSERT_NE(f, -1);
    ASSERT_NE(g, -1);
    char line[32];
    char bytes[4] = {};
    ASSERT_EQ(loader()->readString(f, line, sizeof line, SDL_FALSE), SDL_TRUE);
    EXPECT_STREQ(line, "line one");
    ASSERT_EQ(loader()->readByteStream(g, bytes, 3), SDL_TRUE);
    EXPECT_EQ(std::string(bytes, 3), "012");
    if (before != -1) {
        ASSERT_EQ(loader()->readByteStream(before, bytes, 2), SDL_TRUE);
        EXPECT_EQ(std::string(bytes, 2), "BE");
    }
    ASSERT_EQ(loader()->readString(f, line, sizeof line, SDL_FALSE), SDL_TRUE);
    EXPECT_STREQ(line, "line two");
    ASSERT_EQ(loader()->readByteStream(g, bytes, 3), SDL_TRUE);
    EXPECT_EQ(std::string(bytes, 3), "345");
    if (before != -1) {
        ASSERT_EQ(loader()->readByteStream(before, bytes, 4), SDL_TRUE);
        EXPECT_EQ(std::string(bytes, 4), "FORE");
    }
    EXPECT_EQ(loader()->readString(f, line, sizeof line, SDL_FALSE), SDL_FALSE);
}

// --- Members whose directory entry points outside the archive -----------------------------------------------

TEST_F(DataLoader, MemberReachingPastTheArchiveReadsWhatIsThereAndNeverMore)
{
    // "/cut" claims 100 bytes but the file ends 8 bytes after its start (the directory comes first here).
    std::string head = archive::fileHeader(13) + archive::dirHeader(3) + archive::dirEntry("/cut", 13 + 8 + 3 * 276, 100) +
                       archive::dirEntry("/far", 0xFFFFFF00u, 16) + archive::dirEntry("/short", 13 + 8 + 3 * 276, 4);
    write("a.nfi", head + "line\nend");
    ASSERT_EQ(loader()->addNFIFile(path("a.nfi").c_str()), SDL_TRUE);

    NFIHandle cut = loader()->openFile("/cut");
    ASSERT_NE(cut, -1);
    EXPECT_EQ(loader()->fileSize(cut), 100);
    char buffer[32];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(loader()->readString(cut, buffer, sizeof buffer, SDL_FALSE), SDL_TRUE);
    EXPECT_STREQ(buffer, "line");
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(loader()->readString(cut, buffer, sizeof buffer, SDL_FALSE), SDL_FALSE);
    EXPECT_STREQ(buffer, "end");
    EXPECT_EQ(loader()->seek(cut, 0, SEEK_SET), SDL_TRUE);
    EXPECT_EQ(loader()->readByteStream(cut, buffer, 8), SDL_TRUE);
    EXPECT_EQ(loader()->readByteStream(cut, buffer, 1), SDL_FALSE);

    NFIHandle far = loader()->openFile("/far");
    ASSERT_NE(far, -1);
    EXPECT_EQ(loader()->readByteStream(far, buffer, 4), SDL_FALSE);
    EXPECT_EQ(loader()->seek(far, -4, SEEK_END), SDL_TRUE);
    EXPECT_EQ(loader()->readString(far, buffer, sizeof buffer, SDL_TRUE), SDL_FALSE);
    EXPECT_STREQ(buffer, "");

    // A member shorter than the bytes that follow it in the file ends at its own length.
    NFIHandle shortMember = loader()->openFile("/short");
    EXPECT_EQ(loader()->readByteStream(shortMember, buffer, 5), SDL_FALSE);
    EXPECT_EQ(loader()->readString(shortMember, buffer, sizeof buffer, SDL_TRUE), SDL_TRUE);
    EXPECT_STREQ(buffer, "line");
    EXPECT_EQ(loader()->readString(shortMember, buffer, sizeof buffer, SDL_TRUE), SDL_FALSE);
}

// A member whose data the archive cuts short after two bytes: the failed line read counts the two bytes it
// stored and no more, so the next read starts at the byte that could not be read.
TEST_F(DataLoader, FailedLineReadLeavesThePositionAtTheByteThatCouldNotBeRead)
{
    NFIHandle cut = memberCutShort("ab");
    ASSERT_NE(cut, -1);
    char buffer[16];
    EXPECT_EQ(loader()->readString(cut, buffer, sizeof buffer, SDL_FALSE), SDL_FALSE);
    EXPECT_STREQ(buffer, "ab");
    ASSERT_EQ(loader()->seek(cut, -1, SEEK_CUR), SDL_TRUE);
    char byte = 0;
    EXPECT_EQ(loader()->readByte(cut, &byte), SDL_TRUE);
    EXPECT_EQ(byte, 'b');
}

// A carriage return fills the buffer and the byte after it cannot be read: the line read so far stands.
TEST_F(DataLoader, LineEndingInACarriageReturnBeforeAnUnreadableByteIsReturned)
{
    NFIHandle cr = memberCutShort("ab\r");
    ASSERT_NE(cr, -1);
    char buffer[4];
    EXPECT_EQ(loader()->readString(cr, buffer, sizeof buffer, SDL_TRUE), SDL_TRUE);
    EXPECT_STREQ(buffer, "ab\n");
    EXPECT_EQ(loader()->readString(cr, buffer, sizeof buffer, SDL_TRUE), SDL_FALSE);
    ASSERT_EQ(loader()->seek(cr, 0, SEEK_SET), SDL_TRUE);
    EXPECT_EQ(loader()->readString(cr, buffer, sizeof buffer, SDL_FALSE), SDL_TRUE);
    EXPECT_STREQ(buffer, "ab");
    ASSERT_EQ(loader()->seek(cr, -1, SEEK_CUR), SDL_TRUE);
    char byte = 0;
    EXPECT_EQ(loader()->readByte(cr, &byte), SDL_TRUE);
    EXPECT_EQ(byte, '\r');
}

}  // namespace
