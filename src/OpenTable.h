// OpenTable: the open-addressing core of the engine's indexes, the caches' CacheIndex and the data loader's
// name index. A power-of-two table of slots kept at most half full: a key's hash picks the first slot to look
// at, and the slots after it are looked at in turn until a free one ends the search. The table starts at a
// cache line boundary, so a slot of 64 bytes fills one line.
// A Slot is a plain struct whose zero bytes make a free slot, with a `Uint32 hash` member, `bool taken() const`
// and `static const size_t maxSlots`, the most slots its index may take.
// Depends on: Memory (the table comes from the tracked allocator through new).
#ifndef ZARVELLO_OPENTABLE_H
#define ZARVELLO_OPENTABLE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>

#include <SDL_types.h>

// The hash a key of the indexes is filed under: a name's bytes mixed with a number, so that keys differing in
// any bit of either land apart.
Uint32 indexKeyHash(std::string_view name, Uint32 number);

// The bits of a key's hash an index keeps, taken when the index is made: all of them, unless a test narrows it
// so that different keys collide and must be told apart by their bytes.
extern Uint32 indexHashMask;

template <typename Slot>
class OpenTable {
public:
    OpenTable() = default;
    ~OpenTable() { delete[] block; }
    OpenTable(const OpenTable &) = delete;
    OpenTable &operator=(const OpenTable &) = delete;

    // Room for keys keys in all; false (the table as it was) when memory runs out or past Slot::maxSlots.
    bool reserve(Uint64 keys);

    // The slot holding a key that matches, or null.
    template <typename Matches>
    const Slot *find(Uint32 hash, Matches matches) const
    {
        if (capacity == 0)
            return nullptr;
        const size_t mask = capacity - 1;
        for (size_t at = hash & mask; slots[at].taken(); at = (at + 1) & mask) {
            if (matches(slots[at]))
                return &slots[at];
        }
        return nullptr;
    }

    // The slot holding a key that matches, or the free slot where the key goes, which the caller fills and
    // counts (filled()). The table must have room for one more key (reserve).
    template <typename Matches>
    Slot &place(Uint32 hash, Matches matches)
    {
        const size_t mask = capacity - 1;
        size_t at = hash & mask;
        while (slots[at].taken() && !matches(slots[at]))
            at = (at + 1) & mask;
        return slots[at];
    }

    // Counts a free slot that place() gave and the caller filled.
    void filled() { ++used; }

    // The number of taken slots.
    size_t size() const { return used; }

    // Frees the table: no key is filed any more.
    void clear()
    {
        delete[] block;
        block = nullptr;
        slots = nullptr;
        capacity = 0;
        used = 0;
    }

private:
    static const size_t cacheLine = 64;
    static const size_t firstSlots = 16;

    char *block = nullptr;  // the table's memory; slots start at its first cache line boundary
    Slot *slots = nullptr;
    size_t capacity = 0;
    size_t used = 0;
};

template <typename Slot>
bool OpenTable<Slot>::reserve(Uint64 keys)
{
    if (keys * 2 <= capacity)
        return true;
    Uint64 wanted = capacity == 0 ? firstSlots : capacity;
    while (wanted < keys * 2) {
        if (wanted >= Slot::maxSlots)
            return false;
        wanted *= 2;
    }
    char *grownBlock = new (std::nothrow) char[static_cast<size_t>(wanted) * sizeof(Slot) + cacheLine];
    if (!grownBlock)
        return false;
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(grownBlock);
    Slot *grown = reinterpret_cast<Slot *>((address + cacheLine - 1) & ~std::uintptr_t(cacheLine - 1));
    std::memset(static_cast<void *>(grown), 0, static_cast<size_t>(wanted) * sizeof(Slot));
    const size_t mask = static_cast<size_t>(wanted - 1);
    for (size_t i = 0; i < capacity; ++i) {
        if (!slots[i].taken())
            continue;
        size_t at = slots[i].hash & mask;
        while (grown[at].taken())
            at = (at + 1) & mask;
        grown[at] = slots[i];
    }
    delete[] block;
    block = grownBlock;
    slots = grown;
    capacity = static_cast<size_t>(wanted);
    return true;
}

#endif
