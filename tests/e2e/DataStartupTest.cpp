// The data directory at start-up, in whole-program runs: the program registers the "data" directory beside it,
// announces every archive it accepts or rejects there, and still starts when the directory is empty or missing.
// Only the data loader's own lines are asserted; what later start-up steps make of the run is theirs to test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveWriter.h"
#include "RunDirectory.h"

namespace {

// Index of the first line of standard error equal to line, or -1.
int lineIndex(const RunResult &result, const std::string &line)
{
    std::vector<std::string> lines = result.lines();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return static_cast<int>(i);
    return -1;
}

TEST(DataStartup, DataDirectoryWithLooseFilesAGoodAndADamagedArchiveIsAnnounced)
{
    RunDirectory run;
    run.emptyDataDirectory();  // without the skin, start-up stops after the data lines
    run.writeFile("data/gfx/loose.txt", "a loose file");
    run.writeFile("data/gfx/skins/readme", "not an archive either");
    run.writeFile("data/good.nfi", archive::build({{"/gfx/a", "1"}, {"/gfx/b", "22"}}));
    run.writeFile("data/broken.nfi", archive::fileHeader(13) + archive::dirHeader(5));
    run.writeFile("data/ignored.NFI", archive::build({}));

    RunResult result = run.run();
    ASSERT_FALSE(result.timedOut);
    int created = lineIndex(result, "Data Loader initializing");
    int added = lineIndex(result, "Adding data path '" + run.path() + "/data'");
    EXPECT_NE(created, -1) << result.standardError;
    EXPECT_GT(added, created) << result.standardError;
    EXPECT_GT(lineIndex(result, "Adding Archive file 'good.nfi' (2 files)"), added) << result.standardError;
    EXPECT_GT(lineIndex(result, "Error adding Archive file 'broken.nfi'"), added) << result.standardError;
    EXPECT_EQ(result.lineCount("Error adding Archive file 'broken.nfi'"), 1);
    EXPECT_FALSE(result.contains("ignored.NFI")) << result.standardError;
    EXPECT_FALSE(result.contains("No Archive files found at path")) << result.standardError;
    EXPECT_EQ(result.lineCount("Data Loader initializing"), 1);
}

TEST(DataStartup, EmptyDataDirectoryHasNoArchives)
{
    RunDirectory run;
    run.removeFile("data");
    run.makeDirectory("data");
    RunResult result = run.run();
    ASSERT_FALSE(result.timedOut);
    EXPECT_TRUE(result.hasLine("Adding data path '" + run.path() + "/data'")) << result.standardError;
    EXPECT_EQ(result.lineCount("No Archive files found at path"), 1) << result.standardError;
}

TEST(DataStartup, MissingDataDirectoryIsSkippedWithALine)
{
    RunDirectory run;
    run.removeFile("data");
    RunResult result = run.run();
    ASSERT_FALSE(result.timedOut);
    EXPECT_TRUE(result.hasLine("Unable to scan directory '" + run.path() + "/data', skipping")) << result.standardError;
    EXPECT_FALSE(result.contains("No Archive files found at path")) << result.standardError;
}

}  // namespace
