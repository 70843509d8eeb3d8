// Tracked memory: mem_alloc / mem_dealloc and the replaced global operators new and delete, with the running
// total of what the program's own code holds, which shutdown reports as a leak.
//
// Each block is the requested size plus a 16-byte header (the platform's strictest alignment): its first four
// bytes hold the requested size, the fifth the block's mark, counted or not. The total adds requested sizes only.
//
// Whose blocks are counted. Every operator new in the process reaches this file, the platform libraries' too:
// SDL, the drivers SDL loads (sdl12-compat runs on SDL 2, which loads the system's OpenGL driver, a C++ library
// that also allocates on threads of its own), the X library. Counted are the blocks the program's own code asks
// for: every mem_alloc, and every operator new called from the code of the executable (the engine is a static
// library linked into the game's executable) or of the object that holds this file. The caller is operator
// new's return address, looked up among the code segments of those objects, found once from the loader's list
// of loaded objects. (Neither the thread nor being inside an SDL call would tell: a game's threads are its own,
// and a game calls SDL itself.) When the caller is the C++ standard library (libstdc++.so: a string or a
// stream grows through its out-of-line members), the stack is walked past the library's frames to the code
// that called it, so a string the program grows is counted and one the OpenGL driver grows is not, and the
// count does not depend on what the compiler inlined. A block's mark travels with it, so whichever code frees
// it takes back exactly what was counted for it. The total is atomic: platform threads allocate and free at
// any time, and so may a game's threads.
// Depends on: the C library (malloc, free), the dynamic loader's list of objects (dl_iterate_phdr), the
// unwinder (_Unwind_Backtrace).
#include "Memory.h"

#include <link.h>
#include <unwind.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const std::size_t headerSize = 16;
const std::size_t markOffset = 4;
const unsigned char countedMark = 1;
const Uint32 largestCountedSize = 0xFFFFFFFFu - headerSize;
// Frames of the C++ standard library passed at most while looking for its caller.
const int deepestLibraryCall = 32;

std::atomic<Uint32> memoryAllocated(0);

// Address ranges [begin, end) of executable code.
struct CodeRanges {
    static const int capacity = 8;
    std::uintptr_t begin[capacity];
    std::uintptr_t end[capacity];
    int count;

    void add(std::uintptr_t from, std::uintptr_t to)
    {
        if (count < capacity) {
            begin[count] = from;
            end[count] = to;
            ++count;
        }
    }

    bool contain(std::uintptr_t address) const
    {
        for (int i = 0; i < count; ++i)
            if (address >= begin[i] && address < end[i])
                return true;
        return false;
    }
};

struct CodeMap {
    CodeRanges own;      // the executable and the object that holds this file
    CodeRanges library;  // the C++ standard library
};

struct CodeMapBuilder {
    CodeMap map;
    int objectsSeen;
};

bool isCppLibrary(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    const char *name = slash ? slash + 1 : path;
    return std::strncmp(name, "libstdc++.so", 12) == 0;
}

int addObject(dl_phdr_info *info, std::size_t, void *data)
{
    CodeMapBuilder *builder = static_cast<CodeMapBuilder *>(data);
    const std::uintptr_t here = reinterpret_cast<std::uintptr_t>(&addObject);
    CodeRanges code = {};
    bool holdsThisFile = false;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr) &segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X))
            continue;
        const std::uintptr_t from = info->dlpi_addr + segment.p_vaddr;
        code.add(from, from + segment.p_memsz);
        holdsThisFile = holdsThisFile || (here >= from && here < from + segment.p_memsz);
    }
    // The loader lists the executable first.
    const bool own = builder->objectsSeen == 0 || holdsThisFile;
    CodeRanges *into = own ? &builder->map.own : isCppLibrary(info->dlpi_name) ? &builder->map.library : nullptr;
    for (int i = 0; into && i < code.count; ++i)
        into->add(code.begin[i], code.end[i]);
    ++builder->objectsSeen;
    return 0;
}

const CodeMap &codeMap()
{
    static const CodeMap map = [] {
        CodeMapBuilder builder = {};
        dl_iterate_phdr(addObject, &builder);
        return builder.map;
    }();
    return map;
}

// The walk from inside operator new to the first caller outside the C++ standard library.
struct CallerSearch {
    const CodeMap *map;
    bool leftTheAllocator;
    int libraryFramesLeft;
    bool programAsked;
};

_Unwind_Reason_Code examineFrame(_Unwind_Context *context, void *data)
{
    CallerSearch *search = static_cast<CallerSearch *>(data);
    int beforeInstruction = 0;
    std::uintptr_t address = _Unwind_GetIPInfo(context, &beforeInstruction);
    if (!beforeInstruction)
        --address;  // a return address: the call itself is the byte before
    if (!search->leftTheAllocator) {
        if (search->map->own.contain(address))
            return _URC_NO_REASON;  // this file's own frames, operator new among them
        search->leftTheAllocator = true;
    }
    if (search->map->library.contain(address))
        return --search->libraryFramesLeft > 0 ? _URC_NO_REASON : _URC_NORMAL_STOP;
    search->programAsked = search->map->own.contain(address);
    return _URC_NORMAL_STOP;
}

// Whether operator new, called from returnAddress, allocates for the program's own code.
bool programAsked(const void *returnAddress)
{
    const CodeMap &map = codeMap();
    const std::uintptr_t call = reinterpret_cast<std::uintptr_t>(returnAddress) - 1;
    if (map.own.contain(call))
        return true;
    if (!map.library.contain(call))
        return false;
    CallerSearch search = {&map, false, deepestLibraryCall, false};
    _Unwind_Backtrace(examineFrame, &search);
    return search.programAsked;
}

// A block of size bytes after its header, marked and counted when counted is set; null when the system has no
// memory left or the size cannot be held (a counted size must fit the 32-bit total).
void *allocateBlock(std::size_t size, bool counted)
{
    if (size > (counted ? largestCountedSize : SIZE_MAX - headerSize))
        return nullptr;
    unsigned char *block = static_cast<unsigned char *>(std::malloc(size + headerSize));
    if (!block)
        return nullptr;
    *reinterpret_cast<Uint32 *>(block) = static_cast<Uint32>(size);
    block[markOffset] = counted ? countedMark : 0;
    if (counted)
        memoryAllocated.fetch_add(static_cast<Uint32>(size), std::memory_order_relaxed);
    return block + headerSize;
}

void *trackedNew(std::size_t size, const void *returnAddress)
{
    void *block = allocateBlock(size, programAsked(returnAddress));
    if (!block)
        throw std::bad_alloc();
    return block;
}

void *trackedNewNothrow(std::size_t size, const void *returnAddress) noexcept
{
    return allocateBlock(size, programAsked(returnAddress));
}

void trackedDelete(void *p) noexcept
{
    if (p)
        mem_dealloc(p);
}

}  // namespace

void *mem_alloc(unsigned int size)
{
    return allocateBlock(size, true);
}

void mem_dealloc(void *data)
{
    unsigned char *block = static_cast<unsigned char *>(data) - headerSize;
    if (block[markOffset] == countedMark)
        memoryAllocated.fetch_sub(*reinterpret_cast<Uint32 *>(block), std::memory_order_relaxed);
    std::free(block);
}

Uint32 totalAllocatedMemory()
{
    return memoryAllocated.load(std::memory_order_relaxed);
}

// Never inlined: the return address must be that of the operator's own caller.
[[gnu::noinline]] void *operator new(std::size_t size)
{
    return trackedNew(size, __builtin_return_address(0));
}
[[gnu::noinline]] void *operator new[](std::size_t size)
{
    return trackedNew(size, __builtin_return_address(0));
}
[[gnu::noinline]] void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return trackedNewNothrow(size, __builtin_return_address(0));
}
[[gnu::noinline]] void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    return trackedNewNothrow(size, __builtin_return_address(0));
}
void operator delete(void *p) noexcept { trackedDelete(p); }
void operator delete[](void *p) noexcept { trackedDelete(p); }
void operator delete(void *p, std::size_t) noexcept { trackedDelete(p); }
void operator delete[](void *p, std::size_t) noexcept { trackedDelete(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { trackedDelete(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { trackedDelete(p); }
