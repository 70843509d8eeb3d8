// skintool as a user runs it, in a temporary run directory: make writes the ten records byte for byte, dump
// prints a description that makes the same file again, bad descriptions are refused with their line, and check
// says whether the engine would load a skin from the directory's data, loose or packed, with the loader's line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveWriter.h"
#include "FontWriter.h"
#include "ImageWriters.h"
#include "LittleEndian.h"
#include "RunDirectory.h"

namespace {

const std::string skintool = std::string(ZARVELLO_BUILD_DIR) + "/skintool";

std::string record(std::int32_t type, const std::string &file, const std::string &rgb, std::uint32_t transparent,
                   std::uint32_t vertical)
{
    std::string name = file;
    name.resize(256, '\0');
    return le32(static_cast<std::uint32_t>(type)) + name + rgb + le32(transparent) + le32(vertical);
}

const char *const goodDescription =
    "# a test skin\n"
    "tile    t/cap.tga      000000 000000 0 0   # enabled caption background\n"
    "button  t/buttons.tga  000000 000000 1 0\n"
    "bevel   t/bevels.tga   000000 000000 1 0\n"
    "font    caption.font   ffffff 102030 0 0\n"
    "\n"
    "tile    t/cap.tga      000000 000000 0 0\n"
    "button  t/buttons.tga  000000 000000 1 1\n"
    "bevel   t/bevels.tga   000000 000000 1 0\n"
    "font    caption.font   c0c0c0 404040 0 0\n"
    "tile    t/cap.tga      000000 000000 0 0\n"
    "bevel   t/bevels.tga   000000 000000 0 0\n";

// The file goodDescription describes, assembled independently of the tool.
std::string goodSkinBytes()
{
    const std::string none(6, '\0');
    return record(0, "t/cap.tga", none, 0, 0) + record(2, "t/buttons.tga", none, 1, 0) +
           record(1, "t/bevels.tga", none, 1, 0) + record(3, "caption.font", "\xff\xff\xff\x10\x20\x30", 0, 0) +
           record(0, "t/cap.tga", none, 0, 0) + record(2, "t/buttons.tga", none, 1, 1) +
           record(1, "t/bevels.tga", none, 1, 0) + record(3, "caption.font", "\xc0\xc0\xc0\x40\x40\x40", 0, 0) +
           record(0, "t/cap.tga", none, 0, 0) + record(1, "t/bevels.tga", none, 0, 0);
}

class SkinTool : public ::testing::Test {
protected:
    SkinTool() : dir(skintool) { dir.emptyDataDirectory(); }

    RunResult tool(const std::vector<std::string> &args) { return dir.run(args); }

    // The images and font that goodDescription names, below data/.
    void writeSkinData()
    {
        auto solid = [](std::uint16_t w, std::uint16_t h) {
            Bytes bytes = tgaBytes(tgaFromRgb(w, h, Bytes(static_cast<size_t>(w) * h * 3, 0x80)));
            return std::string(bytes.begin(), bytes.end());
        };
        dir.writeFile("data/gfx/skins/t/cap.tga", solid(4, 8));
        dir.writeFile("data/gfx/skins/t/buttons.tga", solid(8, 8));
        dir.writeFile("data/gfx/skins/t/bevels.tga", solid(6, 6));
        dir.writeFile("data/gfx/fonts/caption.font", fontfile::patternedFont(5, [](std::uint32_t) { return 2u; }).bytes());
    }

    RunDirectory dir;
};

TEST_F(SkinTool, HelpDescribesTheThreeCommands)
{
    RunResult result = tool({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.standardOutput.find("skintool make DESCRIPTION OUT.skin"), std::string::npos);
    EXPECT_NE(result.standardOutput.find("skintool dump FILE.skin"), std::string::npos);
    EXPECT_NE(result.standardOutput.find("skintool check SKINNAME"), std::string::npos);

    RunResult wrong = tool({"frobnicate"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.contains("Usage: skintool"));
}

TEST_F(SkinTool, UnknownCommandOrOptionIsNamedInTheError)
{
    dir.writeFile("skin.txt", goodDescription);
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"frobnicate"}, "skintool: unknown command 'frobnicate'\n"},
        {{"--frobnicate"}, "skintool: unknown option '--frobnicate'\n"},
        {{"make", "skin.txt", "out.skin", "--force"}, "skintool: unknown option '--force'\n"},
        {{"check", "-v", "default"}, "skintool: unknown option '-v'\n"},
        {{"dump", "a.skin", "b.skin"}, "skintool: unexpected argument 'b.skin': dump takes FILE.skin\n"},
        {{"make", "skin.txt"}, "skintool: make takes DESCRIPTION OUT.skin\n"},
    };
    for (const auto &mistake : mistakes) {
        RunResult result = tool(mistake.first);
        EXPECT_EQ(result.exitCode, 2) << mistake.second;
        EXPECT_EQ(result.standardError.find(mistake.second), 0u) << result.standardError;
    }
    EXPECT_FALSE(dir.exists("out.skin"));
}

TEST_F(SkinTool, MakeWritesTheTenRecordsByteForByte)
{
    dir.writeFile("skin.txt", goodDescription);
    RunResult result = tool({"make", "skin.txt", "out.skin"});
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    std::string bytes = dir.readFile("out.skin");
    EXPECT_EQ(bytes.size(), 2740u);
    EXPECT_EQ(bytes, goodSkinBytes());
}

TEST_F(SkinTool, DumpPrintsADescriptionThatMakesTheSameFile)
{
    // Odd but loadable values: an unknown kind, flags other than 1, a name with blanks and quotes.
    const std::string none(6, '\0');
    std::string bytes = goodSkinBytes();
    bytes.replace(274 * 4, 274, record(7, "odd name \"x\"\\#", "\x01\x02\x03\x04\x05\x06", 0xFFFFFFFFu, 12));
    dir.writeFile("odd.skin", bytes + "trailing bytes");

    RunResult dump = tool({"dump", "odd.skin"});
    ASSERT_EQ(dump.exitCode, 0) << dump.standardError;
    EXPECT_NE(dump.standardOutput.find("7       \"odd name \\\"x\\\"\\\\#\""), std::string::npos) << dump.standardOutput;
    EXPECT_NE(dump.standardOutput.find("# disabled caption background"), std::string::npos);
    EXPECT_NE(dump.standardOutput.find("14 bytes after the ten parts"), std::string::npos);

    dir.writeFile("dumped.txt", dump.standardOutput);
    RunResult make = tool({"make", "dumped.txt", "again.skin"});
    ASSERT_EQ(make.exitCode, 0) << make.standardError;
    EXPECT_EQ(dir.readFile("again.skin"), bytes);
}

TEST_F(SkinTool, DumpRefusesAFileTooShortForTenRecords)
{
    dir.writeFile("short.skin", goodSkinBytes().substr(0, 2739));
    RunResult result = tool({"dump", "short.skin"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.contains("is 2739 bytes long; a skin file holds ten records of 274 bytes (2740)"))
        << result.standardError;
    EXPECT_EQ(tool({"dump", "missing.skin"}).exitCode, 1);
}

TEST_F(SkinTool, MakeRefusesABadDescriptionNamingItsLineAndWritesNothing)
{
    std::string lines[10];
    {
        std::string text = goodDescription;
        int n = 0;
        size_t start = 0;
        while (n < 10) {
            size_t end = text.find('\n', start);
            std::string line = text.substr(start, end - start);
            start = end + 1;
            if (line.empty() || line[0] == '#')
                continue;
            lines[n++] = line;
        }
    }
    auto join = [&](int replaced, const std::string &with, int count = 10) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += (i == replaced ? with : lines[i]) + "\n";
        return text;
    };
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {join(-1, "", 9), "a skin has ten parts; the description has 9 (the dialog bevels is missing)"},
        {join(-1, "") + lines[9] + "\n", "skin.txt:11: a skin has ten parts; this is an eleventh"},
        {join(0, "font t/cap.tga 000000 000000 0 0"),
         "skin.txt:1: the enabled caption background must be a tile part, not a font part"},
        {join(3, "font caption.font fffff 102030 0 0"),
         "skin.txt:4: main colour 'fffff' is not six hexadecimal digits (rrggbb)"},
        {join(2, "bevel t/bevels.tga 000000 000000 1"), "skin.txt:3: expected six words"},
        {join(1, "button t/buttons.tga 000000 000000 yes 0"), "skin.txt:2: transparent 'yes' is not a number"},
        {join(8, "tile \"t/cap.tga 000000 000000 0 0"), "skin.txt:9: a quoted file name is not closed"},
        {join(8, "tile " + std::string(256, 'x') + " 000000 000000 0 0"),
         "skin.txt:9: the file name is longer than 255 characters"},
        {join(9, "shape t/bevels.tga 000000 000000 0 0"), "skin.txt:10: kind 'shape' is not a number"},
    };
    for (const auto &c : cases) {
        dir.writeFile("skin.txt", c.text);
        RunResult result = tool({"make", "skin.txt", "out.skin"});
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_TRUE(result.contains(c.message)) << c.message << "\n" << result.standardError;
        EXPECT_FALSE(dir.exists("out.skin")) << c.message;
    }
}

// A FIFO in place of the description, the skin file to print or the file to write: refused at once, exit code 1.
TEST_F(SkinTool, FifoInPlaceOfAFileIsRefusedWithoutWaiting)
{
    dir.makeFifo("fifo");
    RunResult make = tool({"make", "fifo", "out.skin"});
    EXPECT_EQ(make.exitCode, 1);
    EXPECT_EQ(make.standardError, "skintool: cannot read 'fifo': not a regular file\n");
    RunResult dump = tool({"dump", "fifo"});
    EXPECT_EQ(dump.exitCode, 1);
    EXPECT_EQ(dump.standardError, "skintool: cannot read 'fifo': not a regular file\n");
    dir.writeFile("good.txt", goodDescription);
    RunResult into = tool({"make", "good.txt", "fifo"});
    EXPECT_EQ(into.exitCode, 1);
    EXPECT_EQ(into.standardError, "skintool: cannot write 'fifo': not a regular file\n");
    EXPECT_FALSE(dir.exists("out.skin"));
}

TEST_F(SkinTool, CheckSaysTheSkinLoadsFromLooseFiles)
{
    writeSkinData();
    dir.writeFile("skin.txt", goodDescription);
    ASSERT_EQ(tool({"make", "skin.txt", "data/gfx/skins/test.skin"}).exitCode, 0);
    RunResult result = tool({"check", "test"});
    EXPECT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
    EXPECT_NE(result.standardOutput.find("skin 'test' loads"), std::string::npos) << result.standardOutput;
    EXPECT_FALSE(result.contains("Memory Leak!"));
}

TEST_F(SkinTool, CheckReadsTheSkinFromAnArchive)
{
    writeSkinData();
    archive::Members members = {{"/gfx/skins/packed.skin", goodSkinBytes()}};
    dir.writeFile("data/skins.nfi", archive::build(members));
    RunResult result = tool({"check", "packed"});
    EXPECT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
}

TEST_F(SkinTool, CheckShowsTheLoadersLineWhenTheSkinWouldNotLoad)
{
    RunResult missing = tool({"check", "nosuch"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.standardOutput.find("loadSkin ('/gfx/skins/nosuch.skin'): Unable to open skin file"),
              std::string::npos)
        << missing.standardOutput;

    writeSkinData();
    dir.writeFile("data/gfx/skins/short.skin", goodSkinBytes().substr(0, 2000));
    RunResult shortSkin = tool({"check", "short"});
    EXPECT_EQ(shortSkin.exitCode, 1);
    EXPECT_NE(shortSkin.standardOutput.find("loadSkin ('short'): Error reading skin part field filename"),
              std::string::npos)
        << shortSkin.standardOutput;

    dir.removeFile("data/gfx/skins/t/bevels.tga");
    dir.writeFile("data/gfx/skins/nobevels.skin", goodSkinBytes());
    RunResult noBevels = tool({"check", "nobevels"});
    EXPECT_EQ(noBevels.exitCode, 1);
    EXPECT_NE(noBevels.standardOutput.find("loadSkin ('nobevels') : Error loading bevel graphic for enabled caption "
                                           "bevels"),
              std::string::npos)
        << noBevels.standardOutput;
    EXPECT_FALSE(noBevels.contains("Memory Leak!"));
}

TEST_F(SkinTool, CheckPassesForTheShippedSkin)
{
    RunDirectory shipped(skintool);
    RunResult result = shipped.run({"check", "default"});
    EXPECT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
}

}  // namespace
