// Tracked memory and ManagedResource: the leak count follows every allocation form of the program's own code
// on every thread and none of a platform library's (the stand-in shared library), blocks are aligned for any
// type and freed by whichever code frees them, and the reference count deletes its object on the last release.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "ManagedResource.h"
#include "Memory.h"
#include "StandInLibrary.h"
#include "TestSupport.h"
#include "Utility.h"

namespace {

class TrackedMemory : public QuietConsole {};
class ManagedResourceTest : public QuietConsole {};

// Records its own destruction so that a test can see when the last release deleted it.
class Probe : public ManagedResource {
public:
    explicit Probe(bool *destroyed) : destroyed(destroyed) {}
    ~Probe() override { *destroyed = true; }

private:
    bool *destroyed;
    char payload[100];
};

// Keeps the compiler from eliding an allocation whose pointer is otherwise unused.
template <typename T>
T *keep(T *p)
{
    asm volatile("" : : "r"(p) : "memory");
    return p;
}

bool consoleHas(const char *line)
{
    for (Sint32 i = 0; i < Console::totalLines(); ++i)
        if (std::strcmp(Console::lineAtIndex(i), line) == 0)
            return true;
    return false;
}

}  // namespace

TEST_F(TrackedMemory, AllocationAddsRequestedSizeAndFreeingTakesItBack)
{
    Uint32 before = totalAllocatedMemory();
    void *block = mem_alloc(1000);
    Uint32 during = totalAllocatedMemory();
    mem_dealloc(block);
    Uint32 after = totalAllocatedMemory();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(during - before, 1000u);
    EXPECT_EQ(after, before);
}

TEST_F(TrackedMemory, ZeroSizedBlocksAreDistinctAndUncounted)
{
    Uint32 before = totalAllocatedMemory();
    void *first = mem_alloc(0);
    void *second = mem_alloc(0);
    Uint32 during = totalAllocatedMemory();
    bool distinct = first != second;
    mem_dealloc(first);
    mem_dealloc(second);
    Uint32 after = totalAllocatedMemory();
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_TRUE(distinct);
    EXPECT_EQ(during, before);
    EXPECT_EQ(after, before);
}

TEST_F(TrackedMemory, EveryBlockIsAlignedToSixteenBytes)
{
    for (unsigned int size : {0u, 1u, 3u, 8u, 15u, 16u, 17u, 100u, 4097u}) {
        void *block = mem_alloc(size);
        std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block);
        mem_dealloc(block);
        EXPECT_EQ(address % 16, 0u) << "size " << size;
    }
    long double *wide = new long double[3];
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(wide);
    delete[] wide;
    EXPECT_EQ(address % alignof(std::max_align_t), 0u);
}

TEST_F(TrackedMemory, EveryFormOfNewAndDeleteIsCounted)
{
    Uint32 before = totalAllocatedMemory();

    int *single = keep(new int(5));
    Uint32 afterSingle = totalAllocatedMemory();
    delete single;
    Uint32 afterDelete = totalAllocatedMemory();

    char *array = keep(new char[321]);
    Uint32 afterArray = totalAllocatedMemory();
    delete[] array;
    Uint32 afterArrayDelete = totalAllocatedMemory();

    double *nothrowSingle = keep(new (std::nothrow) double(1.0));
    short *nothrowArray = keep(new (std::nothrow) short[10]);
    Uint32 afterNothrow = totalAllocatedMemory();
    delete nothrowSingle;
    delete[] nothrowArray;
    Uint32 afterNothrowDelete = totalAllocatedMemory();

    // Sized deallocation (used by the compiler for complete objects) goes through the same counter.
    void *raw = keep(::operator new(48));
    Uint32 afterRaw = totalAllocatedMemory();
    ::operator delete(raw, 48);
    Uint32 afterRawDelete = totalAllocatedMemory();

    std::string text(200, 'x');
    Uint32 withString = totalAllocatedMemory();

    EXPECT_EQ(afterSingle - before, sizeof(int));
    EXPECT_EQ(afterDelete, before);
    EXPECT_GE(afterArray - before, 321u);
    EXPECT_EQ(afterArrayDelete, before);
    EXPECT_EQ(afterNothrow - before, sizeof(double) + 10 * sizeof(short));
    EXPECT_EQ(afterNothrowDelete, before);
    EXPECT_EQ(afterRaw - before, 48u);
    EXPECT_EQ(afterRawDelete, before);
    EXPECT_GT(withString, before);
}

TEST_F(TrackedMemory, DeletingNullDoesNothing)
{
    Uint32 before = totalAllocatedMemory();
    int *nothing = nullptr;
    char *noArray = nullptr;
    delete nothing;
    delete[] noArray;
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(TrackedMemory, ImpossibleSizesFailWithoutWritingAnything)
{
    Uint32 before = totalAllocatedMemory();
    void *huge = mem_alloc(0xFFFFFFFFu);
    void *almost = mem_alloc(0xFFFFFFFFu - 8);
    EXPECT_EQ(huge, nullptr);
    EXPECT_EQ(almost, nullptr);
    EXPECT_EQ(totalAllocatedMemory(), before);

    EXPECT_THROW((void)::operator new(std::size_t(1) << 40), std::bad_alloc);
    EXPECT_EQ(::operator new(std::size_t(1) << 40, std::nothrow), nullptr);
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(TrackedMemory, CopiesMadeByTheEngineStrdupAreCountedAndFreedWithMemDealloc)
{
    Uint32 before = totalAllocatedMemory();
    char *copy = zarvello::strdup("console.log");
    Uint32 during = totalAllocatedMemory();
    std::string text = copy;
    mem_dealloc(copy);
    Uint32 after = totalAllocatedMemory();
    EXPECT_EQ(text, "console.log");
    EXPECT_EQ(during - before, 12u);  // length plus terminator
    EXPECT_EQ(after, before);
}

TEST_F(TrackedMemory, BlocksAPlatformLibraryAsksForAreNotCounted)
{
    Uint32 before = totalAllocatedMemory();
    void *onTheCallersThread = standInAllocate(5000);
    void *onItsOwnThread = standInAllocateOnAThread(300);
    Uint32 during = totalAllocatedMemory();
    standInFree(onTheCallersThread);
    standInFree(onItsOwnThread);
    EXPECT_NE(onTheCallersThread, nullptr);
    EXPECT_NE(onItsOwnThread, nullptr);
    EXPECT_EQ(during, before);
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(TrackedMemory, WhicheverCodeFreesABlockTakesBackExactlyWhatWasCountedForIt)
{
    Uint32 before = totalAllocatedMemory();
    void *programs = keep(::operator new(640));
    void *librarys = standInAllocate(900);
    Uint32 during = totalAllocatedMemory();
    standInFree(programs);
    Uint32 afterTheLibraryFreedTheProgramsBlock = totalAllocatedMemory();
    ::operator delete(librarys);
    EXPECT_EQ(during - before, 640u);
    EXPECT_EQ(afterTheLibraryFreedTheProgramsBlock, before);
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(TrackedMemory, StringsTheCppLibraryGrowsAreCountedForTheProgramOnly)
{
    Uint32 before = totalAllocatedMemory();
    // reserve is one of the library's out-of-line members, so the block is asked for from inside the library.
    std::string grown;
    grown.reserve(300);
    Uint32 withTheProgramsString = totalAllocatedMemory();
    void *librarysString = standInGrowString(300);
    Uint32 withTheLibrarysString = totalAllocatedMemory();
    standInFreeString(librarysString);
    grown.clear();
    grown.shrink_to_fit();
    EXPECT_GE(withTheProgramsString - before, 301u);
    EXPECT_EQ(withTheLibrarysString, withTheProgramsString);
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(TrackedMemory, AllocationsOnEveryThreadKeepTheCountExact)
{
    Uint32 before = totalAllocatedMemory();
    void *fromAThread = nullptr;
    std::thread([&fromAThread] { fromAThread = ::operator new(777); }).join();
    Uint32 withTheThreadsBlock = totalAllocatedMemory();

    // The program's threads and the library's allocate and free at the same time; the program's start together.
    const int rounds = 1000000;
    std::atomic<int> waiting(3);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([t, &waiting] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0)
                std::this_thread::yield();
            for (int i = 0; i < rounds; ++i)
                ::operator delete(keep(::operator new(1 + (i + t) % 300)));
        });
    threads.emplace_back([] { standInChurnOnThreads(2, rounds); });
    for (std::thread &thread : threads)
        thread.join();
    threads.clear();
    threads.shrink_to_fit();
    Uint32 afterTheThreads = totalAllocatedMemory();
    ::operator delete(fromAThread);

    EXPECT_EQ(withTheThreadsBlock - before, 777u);
    EXPECT_EQ(afterTheThreads, withTheThreadsBlock);
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(ManagedResourceTest, ReleaseAfterRetainDeletesTheObjectAndFreesItsMemory)
{
    bool destroyed = false;
    Uint32 before = totalAllocatedMemory();
    Probe *probe = new Probe(&destroyed);
    Uint32 during = totalAllocatedMemory();
    probe->retain();
    probe->retain();
    Sint32 countTwo = probe->retainCount();
    probe->release();
    bool destroyedAfterFirst = destroyed;
    Sint32 countOne = probe->retainCount();
    probe->release();
    Uint32 after = totalAllocatedMemory();

    EXPECT_EQ(during - before, sizeof(Probe));
    EXPECT_EQ(countTwo, 2);
    EXPECT_EQ(countOne, 1);
    EXPECT_FALSE(destroyedAfterFirst);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(after, before);
    EXPECT_EQ(Console::totalLines(), 0);
}

TEST_F(ManagedResourceTest, ReleaseWithoutRetainLogsAnErrorAndStillDeletes)
{
    bool destroyed = false;
    Uint32 before = totalAllocatedMemory();
    Probe *probe = new Probe(&destroyed);
    EXPECT_EQ(probe->retainCount(), 0);
    probe->release();
    bool released = consoleHas("ERROR: release called more times than retain");
    bool destructorComplained = consoleHas("ERROR: destructor invoked when the retain count isn't 0!");
    Console::clearBuffer();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(totalAllocatedMemory(), before) << "the object must be freed";
    EXPECT_TRUE(released);
    EXPECT_FALSE(destructorComplained);
}

TEST_F(ManagedResourceTest, DeletingARetainedObjectLogsAnError)
{
    bool destroyed = false;
    Probe *probe = new Probe(&destroyed);
    probe->retain();
    delete probe;
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(consoleHas("ERROR: destructor invoked when the retain count isn't 0!"));
}

TEST_F(ManagedResourceTest, DeletingAnUnretainedObjectIsQuiet)
{
    bool destroyed = false;
    delete new Probe(&destroyed);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Console::totalLines(), 0);
}
