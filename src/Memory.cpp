// Tracked memory. Each block is the requested size plus a 16-byte header (the platform's strictest
// alignment) whose first four bytes hold the requested size; the caller gets the address after the header.
// The counter adds requested sizes only.
#include "Memory.h"

#include <cstdlib>
#include <new>

namespace {

const unsigned int headerSize = 16;
Uint32 memoryAllocated = 0;

void *trackedNew(std::size_t size)
{
    if (size > 0xFFFFFFFFu - headerSize)
        throw std::bad_alloc();
    void *block = mem_alloc(static_cast<unsigned int>(size));
    if (!block)
        throw std::bad_alloc();
    return block;
}

void *trackedNewNothrow(std::size_t size) noexcept
{
    if (size > 0xFFFFFFFFu - headerSize)
        return nullptr;
    return mem_alloc(static_cast<unsigned int>(size));
}

void trackedDelete(void *p) noexcept
{
    if (p)
        mem_dealloc(p);
}

}  // namespace

void *mem_alloc(unsigned int size)
{
    if (size > 0xFFFFFFFFu - headerSize)
        return nullptr;
    unsigned char *block = static_cast<unsigned char *>(std::malloc(size + headerSize));
    if (!block)
        return nullptr;
    *reinterpret_cast<Uint32 *>(block) = size;
    memoryAllocated += size;
    return block + headerSize;
}

void mem_dealloc(void *data)
{
    unsigned char *block = static_cast<unsigned char *>(data) - headerSize;
    memoryAllocated -= *reinterpret_cast<Uint32 *>(block);
    std::free(block);
}

Uint32 totalAllocatedMemory()
{
    return memoryAllocated;
}

void *operator new(std::size_t size) { return trackedNew(size); }
void *operator new[](std::size_t size) { return trackedNew(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return trackedNewNothrow(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return trackedNewNothrow(size); }
void operator delete(void *p) noexcept { trackedDelete(p); }
void operator delete[](void *p) noexcept { trackedDelete(p); }
void operator delete(void *p, std::size_t) noexcept { trackedDelete(p); }
void operator delete[](void *p, std::size_t) noexcept { trackedDelete(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { trackedDelete(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { trackedDelete(p); }
