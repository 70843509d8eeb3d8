// The caches' index: a key's hash picks the first slot to look at, and the slots after it are looked at in turn
// until a free one ends the search. The first entry added under a key keeps its slot for good, which is what a
// walk in insertion order returns; later entries under the same key are never filed.
// Depends on: Memory (through new).
#include "CacheIndex.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>

namespace {

const size_t cacheLine = 64;

// 2^24 slots of 64 bytes, a gigabyte, hold eight million keys: far past any cache.
const size_t maxSlots = size_t(1) << 24;
const size_t firstSlots = 16;

}  // namespace

Uint32 CacheIndex::hashMask = 0xFFFFFFFFu;

CacheIndex::CacheIndex() : block(nullptr), slots(nullptr), capacity(0), used(0), keptBits(hashMask)
{
    static_assert(sizeof(Slot) == cacheLine, "a slot fills one cache line");
}

CacheIndex::~CacheIndex()
{
    delete[] static_cast<char *>(block);
}

// The name's hash mixed with the number, so that keys differing in any bit of either land apart.
Uint32 CacheIndex::hashOf(const char *name, Uint32 number) const
{
    Uint64 h = std::hash<std::string_view>()(std::string_view(name));
    h ^= (static_cast<Uint64>(number) + 1) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 31;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return static_cast<Uint32>(h) & keptBits;
}

// The head decides alone when the whole name fits in it; otherwise the rest is compared past it. A name that
// matches a full head has at least as many bytes, so its rest can be read.
bool CacheIndex::Slot::holds(const char *wanted, Uint32 wantedHash, Uint32 wantedNumber) const
{
    if (hash != wantedHash || number != wantedNumber || std::strncmp(head, wanted, sizeof head) != 0)
        return false;
    return whole || std::strcmp(name + sizeof head, wanted + sizeof head) == 0;
}

void *CacheIndex::find(const char *name, Uint32 number) const
{
    if (used == 0)
        return nullptr;
    const Uint32 hash = hashOf(name, number);
    const size_t mask = capacity - 1;
    for (size_t at = hash & mask; slots[at].entry; at = (at + 1) & mask) {
        if (slots[at].holds(name, hash, number))
            return slots[at].entry;
    }
    return nullptr;
}

bool CacheIndex::add(const char *name, Uint32 number, void *entry)
{
    if ((used + 1) * 2 > capacity && !grow())
        return false;
    const Uint32 hash = hashOf(name, number);
    const size_t mask = capacity - 1;
    size_t at = hash & mask;
    for (; slots[at].entry; at = (at + 1) & mask) {
        if (slots[at].holds(name, hash, number))
            return true;
    }
    Slot &slot = slots[at];
    slot.name = name;
    slot.entry = entry;
    slot.hash = hash;
    slot.number = number;
    const size_t length = std::strlen(name);
    slot.whole = length < sizeof slot.head;
    std::memcpy(slot.head, name, slot.whole ? length + 1 : sizeof slot.head);
    ++used;
    return true;
}

bool CacheIndex::grow()
{
    const size_t wanted = capacity == 0 ? firstSlots : capacity * 2;
    if (wanted > maxSlots)
        return false;
    char *grownBlock = new (std::nothrow) char[(wanted + 1) * sizeof(Slot)];
    if (!grownBlock)
        return false;
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(grownBlock);
    Slot *grown = reinterpret_cast<Slot *>((address + cacheLine - 1) & ~std::uintptr_t(cacheLine - 1));
    std::memset(static_cast<void *>(grown), 0, wanted * sizeof(Slot));
    const size_t mask = wanted - 1;
    for (size_t i = 0; i < capacity; ++i) {
        if (!slots[i].entry)
            continue;
        size_t at = slots[i].hash & mask;
        while (grown[at].entry)
            at = (at + 1) & mask;
        grown[at] = slots[i];
    }
    delete[] static_cast<char *>(block);
    block = grownBlock;
    slots = grown;
    capacity = wanted;
    return true;
}
