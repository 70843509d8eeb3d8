// The data tools against hostile input and failing disks, run as a user runs them: every output appears whole or
// not at all (a write that fails under a file size limit, as on a full disk, leaves the file that was there byte
// for byte and no fragment); nfitool extract writes below its folder only, never through a link and never over
// its own archive; nfitool create packs only the tree and names each path it leaves out; readers refuse declared
// sizes their files cannot hold before they decode; whole-file reads are bounded; fonttool refuses a damaged
// font's absurd glyph images; names are printed with control characters escaped; colours read alike everywhere.
// Depends on: GoogleTest, TestSupport.h (scratch folder, ArchiveWriter), NFIFormat.h, SkinFormat.h, POSIX.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "NFIFormat.h"
#include "SkinFormat.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

const char dejaVuSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The size of an archive of members members holding dataBytes bytes in all.
std::uint64_t archiveSize(std::uint64_t members, std::uint64_t dataBytes)
{
    return nfiFormat::fileHeaderSize + dataBytes + nfiFormat::dirHeaderSize + members * nfiFormat::dirEntrySize;
}

struct ToolRun {
    int status = -1;     // the exit status, -1 when the tool did not exit
    int signal = 0;      // the signal that ended it, 0 when none did
    std::string out;
    std::string err;
};

// How a tool is run beyond its arguments.
struct RunLimits {
    rlim_t fileSize = RLIM_INFINITY;  // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored so that writes fail instead
    bool asNobody = false;            // drop root's rights, so that file permissions hold
};

class ToolSafety : public ScratchRootTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(makeRoot("toolsafety")); }

    // Runs build-dir/name with args in the scratch folder; standard output and error come back through pipes,
    // which no file size limit touches.
    ToolRun run(const std::string &name, const std::vector<std::string> &args, RunLimits limits = RunLimits())
    {
        const std::string program = std::string(ZARVELLO_BUILD_DIR) + "/" + name;
        int out[2], err[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            if (chdir(root.c_str()) != 0)
                _exit(126);
            if (limits.fileSize != RLIM_INFINITY) {
                std::signal(SIGXFSZ, SIG_IGN);
                const struct rlimit limit = {limits.fileSize, limits.fileSize};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (limits.asNobody && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(126);
            std::vector<char *> argv{const_cast<char *>(program.c_str())};
            for (const std::string &arg : args)
                argv.push_back(const_cast<char *>(arg.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        ToolRun result;
        struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        std::string *texts[2] = {&result.out, &result.err};
        int open = 2;
        // A tool that hangs is stopped after a minute rather than holding the suite.
        while (open > 0 && poll(fds, 2, 60000) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                    continue;
                char buffer[4096];
                const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    texts[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        for (const struct pollfd &fd : fds)
            if (fd.fd >= 0) {
                kill(pid, SIGKILL);
                close(fd.fd);
            }
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status))
            result.signal = WTERMSIG(status);
        return result;
    }

    std::string read(const std::string &relative) const { return archive::readFile(path(relative)); }

    // The names in a folder below the scratch folder, sorted: a temporary file left behind shows here.
    std::vector<std::string> namesIn(const std::string &relative) const
    {
        std::vector<std::string> names;
        for (const auto &item : fs::directory_iterator(path(relative)))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A 24-bit bottom-up BMP of width x height pixels in a gradient, with only keep bytes of its pixel data.
    static std::string bmp(std::uint32_t width, std::uint32_t height, std::size_t keep = SIZE_MAX)
    {
        const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
        const std::uint64_t dataBytes = static_cast<std::uint64_t>(rowBytes) * height;
        std::string bytes = "BM" + le32(static_cast<std::uint32_t>(54 + dataBytes)) + le32(0) + le32(54) + le32(40) +
                            le32(width) + le32(height) + std::string("\1\0\x18\0", 4) + le32(0) +
                            le32(static_cast<std::uint32_t>(dataBytes)) + le32(2835) + le32(2835) + le32(0) + le32(0);
        std::string pixels;
        for (std::uint64_t i = 0; i < dataBytes && pixels.size() < keep; ++i)
            pixels += static_cast<char>(i * 7 % 251);
        return bytes + pixels;
    }

    // An archive member holding the given bytes, the only one.
    static std::string archiveOf(const std::string &name, const std::string &bytes)
    {
        return archive::build({{name, bytes}});
    }

    // A file of size bytes that takes no room on the disk.
    void sparse(const std::string &relative, std::uint64_t size)
    {
        write(relative, "");
        fs::resize_file(path(relative), size);
    }
};

// ---- Outputs appear whole or not at all --------------------------------------------------------------------

// Every output of every tool, written under a file size limit smaller than the output: the command fails with
// a message that names the write, the earlier file is there byte for byte, and nothing else is left.
TEST_F(ToolSafety, AFailedWriteLeavesTheEarlierFileAndNoFragment)
{
    const RunLimits small{1024, false};
    const std::string previous = "the earlier file, which must survive";
    write("in/big", std::string(5000, 'x'));
    write("image.bmp", bmp(64, 64));
    write("skin.txt", "tile a.tga 000000 000000 0 0\nbutton b.tga 000000 000000 0 0\nbevel c.tga 000000 000000 0 0\n"
                      "font f 000000 000000 0 0\ntile a.tga 000000 000000 0 0\nbutton b.tga 000000 000000 0 0\n"
                      "bevel c.tga 000000 000000 0 0\nfont f 000000 000000 0 0\ntile a.tga 000000 000000 0 0\n"
                      "bevel c.tga 000000 000000 0 0\n");
    write("member.nfi", archiveOf("/out/member", std::string(5000, 'm')));
    struct Case {
        const char *tool;
        std::vector<std::string> args;
        const char *output;
    };
    std::vector<Case> cases = {
        {"nfitool", {"create", "out/archive.nfi", "in"}, "out/archive.nfi"},
        {"nfitool", {"extract", "member.nfi", "."}, "out/member"},
        {"imgtool", {"convert", "image.bmp", "out/image.tga"}, "out/image.tga"},
        {"imgtool", {"raw", "image.bmp", "out/image.raw"}, "out/image.raw"},
        {"skintool", {"make", "skin.txt", "out/skin.skin"}, "out/skin.skin"},
    };
    if (fs::exists(dejaVuSans)) {
        cases.push_back({"fonttool", {"make", dejaVuSans, "12", "out/font_12.font"}, "out/font_12.font"});
        ASSERT_EQ(run("fonttool", {"make", dejaVuSans, "12", "font_12.font"}).status, 0);
        cases.push_back({"fonttool", {"preview", "font_12.font", "a long line of text to preview", "out/p.tga"},
                         "out/p.tga"});
    }
    for (const Case &c : cases) {
        fs::remove_all(path("out"));
        write(c.output, previous);
        const std::vector<std::string> before = namesIn("out");
        const ToolRun failed = run(c.tool, c.args, small);
        const std::string what = std::string(c.tool) + " " + c.args[0];
        EXPECT_EQ(failed.status, 1) << what << "\n" << failed.err;
        EXPECT_NE(failed.err.find("cannot write"), std::string::npos) << what << "\n" << failed.err;
        EXPECT_NE(failed.err.find("File too large"), std::string::npos) << what << "\n" << failed.err;
        EXPECT_EQ(read(c.output), previous) << what;
        EXPECT_EQ(namesIn("out"), before) << what;
        // Without the limit the same command puts the whole file in place.
        const ToolRun done = run(c.tool, c.args);
        EXPECT_EQ(done.status, 0) << what << "\n" << done.err;
        EXPECT_NE(read(c.output), previous) << what;
        EXPECT_EQ(namesIn("out"), before) << what;
    }
}

TEST_F(ToolSafety, AFailedArchiveWriteIsNotBlamedOnReadingTheInput)
{
    write("in/big", std::string(5000, 'x'));
    const ToolRun failed = run("nfitool", {"create", "archive.nfi", "in"}, RunLimits{1024, false});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "nfitool: cannot write the archive 'archive.nfi': File too large\n");
    EXPECT_FALSE(fs::exists(path("archive.nfi")));
}

TEST_F(ToolSafety, ConvertingAnImageOntoItselfKeepsItWhole)
{
    write("image.bmp", bmp(16, 8));
    ASSERT_EQ(run("imgtool", {"convert", "image.bmp", "image.tga"}).status, 0);
    ASSERT_EQ(run("imgtool", {"raw", "image.tga", "before.raw"}).status, 0);
    const ToolRun again = run("imgtool", {"convert", "image.tga", "image.tga", "--rle"});
    EXPECT_EQ(again.status, 0) << again.err;
    ASSERT_EQ(run("imgtool", {"raw", "image.tga", "after.raw"}).status, 0);
    EXPECT_EQ(read("after.raw"), read("before.raw"));
    EXPECT_EQ(read("after.raw").size(), 16u * 8u * 3u);
}

TEST_F(ToolSafety, AnOutputInPlaceOfALinkReplacesTheLinkNotItsTarget)
{
    write("image.bmp", bmp(4, 4));
    write("victim.raw", "not to be touched");
    fs::create_symlink("victim.raw", path("out.raw"));
    ASSERT_EQ(run("imgtool", {"raw", "image.bmp", "out.raw"}).status, 0);
    EXPECT_EQ(read("victim.raw"), "not to be touched");
    EXPECT_FALSE(fs::is_symlink(path("out.raw")));
    EXPECT_EQ(read("out.raw").size(), 4u * 4u * 3u);
}

// ---- nfitool extract stays below its folder --------------------------------------------------------------

TEST_F(ToolSafety, ExtractDoesNotFollowAFolderLinkBelowItsFolder)
{
    write("pack.nfi", archive::build({{"/gfx/evil.txt", "evil"}, {"/fine.txt", "fine"}}));
    fs::create_directories(path("dir"));
    fs::create_directories(path("outside"));
    fs::create_directory_symlink("../outside", path("dir/gfx"));
    const ToolRun extracted = run("nfitool", {"extract", "pack.nfi", "dir"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(extracted.err, "nfitool: skipping '/gfx/evil.txt': '/gfx' below 'dir' is a link, and extract writes "
                             "nothing through a link\n");
    EXPECT_TRUE(namesIn("outside").empty());
    EXPECT_EQ(read("dir/fine.txt"), "fine");
}

TEST_F(ToolSafety, ExtractDoesNotWriteThroughAFileLink)
{
    write("pack.nfi", archive::build({{"/readme.txt", "overwritten"}}));
    write("victim.txt", "victim");
    fs::create_directories(path("dir"));
    fs::create_symlink("../victim.txt", path("dir/readme.txt"));
    const ToolRun extracted = run("nfitool", {"extract", "pack.nfi", "dir"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(extracted.err, "nfitool: skipping '/readme.txt': 'dir/readme.txt' is a link, and extract writes "
                             "nothing through a link\n");
    EXPECT_EQ(read("victim.txt"), "victim");
    EXPECT_TRUE(fs::is_symlink(path("dir/readme.txt")));
}

TEST_F(ToolSafety, ExtractRefusesToWriteOverTheArchiveItReads)
{
    const std::string bytes = archive::build({{"/other.txt", "other"}, {"/pack.nfi", "member"}});
    write("self/pack.nfi", bytes);
    const ToolRun extracted = run("nfitool", {"extract", "self/pack.nfi", "self"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(extracted.err, "nfitool: skipping '/pack.nfi': it would be written over the archive 'self/pack.nfi' "
                             "that is being read\n");
    EXPECT_EQ(read("self/pack.nfi"), bytes);
    EXPECT_EQ(read("self/other.txt"), "other");
}

TEST_F(ToolSafety, ExtractReplacesAnEarlierFileWhole)
{
    write("pack.nfi", archive::build({{"/a.txt", "new"}}));
    write("dir/a.txt", "old and longer");
    EXPECT_EQ(run("nfitool", {"extract", "pack.nfi", "dir"}).status, 0);
    EXPECT_EQ(read("dir/a.txt"), "new");
    EXPECT_EQ(namesIn("dir"), std::vector<std::string>({"a.txt"}));
}

// ---- nfitool create packs only the tree ------------------------------------------------------------------

TEST_F(ToolSafety, CreatePacksLinksInsideTheTreeAndNamesEveryPathLeftOut)
{
    write("in/real.txt", "real");
    write("outside.txt", "outside");
    fs::create_symlink("real.txt", path("in/inside-link"));
    fs::create_symlink("../outside.txt", path("in/outside-link"));
    fs::create_symlink("/etc/hostname", path("in/hostname"));
    fs::create_symlink("missing", path("in/dangling"));
    fs::create_symlink("loop-b", path("in/loop-a"));
    fs::create_symlink("loop-a", path("in/loop-b"));
    fs::create_directories(path("in/sub"));
    fs::create_directory_symlink("..", path("in/sub/up"));
    fs::create_directory_symlink("sub", path("in/folder-link"));
    ASSERT_EQ(mkfifo(path("in/pipe").c_str(), 0644), 0);
    const ToolRun created = run("nfitool", {"create", "out.nfi", "in"});
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "left out in/dangling (dangling link)\n"
                           "left out in/folder-link (link to a folder (its files are packed under their own names))\n"
                           "left out in/hostname (link to outside the tree)\n"
                           "left out in/loop-a (link loop)\n"
                           "left out in/loop-b (link loop)\n"
                           "left out in/outside-link (link to outside the tree)\n"
                           "left out in/pipe (not a regular file)\n"
                           "left out in/sub/up (link loop)\n"
                           "out.nfi: 2 members, " + std::to_string(archiveSize(2, 8)) + " bytes\n");
    EXPECT_EQ(run("nfitool", {"list", "out.nfi"}).out, "/inside-link\t13\t4\n/real.txt\t17\t4\n");
}

TEST_F(ToolSafety, CreateNamesAnUnreadableSubFolderAndPacksTheRest)
{
    write("in/a.txt", "a");
    write("in/locked/b.txt", "b");
    fs::permissions(path("in/locked"), fs::perms::none);
    // The tool runs without root's rights, so the folder's permissions hold.
    fs::permissions(root, fs::perms::all);
    fs::permissions(path("in"), fs::perms::all);
    fs::permissions(path("in/a.txt"), fs::perms::all);
    const RunLimits nobody{RLIM_INFINITY, geteuid() == 0};
    fs::create_directories(path("out"));
    fs::permissions(path("out"), fs::perms::all);
    const ToolRun packed = run("nfitool", {"create", "out/a.nfi", "in"}, nobody);
    fs::permissions(path("in/locked"), fs::perms::owner_all);
    EXPECT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(packed.out, "left out in/locked/ (unreadable: Permission denied)\nout/a.nfi: 1 member, " +
                              std::to_string(archiveSize(1, 1)) + " bytes\n");
}

// ---- Readers measure before they decode ------------------------------------------------------------------

TEST_F(ToolSafety, ImagesDeclaringMorePixelsThanTheirBytesHoldAreRefusedUndecoded)
{
    write("huge.bmp", bmp(26000, 26000, 0));
    write("big.bmp", bmp(10000, 10000, 0));
    write("big.ppm", "P6\n10000 10000\n255\n");
    write("big.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0", 12) + std::string("\x10\x27\x10\x27\x18\x20", 6));
    write("too-wide.ppm", "P6\n70000 1\n255\n" + std::string(70000 * 3, '\x7f'));
    for (const char *name : {"huge.bmp", "big.bmp", "big.ppm", "big.tga"}) {
        const ToolRun converted = run("imgtool", {"convert", name, "out.tga"});
        EXPECT_EQ(converted.signal, 0) << name;
        EXPECT_EQ(converted.status, 1) << name;
        EXPECT_NE(converted.err.find("is damaged: it declares"), std::string::npos) << name << "\n" << converted.err;
    }
    const ToolRun wide = run("imgtool", {"raw", "too-wide.ppm", "out.raw"});
    EXPECT_EQ(wide.status, 1);
    EXPECT_EQ(wide.err, "imgtool: 'too-wide.ppm' is 70000 x 1 pixels; the engine's images are at most 65535 x 65535\n");
    EXPECT_FALSE(fs::exists(path("out.tga")));
    EXPECT_FALSE(fs::exists(path("out.raw")));
}

TEST_F(ToolSafety, ImageWhosePixelDataIsCutShortIsRefusedAsDamaged)
{
    write("cut.bmp", bmp(64, 64, 64 * 3 * 10));
    write("whole.bmp", bmp(64, 64));
    const ToolRun cut = run("imgtool", {"convert", "cut.bmp", "out.tga"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "imgtool: 'cut.bmp' is damaged: its pixel data is missing or cut short\n");
    EXPECT_FALSE(fs::exists(path("out.tga")));
    EXPECT_EQ(run("imgtool", {"convert", "whole.bmp", "out.tga"}).status, 0);
}

TEST_F(ToolSafety, WholeFileReadsRefuseHugeFilesUnread)
{
    sparse("huge", 3ull << 30);
    const std::vector<std::pair<std::vector<std::pair<std::string, std::vector<std::string>>>, std::string>> cases = {
        {{{"skintool", {"make", "huge", "out.skin"}}, {"skintool", {"dump", "huge"}}},
         "cannot read 'huge': it has 3 GiB; the limit is 1 MiB\n"},
        {{{"fonttool", {"info", "huge"}}}, "cannot read 'huge': it has 3 GiB; the limit is 16 MiB\n"},
        {{{"fonttool", {"make", "huge", "12", "out.font"}}},
         "cannot read 'huge': it has 3 GiB; the limit is 256 MiB\n"},
    };
    for (const auto &group : cases)
        for (const auto &command : group.first) {
            const ToolRun refused = run(command.first, command.second);
            EXPECT_EQ(refused.status, 1) << command.first << " " << command.second[0];
            EXPECT_EQ(refused.err, command.first + ": " + group.second);
        }
    EXPECT_FALSE(fs::exists(path("out.skin")));
    EXPECT_FALSE(fs::exists(path("out.font")));
}

// unitsPerEm lies in the font's "head" table, 18 bytes in.
std::string withUnitsPerEm(std::string font, std::uint16_t unitsPerEm)
{
    auto be16 = [&font](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(font[at]) << 8 |
                                          static_cast<unsigned char>(font[at + 1]));
    };
    auto be32 = [&](std::size_t at) { return be16(at) << 16 | be16(at + 2); };
    const std::uint32_t tables = be16(4);
    for (std::uint32_t i = 0; i < tables; ++i) {
        const std::size_t record = 12 + 16 * i;
        if (font.compare(record, 4, "head") == 0) {
            const std::size_t at = be32(record + 8) + 18;
            font[at] = static_cast<char>(unitsPerEm >> 8);
            font[at + 1] = static_cast<char>(unitsPerEm & 0xFF);
        }
    }
    return font;
}

TEST_F(ToolSafety, FontMakeRefusesADamagedFontsAbsurdGlyphImagesNamingTheLimit)
{
    if (!fs::exists(dejaVuSans))
        GTEST_SKIP() << dejaVuSans << " is not installed";
    const std::string font = archive::readFile(dejaVuSans);
    write("small-em.ttf", withUnitsPerEm(font, 16));
    const ToolRun small = run("fonttool", {"make", "small-em.ttf", "12", "out.font"});
    EXPECT_EQ(small.status, 1);
    EXPECT_EQ(small.err, "fonttool: small-em.ttf: at 12 pixels character 33 would be 152 x 1120 pixels; a glyph "
                         "image may be at most 96 x 96 pixels (eight times the pixel size), so the font's measures "
                         "are damaged\n");
    write("no-em.ttf", withUnitsPerEm(font, 1));
    const ToolRun none = run("fonttool", {"make", "no-em.ttf", "12", "out.font"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "fonttool: FreeType cannot open 'no-em.ttf' as a font\n");
    EXPECT_FALSE(fs::exists(path("out.font")));
}

// ---- What the tools print ------------------------------------------------------------------------------

TEST_F(ToolSafety, AFileThatIsNoArchiveIsCalledThat)
{
    write("picture.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const ToolRun listed = run("nfitool", {"list", "picture.png"});
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.err, "nfitool: 'picture.png' is no NFI archive: it does not begin with the archive mark \"NFI\" "
                          "and a zero byte\n");
}

TEST_F(ToolSafety, ControlCharactersInNamesAreEscaped)
{
    write("pack.nfi", archive::build({{"/a\x1b[2Jb\nc", "1"}, {"/caf\xc3\xa9\xc2\x9b", "2"}}));
    const ToolRun listed = run("nfitool", {"list", "pack.nfi"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "/a\\x1b[2Jb\\x0ac\t13\t1\n/caf\xc3\xa9\\xc2\\x9b\t14\t1\n");
    const ToolRun checked = run("nfitool", {"check", "pack.nfi"});
    EXPECT_EQ(checked.out.find('\x1b'), std::string::npos);
    write("bad.nfi", archive::build({{"/x/../\x1b]0;title\x07", "1"}}));
    const ToolRun extracted = run("nfitool", {"extract", "bad.nfi", "out"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(extracted.err, "nfitool: skipping member 0: '/x/../\\x1b]0;title\\x07' is not a data name below the "
                             "root\n");
}

TEST_F(ToolSafety, ColoursReadAsRgbOrHexadecimalInEveryTool)
{
    const std::string hex = "tile a.tga ff8000 0a0b0c 0 0\n";
    const std::string decimal = "tile a.tga 255,128,0 10,11,12 0 0\n";
    std::string rest;
    for (const char *kind : {"button", "bevel", "font", "tile", "button", "bevel", "font", "tile", "bevel"})
        rest += std::string(kind) + " x 000000 0,0,0 0 0\n";
    write("hex.txt", hex + rest);
    write("decimal.txt", decimal + rest);
    ASSERT_EQ(run("skintool", {"make", "hex.txt", "hex.skin"}).status, 0);
    ASSERT_EQ(run("skintool", {"make", "decimal.txt", "decimal.skin"}).status, 0);
    EXPECT_EQ(read("hex.skin"), read("decimal.skin"));
    EXPECT_EQ(read("hex.skin").substr(skinFormat::rgbOffset, 6), std::string("\xff\x80\0\x0a\x0b\x0c", 6));

    write("art.txt", "image hex.tga 2 1\nfill ff8000\nimage decimal.tga 2 1\nfill 255,128,0\n");
    ASSERT_EQ(run("drawartwork", {"art.txt", "art"}).status, 0);
    EXPECT_EQ(read("art/hex.tga"), read("art/decimal.tga"));

    if (!fs::exists(dejaVuSans))
        return;
    ASSERT_EQ(run("fonttool", {"make", dejaVuSans, "12", "font.font"}).status, 0);
    ASSERT_EQ(run("fonttool", {"preview", "font.font", "Ab", "hex.tga", "--ink", "ff0000", "--background",
                               "0000ff"}).status, 0);
    ASSERT_EQ(run("fonttool", {"preview", "font.font", "Ab", "decimal.tga", "--ink", "255,0,0", "--background",
                               "0,0,255"}).status, 0);
    EXPECT_EQ(read("hex.tga"), read("decimal.tga"));
}

}  // namespace
