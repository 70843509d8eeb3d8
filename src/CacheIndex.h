// CacheIndex: the index a cache keeps beside its array of entries. A key is a name, compared byte for byte as a
// whole string, and a 32-bit number beside it; the index answers with the entry a walk over the array in
// insertion order would find first, without the walk. Each name belongs to its entry, which must keep it
// unchanged for as long as the index lives.
// The table is the indexes' open-addressing core (OpenTable). A slot fills one cache line: the key's hash and
// number, the entry, and the name's first bytes, so that a hit on a name of up to 38 bytes reads nothing but its
// slot.
// Depends on: OpenTable.
#ifndef ZARVELLO_CACHEINDEX_H
#define ZARVELLO_CACHEINDEX_H

#include <cstddef>

#include <SDL_types.h>

#include "OpenTable.h"

class CacheIndex {
public:
    CacheIndex();
    ~CacheIndex();
    CacheIndex(const CacheIndex &) = delete;
    CacheIndex &operator=(const CacheIndex &) = delete;

    // The entry filed under (name, number), or null when there is none.
    void *find(const char *name, Uint32 number) const;

    // Files entry under (name, number) unless an earlier entry holds that key; false when memory runs out.
    bool add(const char *name, Uint32 number, void *entry);

private:
    struct Slot {
        const char *name;
        void *entry;  // null: the slot is free
        Uint32 hash;
        Uint32 number;
        char head[39];  // the name's first bytes, terminated when the whole name fits
        bool whole;

        // 2^24 slots of 64 bytes, a gigabyte, hold eight million keys: far past any cache.
        static const size_t maxSlots = size_t(1) << 24;

        bool taken() const { return entry != nullptr; }
        bool holds(const char *name, Uint32 hash, Uint32 number) const;
    };

    Uint32 hashOf(const char *name, Uint32 number) const;

    OpenTable<Slot> table;
    const Uint32 keptBits;
};

#endif
