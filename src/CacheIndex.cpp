// The caches' index: the first entry added under a key keeps its slot for good, which is what a walk in
// insertion order returns; later entries under the same key are never filed.
// Depends on: OpenTable.
#include "CacheIndex.h"

#include <cstring>
#include <string_view>

CacheIndex::CacheIndex() : keptBits(indexHashMask)
{
    static_assert(sizeof(Slot) == 64, "a slot fills one cache line");
}

CacheIndex::~CacheIndex() = default;

Uint32 CacheIndex::hashOf(const char *name, Uint32 number) const
{
    return indexKeyHash(std::string_view(name), number) & keptBits;
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
    if (table.size() == 0)
        return nullptr;
    const Uint32 hash = hashOf(name, number);
    const Slot *slot = table.find(hash, [&](const Slot &s) { return s.holds(name, hash, number); });
    return slot ? slot->entry : nullptr;
}

bool CacheIndex::add(const char *name, Uint32 number, void *entry)
{
    if (!table.reserve(static_cast<Uint64>(table.size()) + 1))
        return false;
    const Uint32 hash = hashOf(name, number);
    Slot &slot = table.place(hash, [&](const Slot &s) { return s.holds(name, hash, number); });
    if (slot.taken())
        return true;
    slot.name = name;
    slot.entry = entry;
    slot.hash = hash;
    slot.number = number;
    const size_t length = std::strlen(name);
    slot.whole = length < sizeof slot.head;
    std::memcpy(slot.head, name, slot.whole ? length + 1 : sizeof slot.head);
    table.filled();
    return true;
}
