// nfitool as a user runs it: the round trip create, list, check, extract with byte-identical files that the data
// loader reads back, what create leaves out (hidden files, editor backups, --exclude) and says it left out, and
// every refusal (names too long, archives too large, unreadable inputs, damaged or hostile archives, FIFOs,
// terminals and directories in place of files, wrong command lines named), never leaving a half-written archive
// behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ArchiveWriter.h"
#include "ConfigTable.h"
#include "Console.h"
#include "NFILoader.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

class NfiTool : public ScratchRootTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(makeRoot("nfitool")); }

    static std::string quote(const std::string &text)
    {
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }

    ToolRun tool(const std::vector<std::string> &args)
    {
        // A tool that waited on its input would be stopped here (status 124) rather than hang the test.
        std::string command = "timeout 60 " + quote(std::string(ZARVELLO_BUILD_DIR) + "/nfitool");
        for (const std::string &arg : args)
            command += " " + quote(arg);
        command += " >" + quote(path("stdout.txt")) + " 2>" + quote(path("stderr.txt"));
        int raw = std::system(command.c_str());
        ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, archive::readFile(path("stdout.txt")),
                    archive::readFile(path("stderr.txt"))};
        fs::remove(path("stdout.txt"));
        fs::remove(path("stderr.txt"));
        return run;
    }

    // Every regular file below directory, by its path relative to it, with its bytes.
    static std::map<std::string, std::string> tree(const std::string &directory)
    {
        std::map<std::string, std::string> files;
        for (const auto &item : fs::recursive_directory_iterator(directory))
            if (item.is_regular_file())
                files[item.path().lexically_relative(directory).generic_string()] = archive::readFile(item.path());
        return files;
    }

    // Names in the directory of where, other than the ones given: leftovers such as temporary files.
    std::vector<std::string> entriesOf(const std::string &relative)
    {
        std::vector<std::string> names;
        for (const auto &item : fs::directory_iterator(path(relative)))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(NfiTool, HelpDescribesTheCommandsAndAWrongCommandLineFails)
{
    ToolRun help = tool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *command : {"create", "list", "extract", "check"})
        EXPECT_NE(help.out.find(std::string("nfitool ") + command), std::string::npos) << command;
    EXPECT_EQ(tool({}).status, 2);
    EXPECT_EQ(tool({"create", "only-one-argument"}).status, 2);
    EXPECT_EQ(tool({"pack", "a", "b"}).status, 2);
}

TEST_F(NfiTool, UnknownCommandOrOptionIsNamedInTheError)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"pack", "a", "b"}, "nfitool: unknown command 'pack'\n"},
        {{"--pack"}, "nfitool: unknown option '--pack'\n"},
        {{"create", "a.nfi", "dir", "--compress"}, "nfitool: unknown option '--compress'\n"},
        {{"list", "-v", "a.nfi"}, "nfitool: unknown option '-v'\n"},
        {{"extract", "a.nfi", "dir", "--all"}, "nfitool: unknown option '--all'\n"},
        {{"create", "a.nfi", "dir", "--exclude"}, "nfitool: --exclude needs a GLOB\n"},
        {{"check", "a.nfi", "b.nfi"}, "nfitool: check takes ARCHIVE, not also 'b.nfi'\n"},
    };
    for (const auto &mistake : mistakes) {
        ToolRun run = tool(mistake.first);
        EXPECT_EQ(run.status, 2) << mistake.second;
        EXPECT_EQ(run.err.find(mistake.second), 0u) << run.err;
        EXPECT_NE(run.err.find("Usage: nfitool"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(path("a.nfi")));
}

TEST_F(NfiTool, CreateLeavesOutHiddenFilesAndEditorBackupsAndSaysWhichPaths)
{
    write("in/gfx/a.tga", "a");
    write("in/gfx/.DS_Store", "finder");
    write("in/.git/config", "repository");
    write("in/.git/objects/ab/cdef", "object");
    write("in/gfx/a.tga~", "backup");
    write("in/gfx/#a.txt#", "autosave");
    write("in/gfx/.a.txt.swp", "swap");
    write("in/gfx/a.txt", "kept");
    write("in/gfx/not~really", "kept: the tilde is not at the end");

    ToolRun created = tool({"create", path("out.nfi"), path("in")});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "left out " + path("in/.git/") + " (hidden)\n" +
                               "left out " + path("in/gfx/#a.txt#") + " (editor backup)\n" +
                               "left out " + path("in/gfx/.DS_Store") + " (hidden)\n" +
                               "left out " + path("in/gfx/.a.txt.swp") + " (editor backup)\n" +
                               "left out " + path("in/gfx/a.tga~") + " (editor backup)\n" +
                               path("out.nfi") + ": 3 members, 887 bytes\n");
    EXPECT_EQ(tool({"list", path("out.nfi")}).out, "/gfx/a.tga\t13\t1\n"
                                                   "/gfx/a.txt\t14\t4\n"
                                                   "/gfx/not~really\t18\t33\n");

    // --all packs everything; the archive itself is still never packed into itself.
    ToolRun all = tool({"create", path("in/all.nfi"), path("in"), "--all"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out.find("left out"), std::string::npos) << all.out;
    ToolRun listed = tool({"list", path("in/all.nfi")});
    EXPECT_NE(listed.out.find("/.git/objects/ab/cdef\t"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("/gfx/.a.txt.swp\t"), std::string::npos) << listed.out;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 9);
}

TEST_F(NfiTool, ExcludeLeavesOutNamesAndPathsThatMatchItsGlobs)
{
    write("in/gfx/skins/default.skin", "skin");
    write("in/gfx/skins/default.txt", "description");
    write("in/gfx/art/sheet.psd", "layers");
    write("in/gfx/art/sheet.tga", "pixels");
    write("in/sources/notes.txt", "notes");
    write("in/gfx/sources/kept.tga", "a folder of that name deeper down stays");

    ToolRun created = tool({"create", path("out.nfi"), path("in"), "--exclude", "*.psd", "--exclude",
                            "gfx/skins/*.txt", "--exclude", "/sources"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(created.out.find("left out " + path("in/gfx/art/sheet.psd") + " (--exclude '*.psd')\n"),
              std::string::npos)
        << created.out;
    EXPECT_NE(created.out.find("left out " + path("in/gfx/skins/default.txt") + " (--exclude 'gfx/skins/*.txt')\n"),
              std::string::npos)
        << created.out;
    EXPECT_NE(created.out.find("left out " + path("in/sources/") + " (--exclude '/sources')\n"), std::string::npos)
        << created.out;
    ToolRun listed = tool({"list", path("out.nfi")});
    EXPECT_EQ(listed.out.find("psd"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find(".txt"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("/gfx/art/sheet.tga\t"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("/gfx/skins/default.skin\t"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("/gfx/sources/kept.tga\t"), std::string::npos) << listed.out;
}

TEST_F(NfiTool, RoundTripGivesByteIdenticalFilesThatTheLoaderServes)
{
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) >> 3);
    write("in/gfx/skins/default.skin", "skin");
    write("in/gfx/fonts/with space_12.font", std::string("\0\1\2\r\n", 5));
    write("in/gfx/big.raw", binary);
    write("in/empty", "");
    write("in/Z-upper", "sorted before lower case");

    ToolRun created = tool({"create", path("out.nfi"), path("in")});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(entriesOf(""), std::vector<std::string>({"in", "out.nfi"}));

    ToolRun listed = tool({"list", path("out.nfi")});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "/Z-upper\t13\t24\n"
                          "/empty\t37\t0\n"
                          "/gfx/big.raw\t37\t70000\n"
                          "/gfx/fonts/with space_12.font\t70037\t5\n"
                          "/gfx/skins/default.skin\t70042\t4\n");

    ToolRun checked = tool({"check", path("out.nfi")});
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;

    ToolRun extracted = tool({"extract", path("out.nfi"), path("back")});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(tree(path("back")), tree(path("in")));

    // The same tree packs to the same bytes, and the loader serves every member as it was.
    ASSERT_EQ(tool({"create", path("again.nfi"), path("in")}).status, 0);
    EXPECT_EQ(archive::readFile(path("again.nfi")), archive::readFile(path("out.nfi")));
    ASSERT_EQ(NFILoader::globalLoader()->addNFIFile(path("out.nfi").c_str()), SDL_TRUE);
    for (const auto &file : tree(path("in"))) {
        std::string name = "/" + file.first;
        NFIHandle h = NFILoader::globalLoader()->openFile(name.c_str());
        ASSERT_NE(h, -1) << name;
        std::string bytes(file.second.size(), '\0');
        EXPECT_EQ(NFILoader::globalLoader()->fileSize(h), static_cast<Sint32>(bytes.size()));
        EXPECT_EQ(NFILoader::globalLoader()->readByteStream(h, bytes.data(), static_cast<Uint32>(bytes.size())), SDL_TRUE);
        EXPECT_EQ(bytes, file.second) << name;
        NFILoader::globalLoader()->closeFile(h);
    }
}

TEST_F(NfiTool, ArchiveInsideThePackedTreeDoesNotPackItself)
{
    write("in/a", "a");
    ASSERT_EQ(tool({"create", path("in/data.nfi"), path("in")}).status, 0);
    ASSERT_EQ(tool({"create", path("in/data.nfi"), path("in")}).status, 0);
    EXPECT_EQ(tool({"list", path("in/data.nfi")}).out, "/a\t13\t1\n");
}

TEST_F(NfiTool, NameTooLongForItsFieldIsRefusedAndNothingIsWritten)
{
    // "/" + 100 + "/" + 100 + "/" + 56 = 259 bytes, the most a name field holds before its terminator.
    std::string longest = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(56, 'c');
    write("fits/" + longest, "259 bytes");
    ToolRun fits = tool({"create", path("fits.nfi"), path("fits")});
    EXPECT_EQ(fits.status, 0) << fits.err;

    write("long/" + longest + "c", "260 bytes: one too many");
    write("old.nfi", "previous archive");
    ToolRun refused = tool({"create", path("old.nfi"), path("long")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("259"), std::string::npos) << refused.err;
    EXPECT_EQ(archive::readFile(path("old.nfi")), "previous archive");
    EXPECT_EQ(entriesOf(""), std::vector<std::string>({"fits", "fits.nfi", "long", "old.nfi"}));
}

TEST_F(NfiTool, ArchiveThatWouldReachTwoGigabytesIsRefused)
{
    write("in/small", "x");
    write("in/huge", "");
    fs::resize_file(path("in/huge"), 0x80000000ull - 13 - 8 - 2 * 276 - 1);  // sparse, and one byte too many
    ToolRun refused = tool({"create", path("out.nfi"), path("in")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("2 GiB"), std::string::npos) << refused.err;
    EXPECT_EQ(entriesOf(""), std::vector<std::string>({"in"}));
}

TEST_F(NfiTool, UnreadableInputsAreRefusedAndAnEarlierArchiveSurvives)
{
    write("old.nfi", "previous archive");
    EXPECT_EQ(tool({"create", path("old.nfi"), path("missing")}).status, 1);
    write("a-file", "not a directory");
    EXPECT_EQ(tool({"create", path("old.nfi"), path("a-file")}).status, 1);

    // An input that cannot be read whole fails the archive.
    write("in/a", "a");
    write("in/locked", "no permission");
    fs::permissions(path("in/locked"), fs::perms::none);
    if (geteuid() != 0) {
        ToolRun halfway = tool({"create", path("old.nfi"), path("in")});
        EXPECT_EQ(halfway.status, 1);
        EXPECT_NE(halfway.err.find("cannot read '" + path("in/locked") + "'"), std::string::npos) << halfway.err;
    }
    fs::permissions(path("in/locked"), fs::perms::owner_all);

    EXPECT_EQ(archive::readFile(path("old.nfi")), "previous archive");
    EXPECT_EQ(entriesOf(""), std::vector<std::string>({"a-file", "in", "old.nfi"}));
    EXPECT_EQ(tool({"list", path("missing.nfi")}).status, 1);
    EXPECT_EQ(tool({"check", path("in")}).status, 1);
}

TEST_F(NfiTool, FifoTerminalOrDirectoryGivenAsTheArchiveIsRefusedWithoutWaiting)
{
    IdleTerminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    ASSERT_EQ(mkfifo(path("fifo.nfi").c_str(), 0644), 0);
    fs::create_symlink(terminal.path, path("tty.nfi"));
    fs::create_directories(path("dir.nfi"));
    for (const char *name : {"fifo.nfi", "tty.nfi", "dir.nfi"}) {
        const std::string archivePath = path(name);
        const std::string message = "nfitool: cannot open '" + archivePath + "': not a regular file\n";
        for (const std::vector<std::string> &command :
             {std::vector<std::string>{"list", archivePath}, {"check", archivePath},
              {"extract", archivePath, path("out")}}) {
            ToolRun run = tool(command);
            EXPECT_EQ(run.status, 1) << command[0] << " " << name;
            EXPECT_EQ(run.err, message) << command[0] << " " << name;
        }
    }
    EXPECT_FALSE(fs::exists(path("out")));
}

// A FIFO in the tree is no file to pack; one in the way of a member being extracted is refused, and the other
// members are still written.
TEST_F(NfiTool, FifoInTheTreeOrInTheWayOfAMemberIsPassedOverWithoutWaiting)
{
    write("in/a", "alpha");
    ASSERT_EQ(mkfifo(path("in/pipe").c_str(), 0644), 0);
    ToolRun created = tool({"create", path("x.nfi"), path("in")});
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(tool({"list", path("x.nfi")}).out, "/a\t13\t5\n");

    write("y.nfi", archive::build({{"/a", "alpha"}, {"/b", "beta"}}));
    fs::create_directories(path("out"));
    ASSERT_EQ(mkfifo(path("out/a").c_str(), 0644), 0);
    ToolRun extracted = tool({"extract", path("y.nfi"), path("out")});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(extracted.err, "nfitool: cannot write '" + path("out/a") + "': not a regular file\n");
    EXPECT_EQ(tree(path("out")), (std::map<std::string, std::string>{{"b", "beta"}}));
}

TEST_F(NfiTool, CheckFindsWhatTheLoaderRejectsAndWhatItWouldHide)
{
    write("damaged.nfi", archive::fileHeader(13, 2) + archive::dirHeader(0));
    ToolRun damaged = tool({"check", path("damaged.nfi")});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("version"), std::string::npos) << damaged.err;
    EXPECT_EQ(tool({"list", path("damaged.nfi")}).status, 1);

    write("cut.nfi", archive::fileHeader(13) + archive::dirHeader(2) + archive::dirEntry("/a", 0, 1));
    EXPECT_EQ(tool({"check", path("cut.nfi")}).status, 1);

    // Member data first, then two entries of one name and one that reaches past the end of the file.
    std::string data = "abc";
    std::string bytes = archive::fileHeader(16) + data + archive::dirHeader(3) + archive::dirEntry("/dup", 13, 1) +
                        archive::dirEntry("/dup", 14, 1) + archive::dirEntry("/past", 15, 5000);
    write("hides.nfi", bytes);
    ToolRun hides = tool({"check", path("hides.nfi")});
    EXPECT_EQ(hides.status, 1);
    EXPECT_NE(hides.out.find("'/dup' repeats the name of member 0"), std::string::npos) << hides.out;
    EXPECT_NE(hides.out.find("'/past' (offset 15, length 5000) reaches past the end"), std::string::npos) << hides.out;

    ToolRun listed = tool({"list", path("hides.nfi")});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "/dup\t13\t1\n/dup\t14\t1\n/past\t15\t5000\n");
}

TEST_F(NfiTool, ExtractWritesNothingOutsideItsDirectory)
{
    std::string bytes = archive::build({{"/../escaped", "1"},
                                        {"relative", "2"},
                                        {"/a//b", "3"},
                                        {"/a/./b", "4"},
                                        {"/", "5"},
                                        {"/ok/file", "fine"},
                                        {"/ok/file", "hidden duplicate"}});
    write("hostile.nfi", bytes);
    ToolRun extracted = tool({"extract", path("hostile.nfi"), path("out/inner")});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(tree(path("out")), (std::map<std::string, std::string>{{"inner/ok/file", "fine"}}));
    EXPECT_FALSE(fs::exists(path("out/escaped")));
    EXPECT_FALSE(fs::exists(path("escaped")));
}

}  // namespace
