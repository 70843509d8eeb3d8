// Data files: open, read whole and close 1,000 members of 1 to 16 KB, picked at random, from an archive of
// 10,000 members. The engine's loader against PhysicsFS reading the same files from an uncompressed zip
// ("zip -0") and against fopen / fread of the same loose files. The engine runs twice: as the program sets it up
// (a data path holding the archive, so every open first tries a loose file there) and with the archive alone.
// A second pair of cases opens and closes one member of an archive of 100 and of 100,000 entries, to show
// that the name lookup does not grow with the archive. nfitool and zip make the archives at run time; every
// contender's bytes are checked against the loose files before anything is timed.
// ZARVELLO_BENCH_SMOKE set: 1,000 members and 10,000 entries, for a quick run that proves the program works.
// Depends on: NFILoader, nfitool, zip, PhysicsFS, Google Benchmark.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <physfs.h>

#include "BenchSupport.h"
#include "NFILoader.h"

namespace {

const unsigned picksPerRun = 1000;

struct ArchiveData {
    ScratchDirectory directory{"archive"};
    unsigned members = 10000;
    unsigned largeEntries = 100000;
    std::vector<std::string> names;            // data names of the members, "/data/dNN/mNNNNN.bin"
    std::vector<std::vector<char>> contents;   // the members' bytes
    std::vector<unsigned> picks;               // picksPerRun member numbers, random, repeats allowed
    std::string looseRoot;                     // the members as loose files: looseRoot + data name
    std::string archiveDirectory;              // holds members.nfi and nothing else
    std::string archive;
    std::string zip;
    std::string smallArchive;                  // 100 entries
    std::string largeArchive;                  // largeEntries entries
    std::vector<std::string> smallPicks;
    std::vector<std::string> largePicks;
};

ArchiveData *data = nullptr;

std::string memberName(unsigned number)
{
    char name[64];
    std::snprintf(name, sizeof name, "/data/d%02u/m%05u.bin", number % 100, number);
    return name;
}

// count members of the given sizes below root, then packed into archive by nfitool.
void makeArchive(const std::string &root, const std::string &archive, unsigned count, std::mt19937 &random,
                 unsigned minSize, unsigned maxSize, std::vector<std::string> *names,
                 std::vector<std::vector<char>> *contents)
{
    std::uniform_int_distribution<unsigned> size(minSize, maxSize);
    for (unsigned i = 0; i < count; ++i) {
        std::vector<char> bytes(size(random));
        for (char &byte : bytes)
            byte = static_cast<char>(random());
        const std::string name = memberName(i);
        writeFileOrDie(root + name, bytes.data(), bytes.size());
        if (names)
            names->push_back(name);
        if (contents)
            contents->push_back(std::move(bytes));
    }
    runOrDie({ZARVELLO_NFITOOL, "create", archive, root});
}

std::vector<std::string> pickNames(unsigned count, std::mt19937 &random)
{
    std::uniform_int_distribution<unsigned> member(0, count - 1);
    std::vector<std::string> names;
    for (unsigned i = 0; i < picksPerRun; ++i)
        names.push_back(memberName(member(random)));
    return names;
}

void prepareData()
{
    data = new ArchiveData();
    const char *smoke = std::getenv("ZARVELLO_BENCH_SMOKE");
    if (smoke && *smoke) {
        data->members = 1000;
        data->largeEntries = 10000;
    }
    const std::string &base = data->directory.path();
    std::mt19937 random(42);

    data->looseRoot = base + "/loose";
    data->archiveDirectory = base + "/packed";
    data->archive = data->archiveDirectory + "/members.nfi";
    runOrDie({"mkdir", "-p", data->archiveDirectory});
    makeArchive(data->looseRoot, data->archive, data->members, random, 1024, 16384, &data->names, &data->contents);
    data->zip = base + "/members.zip";
    runOrDie({"zip", "-0", "-q", "-r", data->zip, "data"}, data->looseRoot);

    std::uniform_int_distribution<unsigned> member(0, data->members - 1);
    for (unsigned i = 0; i < picksPerRun; ++i)
        data->picks.push_back(member(random));

    data->smallArchive = base + "/small.nfi";
    data->largeArchive = base + "/large.nfi";
    makeArchive(base + "/small", data->smallArchive, 100, random, 16, 64, nullptr, nullptr);
    makeArchive(base + "/large", data->largeArchive, data->largeEntries, random, 16, 64, nullptr, nullptr);
    runOrDie({"rm", "-rf", base + "/small", base + "/large"});
    data->smallPicks = pickNames(100, random);
    data->largePicks = pickNames(data->largeEntries, random);
}

// A fresh loader: with the archive's directory as its data path (the program's set-up), or with one
// archive and no data path.
NFILoader *freshLoader(const std::string &dataPath, const std::string &archive)
{
    delete NFILoader::globalLoader();
    NFILoader *loader = NFILoader::globalLoader();
    if (!dataPath.empty())
        loader->addDataPath(dataPath.c_str());
    if (!archive.empty() && !loader->addNFIFile(archive.c_str()))
        benchFailure("the loader refused " + archive);
    return loader;
}

size_t readWithEngine(NFILoader *loader, const std::string &name, std::vector<char> &buffer)
{
    const NFIHandle handle = loader->openFile(name.c_str());
    if (handle < 0)
        benchFailure("the loader cannot open " + name);
    const Sint32 length = loader->fileSize(handle);
    buffer.resize(static_cast<size_t>(length));
    if (!loader->readByteStream(handle, buffer.data(), static_cast<Uint32>(length)))
        benchFailure("the loader cannot read " + name);
    loader->closeFile(handle);
    return buffer.size();
}

size_t readWithPhysfs(const std::string &name, std::vector<char> &buffer)
{
    PHYSFS_File *file = PHYSFS_openRead(name.c_str() + 1);
    if (!file)
        benchFailure("PhysicsFS cannot open " + name);
    const PHYSFS_sint64 length = PHYSFS_fileLength(file);
    buffer.resize(static_cast<size_t>(length));
    if (PHYSFS_readBytes(file, buffer.data(), static_cast<PHYSFS_uint64>(length)) != length)
        benchFailure("PhysicsFS cannot read " + name);
    PHYSFS_close(file);
    return buffer.size();
}

size_t readLoose(const std::string &name, std::vector<char> &buffer)
{
    FILE *file = std::fopen((data->looseRoot + name).c_str(), "rb");
    if (!file)
        benchFailure("cannot open the loose file " + name);
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    buffer.resize(static_cast<size_t>(length));
    if (std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size())
        benchFailure("cannot read the loose file " + name);
    std::fclose(file);
    return buffer.size();
}

void checkContendersAgree()
{
    std::vector<char> buffer;
    NFILoader *loader = freshLoader(data->archiveDirectory, "");
    for (unsigned number : data->picks) {
        const std::string &name = data->names[number];
        const std::vector<char> &expected = data->contents[number];
        readWithEngine(loader, name, buffer);
        if (buffer != expected)
            benchFailure("the loader gives other bytes for " + name);
        readWithPhysfs(name, buffer);
        if (buffer != expected)
            benchFailure("PhysicsFS gives other bytes for " + name);
        readLoose(name, buffer);
        if (buffer != expected)
            benchFailure("the loose file differs for " + name);
    }
    delete loader;
}

template <typename Read>
void readPicks(benchmark::State &state, Read read)
{
    std::vector<char> buffer;
    size_t bytes = 0;
    for (auto _ : state) {
        for (unsigned number : data->picks)
            bytes += read(data->names[number], buffer);
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * picksPerRun);
}

void openAndClose(benchmark::State &state, const std::string &archive, const std::vector<std::string> &picks)
{
    NFILoader *loader = freshLoader("", archive);
    size_t next = 0;
    for (auto _ : state) {
        const NFIHandle handle = loader->openFile(picks[next].c_str());
        if (handle < 0)
            benchFailure("the loader cannot open " + picks[next]);
        loader->closeFile(handle);
        next = next + 1 == picks.size() ? 0 : next + 1;
    }
    delete loader;
}

void registerBenchmarks()
{
    benchmark::RegisterBenchmark("archive/read1000/engine", [](benchmark::State &state) {
        NFILoader *loader = freshLoader(data->archiveDirectory, "");
        readPicks(state, [loader](const std::string &name, std::vector<char> &buffer) {
            return readWithEngine(loader, name, buffer);
        });
        delete loader;
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("archive/read1000/engine_archive_only", [](benchmark::State &state) {
        NFILoader *loader = freshLoader("", data->archive);
        readPicks(state, [loader](const std::string &name, std::vector<char> &buffer) {
            return readWithEngine(loader, name, buffer);
        });
        delete loader;
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("archive/read1000/physfs", [](benchmark::State &state) {
        readPicks(state, readWithPhysfs);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("archive/read1000/loose", [](benchmark::State &state) {
        readPicks(state, readLoose);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("archive/open/engine_entries_100", [](benchmark::State &state) {
        openAndClose(state, data->smallArchive, data->smallPicks);
    })->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark(("archive/open/engine_entries_" + std::to_string(data->largeEntries)).c_str(),
                                 [](benchmark::State &state) {
        openAndClose(state, data->largeArchive, data->largePicks);
    })->Unit(benchmark::kNanosecond);
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    silenceConsole();
    prepareData();
    if (!PHYSFS_init(argv[0]) || !PHYSFS_mount(data->zip.c_str(), nullptr, 1))
        benchFailure(std::string("PhysicsFS refused the zip: ") + PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
    checkContendersAgree();
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PHYSFS_deinit();
    delete NFILoader::globalLoader();
    delete data;
    return 0;
}
