// Fuzz support: the private data directory, archive bytes, the loader per input and the leak check.
#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "NFILoader.h"
#include "Video.h"

namespace fuzz {

namespace {

std::string directory;

void removeDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string le32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

}  // namespace

void initialize()
{
    if (!directory.empty())
        return;
    displayConsole = SDL_FALSE;
    logConsole = SDL_FALSE;
    // In memory where the system offers it: every input writes files.
    std::string pattern =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm/zarvello-fuzz-XXXXXX" : "/tmp/zarvello-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    directory = pattern;
    std::atexit(removeDirectory);
    // The console is made once, here, so that the leak check of an input does not count it.
    Console::addString("Fuzzing with data directory '%s'", directory.c_str());
    Console::clearBuffer();
}

void initializeWithScreen()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    initialize();
    fullscreen = SDL_FALSE;
    if (SDL_Init(SDL_INIT_TIMER) < 0 || !initializeVideo())
        std::abort();
}

const std::string &dataDirectory()
{
    return directory;
}

void writeDataFile(const std::string &dataName, const std::uint8_t *data, std::size_t size)
{
    const std::string path = directory + dataName;
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        out = std::fopen(path.c_str(), "wb");
    }
    if (!out) {
        std::perror(path.c_str());
        std::abort();
    }
    if (size > 0)
        std::fwrite(data, 1, size, out);
    std::fclose(out);
}

void removeDataFile(const std::string &dataName)
{
    std::remove((directory + dataName).c_str());
}

std::string archiveWithMember(const std::string &memberName, const std::uint8_t *data, std::size_t size)
{
    const std::uint32_t headerSize = 13;
    std::string bytes("NFI\0", 4);
    bytes += '\x01';
    bytes += le32(0);
    bytes += le32(static_cast<std::uint32_t>(headerSize + size));
    bytes.append(reinterpret_cast<const char *>(data), size);
    bytes += le32(1) + le32(0);
    std::string name = memberName.substr(0, 259);
    name.resize(260, '\0');
    bytes += name + le32(headerSize) + le32(static_cast<std::uint32_t>(size)) + std::string(8, '\0');
    return bytes;
}

void writeArchive(const std::string &fileName, const std::string &memberName, const std::uint8_t *data,
                  std::size_t size)
{
    std::string bytes = archiveWithMember(memberName, data, size);
    writeDataFile("/" + fileName, reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

NFILoader *freshLoader()
{
    NFILoader *loader = NFILoader::globalLoader();
    loader->addDataPath(directory.c_str());
    return loader;
}

Uint32 beginInput()
{
    Console::clearBuffer();
    return totalAllocatedMemory();
}

Uint32 beginInputAsFiles(const char *looseName, const char *memberName, const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = beginInput();
    writeDataFile(looseName, data, size);
    writeArchive("member.nfi", memberName, data, size);
    freshLoader();
    return baseline;
}

void endInput(Uint32 baseline)
{
    delete NFILoader::globalLoader();
    Console::clearBuffer();
    if (totalAllocatedMemory() != baseline) {
        std::fprintf(stderr, "==fuzz== the input left %ld bytes of tracked memory allocated\n",
                     static_cast<long>(totalAllocatedMemory()) - static_cast<long>(baseline));
        std::abort();
    }
}

}  // namespace fuzz
