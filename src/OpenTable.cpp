// The indexes' one hash and its test knob; the table itself is a template in OpenTable.h.
// Depends on: the C++ library's string hash.
#include "OpenTable.h"

#include <functional>

Uint32 indexHashMask = 0xFFFFFFFFu;

Uint32 indexKeyHash(std::string_view name, Uint32 number)
{
    Uint64 h = std::hash<std::string_view>()(name);
    h ^= (static_cast<Uint64>(number) + 1) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 31;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return static_cast<Uint32>(h);
}
