// Hostile data directories, run as the whole program: files that lie about their sizes, an archive directory of
// 2^32 - 1 entries, a member reaching past the end of its archive, a configuration script of 10 MB, paths of
// 300 characters, FIFOs and terminals where the program opens files, and more archives than open files allowed.
// Each run must end by itself (or on the quit signal) without a crash, a sanitizer report or a leak report; the
// reader concerned says what it refused, and start-up ends with exit code 1 where the skin cannot be loaded.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ArchiveWriter.h"
#include "LittleEndian.h"
#include "RunDirectory.h"

namespace {

// One 274-byte skin record.
std::string skinRecord(int type, const std::string &file, bool transparent = false, bool vertical = false)
{
    std::string name = file.substr(0, 256);
    name.resize(256, '\0');
    return le32(static_cast<unsigned>(type)) + name + std::string("\xff\xff\xff\x0d\x27\x48", 6) +
           le32(transparent ? 1 : 0) + le32(vertical ? 1 : 0);
}

// The shipped skin's ten parts, with the part in slot `slot` naming `file` instead.
std::string skinWith(int slot, const std::string &file)
{
    const struct {
        int type;
        const char *file;
    } parts[10] = {
        {0, "default/caption-enabled.tga"},  {2, "default/caption-button-enabled.tga"},
        {1, "default/caption-bevels-enabled.tga"}, {3, "DejaVu_Sans_12.font"},
        {0, "default/caption-disabled.tga"}, {2, "default/caption-button-disabled.tga"},
        {1, "default/caption-bevels-disabled.tga"}, {3, "DejaVu_Sans_12.font"},
        {0, "default/dialog-back.tga"},      {1, "default/dialog-bevels.tga"},
    };
    std::string bytes;
    for (int i = 0; i < 10; ++i)
        bytes += skinRecord(parts[i].type, i == slot ? file : parts[i].file, parts[i].type != 0, i == 5);
    return bytes;
}

// A TGA of 40 bytes whose header claims 65535 x 65535 pixels: the footer's 26 bytes overlap the header's last
// four, the signature is right, and 22 bytes stand in for 12 GB of pixels.
std::string hugeTga()
{
    std::string header = std::string("\0\0\x02", 3) + std::string(9, '\0') + le16(65535) + le16(65535) + "\x18\x20";
    std::string bytes = header + std::string(4, '\0') + std::string("TRUEVISION-XFILE.\0", 18);
    return bytes;
}

// A font whose first glyph claims 65536 x 65536 bytes (4 GB) in a file of a few hundred bytes.
std::string fontWithHugeGlyph()
{
    std::string name = "Hostile";
    name.resize(32, '\0');
    std::string bytes = std::string(1, '\x01') + name + std::string("\x0c\x00", 2) + le32(16) + le32(8) + le32(4) +
                        le32(400);
    bytes += le32(65536) + le32(65536);
    return bytes + std::string(200, '\x01');
}

void expectNoCrash(const RunResult &result)
{
    EXPECT_FALSE(result.timedOut) << result.standardError;
    EXPECT_EQ(result.signal, 0) << result.standardError;
    EXPECT_FALSE(result.contains("Sanitizer")) << result.standardError;
    EXPECT_FALSE(result.contains("runtime error")) << result.standardError;
    EXPECT_FALSE(result.contains("Memory Leak!")) << result.standardError;
}

// Runs a program that starts up fully: once the display is open it is sent SIGTERM, which SDL turns into the
// quit event that ends the main loop as closing the window does.
RunResult runAndQuit(RunDirectory &run, const std::vector<std::string> &args = {"-windowed"})
{
    pid_t pid = run.start(args);
    for (int i = 0; i < 600; ++i) {
        std::string soFar = run.standardErrorSoFar(pid);
        if (soFar.find("Initialized video system") != std::string::npos || soFar.find("loadSkin") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(pid, SIGTERM);
    return run.wait(pid, 120);
}

bool hasLineStartingWith(const RunResult &result, const std::string &start)
{
    for (const std::string &line : result.lines())
        if (line.compare(0, start.size(), start) == 0)
            return true;
    return false;
}

}  // namespace

TEST(HostileData, SkinNamingATgaThatClaims65535By65535PixelsIn40BytesFailsStartUp)
{
    RunDirectory run;
    run.writeConfig("skin = \"hostile\"\n");
    run.writeFile("data/gfx/skins/hostile.skin", skinWith(0, "hostile/huge.tga"));
    run.writeFile("data/gfx/skins/hostile/huge.tga", hugeTga());
    ASSERT_EQ(hugeTga().size(), 40u);

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("tgaImageFromFile ('/gfx/skins/hostile/huge.tga'): Error reading targa data"))
        << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('hostile') : Error loading tile graphic for enabled caption background"))
        << result.standardError;
}

TEST(HostileData, SkinNamingAFontWithAFourGigabyteGlyphFailsStartUp)
{
    RunDirectory run;
    run.writeConfig("skin = \"hostile\"\n");
    run.writeFile("data/gfx/skins/hostile.skin", skinWith(3, "huge.font"));
    run.writeFile("data/gfx/fonts/huge.font", fontWithHugeGlyph());

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(hasLineStartingWith(result, "loadFont ('/gfx/fonts/huge.font'): ")) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('hostile') : Error loading font for enabled caption font"))
        << result.standardError;
}

TEST(HostileData, ArchiveWhoseDirectoryClaimsTwoToTheThirtyTwoEntriesIsRejectedAndTheProgramRuns)
{
    RunDirectory run;
    run.writeFile("data/huge.nfi", archive::fileHeader(13) + archive::dirHeader(0xFFFFFFFFu) +
                                       archive::dirEntry("/gfx/skins/default.skin", 0, 10));

    RunResult result = runAndQuit(run);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("Error adding Archive file 'huge.nfi'")) << result.standardError;
}

TEST(HostileData, SkinMemberReachingPastTheEndOfItsArchiveFailsStartUp)
{
    RunDirectory run;
    run.writeConfig("skin = \"past\"\n");
    // The member claims a whole skin file, but its data would start 2 bytes before the archive ends.
    std::string directory = archive::dirHeader(1) + archive::dirEntry("/gfx/skins/past.skin", 0, 2740);
    std::string bytes = archive::fileHeader(13) + directory;
    bytes.replace(13 + 8 + 260, 4, le32(static_cast<unsigned>(bytes.size()) - 2));
    run.writeFile("data/past.nfi", bytes);

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("Adding Archive file 'past.nfi' (1 file)")) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('past'): Error reading skin part field type")) << result.standardError;
}

TEST(HostileData, ConfigurationScriptOfTenMegabytesIsRunToItsEnd)
{
    RunDirectory run;
    std::string script;
    const std::string comment = "-- " + std::string(60, 'x') + "\n";
    while (script.size() < 10u * 1024 * 1024)
        script += comment;
    script += "skin = \"nosuch\"\n";
    run.writeConfig(script);

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_FALSE(result.contains("Error in configuration file!")) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('/gfx/skins/nosuch.skin'): Unable to open skin file")) << result.standardError;
}

TEST(HostileData, SkinNameOf300CharactersIsCutTo255AndFailsStartUp)
{
    RunDirectory run;
    run.writeConfig("skin = \"" + std::string(300, 'a') + "\"\n");

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    // "/gfx/skins/" and the name, cut at 255 characters: the ".skin" never fits.
    EXPECT_TRUE(result.hasLine("loadSkin ('/gfx/skins/" + std::string(244, 'a') + "'): Unable to open skin file"))
        << result.standardError;
}

TEST(HostileData, SkinPartNamesOf256BytesWithoutTerminatorFailStartUp)
{
    RunDirectory run;
    run.writeConfig("skin = \"longnames\"\n");
    run.writeFile("data/gfx/skins/longnames.skin", skinWith(0, std::string(300, 'b')));

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('longnames') : Error loading tile graphic for enabled caption background"))
        << result.standardError;
}

TEST(HostileData, ProgramPathOf300CharactersFallsBackToTheWorkingDirectory)
{
    // The run directory cannot be resolved into 255 characters, so the program looks for its configuration
    // and data relative to the working directory, here one without them: start-up stops at the skin.
    RunDirectory run(ZARVELLO_PROGRAM, 300);
    ASSERT_EQ(run.path().size(), 300u);
    run.setArgv0(run.programPath());
    run.setWorkingDirectory("/");

    RunResult result = run.run({"-windowed"}, 120);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_TRUE(result.hasLine("Unable to scan directory './data', skipping")) << result.standardError;
    EXPECT_TRUE(result.hasLine("loadSkin ('/gfx/skins/default.skin'): Unable to open skin file"))
        << result.standardError;
}

// --- Names that are no regular files: start-up never waits on them ----------------------------------------

TEST(HostileData, FifosNamedLikeAnArchiveAndLikeTheSkinAreRefusedAndTheProgramRuns)
{
    RunDirectory run;
    run.makeFifo("data/x.nfi");
    // The loose skin is passed over for the shipped archive's member of the same name.
    run.makeFifo("data/gfx/skins/default.skin");

    RunResult result = runAndQuit(run);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("Error adding Archive file 'x.nfi'")) << result.standardError;
    EXPECT_TRUE(result.contains("Initialized video system")) << result.standardError;
    EXPECT_FALSE(result.contains("loadSkin (")) << result.standardError;
}

TEST(HostileData, ArchiveLinkedToStandardInputIsRefusedWhenThatIsAnIdlePipeOrTerminal)
{
    for (RunDirectory::StandardInput input :
         {RunDirectory::StandardInput::IdlePipe, RunDirectory::StandardInput::IdleTerminal}) {
        RunDirectory run;
        run.makeLink("/dev/stdin", "data/stdin.nfi");
        run.setStandardInput(input);

        RunResult result = runAndQuit(run);
        expectNoCrash(result);
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        EXPECT_TRUE(result.hasLine("Error adding Archive file 'stdin.nfi'")) << result.standardError;
    }
}

TEST(HostileData, FifoNamedLikeTheConfigurationFileIsOnlyAWarning)
{
    RunDirectory run;
    run.makeFifo("zarvello.conf");

    RunResult result = runAndQuit(run);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    bool warned = false;
    for (const std::string &line : result.lines())
        warned = warned || (line.rfind("Warning: Config file '", 0) == 0 &&
                            line.find("/zarvello.conf' could not be opened") != std::string::npos);
    EXPECT_TRUE(warned) << result.standardError;
    EXPECT_FALSE(result.contains("Error in configuration file!")) << result.standardError;
}

TEST(HostileData, FifoNamedLikeTheLogFileTakesNoLineAndTheProgramRuns)
{
    RunDirectory run;
    run.makeFifo("console.log");

    RunResult result = runAndQuit(run, {"-windowed", "-logconsole"});
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(result.hasLine("Data Loader initializing")) << result.standardError;
}

// --- Open files: every accepted archive keeps one ---------------------------------------------------------

namespace {

// Writes count small intact archives into data/ besides the shipped one.
void writeArchives(RunDirectory &run, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string name = "extra" + std::to_string(i);
        run.writeFile("data/" + name + ".nfi", archive::build({{"/" + name, "x"}}));
    }
}

unsigned long long hardOpenFileLimit()
{
    struct rlimit limit;
    return getrlimit(RLIMIT_NOFILE, &limit) == 0 ? static_cast<unsigned long long>(limit.rlim_max) : 0;
}

}  // namespace

TEST(HostileData, LowSoftLimitOnOpenFilesIsRaisedSoThatEveryArchiveIsAccepted)
{
    const unsigned long long hard = hardOpenFileLimit();
    if (hard < 1024)
        GTEST_SKIP() << "the hard limit on open files is " << hard;
    RunDirectory run;
    writeArchives(run, 300);
    run.setOpenFileLimits(64, hard);

    RunResult result = runAndQuit(run);
    expectNoCrash(result);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    int accepted = 0;
    for (const std::string &line : result.lines())
        accepted += line.rfind("Adding Archive file '", 0) == 0;
    EXPECT_EQ(accepted, 301) << result.standardError;
    EXPECT_FALSE(result.contains("Error adding Archive file")) << result.standardError;
}

// With a hard limit of 64 open files, 100 archives cannot all stay open: each one refused for that reason says
// so in a warning right after its error line, and the descriptors kept free let start-up go on (the skin loads
// when the shipped archive was among the accepted ones).
TEST(HostileData, ArchivesBeyondTheHardLimitOnOpenFilesAreRefusedWithAWarningEach)
{
    RunDirectory run;
    writeArchives(run, 100);
    run.setOpenFileLimits(64, 64);

    RunResult result = runAndQuit(run);
    expectNoCrash(result);
    const std::vector<std::string> lines = result.lines();
    const std::string error = "Error adding Archive file '";
    int accepted = 0;
    int refused = 0;
    int warned = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        accepted += lines[i].rfind("Adding Archive file '", 0) == 0;
        if (lines[i].rfind(error, 0) != 0)
            continue;
        ++refused;
        const std::string name = lines[i].substr(error.size(), lines[i].size() - error.size() - 1);
        warned += i + 1 < lines.size() &&
                  lines[i + 1] == "WARNING: Too few file descriptors left to keep archive file '" + name +
                                      "' open (each accepted archive keeps one, 16 stay free for other files; "
                                      "this process may open 64 files)";
    }
    EXPECT_EQ(accepted + refused, 101) << result.standardError;
    EXPECT_GT(refused, 0) << result.standardError;
    EXPECT_EQ(warned, refused) << result.standardError;
}
