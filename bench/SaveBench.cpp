// Saves: writing a 1 MB file. The engine's savePlayerFile (a temporary file in the same folder, written, flushed,
// renamed over the old file, the folder flushed) against a plain write of the same bytes over the old file
// (fopen / fwrite / fclose, and the same with fsync before the close), against PhysicsFS writing through its write
// folder, and against the engine's steps without the two flushes (temporary file and rename only). The flushes are
// what keeps the data when the machine stops; the cases show what they cost. Times are wall-clock: a flush waits
// for the disk, which takes no processor time. Every contender's file is checked against the bytes first.
// ZARVELLO_BENCH_SMOKE set: 64 KB, for a quick run that proves the program works.
// Depends on: PlayerData, PhysicsFS, Google Benchmark, POSIX.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <physfs.h>

#include "BenchSupport.h"
#include "PlayerData.h"
#include "Utility.h"

namespace {

struct SaveData {
    ScratchDirectory directory{"save"};
    std::vector<char> bytes;
    std::string plainFolder;  // the plain writes' and PhysicsFS's folder
};

SaveData *data = nullptr;

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void plainWrite(const std::string &path, bool flush)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data->bytes.data(), 1, data->bytes.size(), file) != data->bytes.size())
        benchFailure("plain write of " + path + " failed");
    if (flush && (std::fflush(file) != 0 || fsync(fileno(file)) != 0))
        benchFailure("flushing " + path + " failed");
    std::fclose(file);
}

void physfsWrite()
{
    PHYSFS_File *file = PHYSFS_openWrite("physfs.bin");
    const PHYSFS_sint64 size = PHYSFS_sint64(data->bytes.size());
    if (!file || PHYSFS_writeBytes(file, data->bytes.data(), PHYSFS_uint64(size)) != size)
        benchFailure("PhysicsFS could not write");
    PHYSFS_close(file);
}

// The engine's steps without its flushes: a temporary file in the same folder, renamed over the old one.
void replaceWithoutFlushes(const std::string &folder)
{
    const std::string temp = folder + "/.unflushed.tmp";
    const std::string path = folder + "/unflushed.bin";
    int descriptor = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0 || write(descriptor, data->bytes.data(), data->bytes.size()) != ssize_t(data->bytes.size()))
        benchFailure("writing " + temp + " failed");
    close(descriptor);
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        benchFailure("renaming " + temp + " failed");
}

void engineSave()
{
    if (savePlayerFile("engine.bin", data->bytes.data(), Uint32(data->bytes.size())) != SDL_TRUE)
        benchFailure("savePlayerFile failed");
}

void prepareProgram()
{
    silenceConsole();
    data = new SaveData;
    const char *smoke = std::getenv("ZARVELLO_BENCH_SMOKE");
    data->bytes.resize(smoke && *smoke ? 64 * 1024 : 1024 * 1024);
    std::mt19937 random(26);
    for (char &byte : data->bytes)
        byte = char(random());
    const std::string root = data->directory.path();
    data->plainFolder = root + "/plain";
    runOrDie({"mkdir", "-p", data->plainFolder});
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    executablePath("/proc/self/exe");
    if (setGameName("savebench") != SDL_TRUE)
        benchFailure("setGameName refused the name");
    if (!PHYSFS_init(nullptr) || !PHYSFS_setWriteDir(data->plainFolder.c_str()))
        benchFailure(std::string("PhysicsFS refused the folder: ") + PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));

    // Every contender writes the same bytes.
    const std::string expected(data->bytes.begin(), data->bytes.end());
    plainWrite(data->plainFolder + "/plain.bin", false);
    plainWrite(data->plainFolder + "/flushed.bin", true);
    physfsWrite();
    replaceWithoutFlushes(data->plainFolder);
    engineSave();
    for (const std::string &path : {data->plainFolder + "/plain.bin", data->plainFolder + "/flushed.bin",
                                    data->plainFolder + "/physfs.bin", data->plainFolder + "/unflushed.bin",
                                    root + "/data/savebench/engine.bin"})
        if (readAll(path) != expected)
            benchFailure(path + " does not hold the bytes written");

    benchmark::RegisterBenchmark("save/plain_write", [](benchmark::State &state) {
        for (auto _ : state)
            plainWrite(data->plainFolder + "/plain.bin", false);
    })->UseRealTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("save/plain_write_flushed", [](benchmark::State &state) {
        for (auto _ : state)
            plainWrite(data->plainFolder + "/flushed.bin", true);
    })->UseRealTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("save/physfs_write", [](benchmark::State &state) {
        for (auto _ : state)
            physfsWrite();
    })->UseRealTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("save/replace_without_flushes", [](benchmark::State &state) {
        for (auto _ : state)
            replaceWithoutFlushes(data->plainFolder);
    })->UseRealTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("save/engine", [](benchmark::State &state) {
        for (auto _ : state)
            engineSave();
    })->UseRealTime()->Unit(benchmark::kMicrosecond);
}

void finishProgram()
{
    PHYSFS_deinit();
    delete data;
    data = nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepareProgram, finishProgram);
}
