// CacheIndex: the index a cache keeps beside its array of entries. A key is a name, compared byte for byte as a
// whole string, and a 32-bit number beside it; the index answers with the entry a walk over the array in
// insertion order would find first, without the walk. Each name belongs to its entry, which must keep it
// unchanged for as long as the index lives.
// Open addressing with linear probing over a power-of-two table kept at most half full. A slot fills one cache
// line: the key's hash and number, the entry, and the name's first bytes, so that a hit on a name of up to 38
// bytes reads nothing but its slot.
// Depends on: Memory (the table comes from the tracked allocator).
#ifndef ZARVELLO_CACHEINDEX_H
#define ZARVELLO_CACHEINDEX_H

#include <cstddef>

#include <SDL_types.h>

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

    // The bits of a key's hash an index keeps, taken when it is made: all of them, unless a test narrows it.
    static Uint32 hashMask;

private:
    struct Slot {
        const char *name;
        void *entry;  // null: the slot is free
        Uint32 hash;
        Uint32 number;
        char head[39];  // the name's first bytes, terminated when the whole name fits
        bool whole;

        bool holds(const char *name, Uint32 hash, Uint32 number) const;
    };

    Uint32 hashOf(const char *name, Uint32 number) const;
    bool grow();

    void *block;  // the table's memory; slots start at its first cache line boundary
    Slot *slots;
    size_t capacity;
    size_t used;
    const Uint32 keptBits;
};

#endif
