// The caches' index: a key's hash picks the first slot to look at, and the slots after it are looked at in turn
// until a free one ends the search. The first entry added under a key keeps its slot for good, which is what a
// walk in insertion order returns; later entries under the same key are never filed.
// Depends on: Memory (through new).
#include "CacheIndex.h"

#include <cstring>
#include <functional>
#include <new>
#include <string_view>

namespace {

// 2^26 slots of 24 bytes is far past any cache and past what the tracked allocator hands out in one block.
const size_t maxSlots = size_t(1) << 26;
const size_t firstSlots = 16;

}  // namespace

Uint32 CacheIndex::hashMask = 0xFFFFFFFFu;

CacheIndex::CacheIndex() : slots(nullptr), capacity(0), used(0), keptBits(hashMask) {}

CacheIndex::~CacheIndex()
{
    delete[] slots;
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

void *CacheIndex::find(const char *name, Uint32 number) const
{
    if (used == 0)
        return nullptr;
    const Uint32 hash = hashOf(name, number);
    const size_t mask = capacity - 1;
    for (size_t at = hash & mask; slots[at].entry; at = (at + 1) & mask) {
        const Slot &slot = slots[at];
        if (slot.hash == hash && slot.number == number && std::strcmp(slot.name, name) == 0)
            return slot.entry;
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
        const Slot &slot = slots[at];
        if (slot.hash == hash && slot.number == number && std::strcmp(slot.name, name) == 0)
            return true;
    }
    slots[at] = Slot{name, entry, hash, number};
    ++used;
    return true;
}

bool CacheIndex::grow()
{
    const size_t wanted = capacity == 0 ? firstSlots : capacity * 2;
    if (wanted > maxSlots)
        return false;
    Slot *grown = new (std::nothrow) Slot[wanted]();
    if (!grown)
        return false;
    const size_t mask = wanted - 1;
    for (size_t i = 0; i < capacity; ++i) {
        if (!slots[i].entry)
            continue;
        size_t at = slots[i].hash & mask;
        while (grown[at].entry)
            at = (at + 1) & mask;
        grown[at] = slots[i];
    }
    delete[] slots;
    slots = grown;
    capacity = wanted;
    return true;
}
