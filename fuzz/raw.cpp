// Fuzz target: the RAW reader. The first four bytes of the input choose the size the caller passes (width
// and height, 16 bits each, little-endian); the rest is the ".raw" data file, read as a loose file and as an
// archive member.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "Memory.h"
#include "RawLoader.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const Uint16 width = static_cast<Uint16>(data[0] | data[1] << 8);
    const Uint16 height = static_cast<Uint16>(data[2] | data[3] << 8);
    const Uint32 baseline = fuzz::beginInputAsFiles("/gfx/loose.raw", "/gfx/member.raw", data + 4, size - 4);
    for (const char *name : {"/gfx/loose.raw", "/gfx/member.raw"}) {
        Uint16 w = width, h = height;
        Uint8 *pixels = rawImageFromFile(name, w, h);
        if (pixels) {
            const size_t bytes = static_cast<size_t>(w) * h * 3;
            volatile Uint8 last = pixels[bytes - 1];
            (void)last;
            delete[] pixels;
        }
    }
    fuzz::endInput(baseline);
    return 0;
}
