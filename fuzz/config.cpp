// Fuzz target: the configuration script runner. The input is "zarvello.conf" in a private directory, run
// with readConfigFile as start-up runs it, and the defaults restored after a failure as start-up restores
// them. readConfigFile turns the console echo back on, so run this target with -close_fd_mask=2.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Config.h"
#include "Console.h"
#include "FuzzSupport.h"
#include "Memory.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInput();
    fuzz::writeDataFile("/zarvello.conf", data, size);
    {
        const std::string path = fuzz::dataDirectory() + "/zarvello.conf";
        if (readConfigFile(path.c_str()) == SDL_FALSE)
            initializeWithDefaults();
    }
    fuzz::endInput(baseline);
    return 0;
}
