// Fuzz target: the TGA reader. The input is a ".tga" data file, read once as a loose file and once as the
// member of an archive (where seeks from the end and reads past the end go through the member's bounds).
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "Memory.h"
#include "TgaLoader.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInputAsFiles("/gfx/loose.tga", "/gfx/member.tga", data, size);
    for (const char *name : {"/gfx/loose.tga", "/gfx/member.tga"}) {
        Uint16 width = 0, height = 0;
        Uint8 *pixels = targaImageFromFile(name, width, height);
        if (pixels) {
            // Every pixel of the promised size must be there to be read.
            volatile Uint8 sum = 0;
            const size_t bytes = static_cast<size_t>(width) * height * 3;
            for (size_t i = 0; i < bytes; i += 97)
                sum = sum + pixels[i];
            if (bytes)
                sum = sum + pixels[bytes - 1];
            delete[] pixels;
        }
    }
    fuzz::endInput(baseline);
    return 0;
}
