// StandInLibrary: the platform library stand-in of the tracked-memory tests (see StandInLibrary.h). Built as a
// shared object of its own, so its code lies outside the test program's executable, as a driver's does.
#include "StandInLibrary.h"

#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

// Uses the block after the call, as a driver would: a call in last position may be compiled as a jump, and
// then operator new would see the stand-in's caller, not the stand-in, as the one who asked.
void *used(void *block)
{
    asm volatile("" : : "r"(block) : "memory");
    return block;
}

}  // namespace

extern "C" {

void *standInAllocate(std::size_t size)
{
    return used(::operator new(size));
}

void standInFree(void *block)
{
    ::operator delete(block);
}

void *standInGrowString(std::size_t capacity)
{
    std::string *text = new std::string;
    text->reserve(capacity);
    return text;
}

void standInFreeString(void *text)
{
    delete static_cast<std::string *>(text);
}

void standInChurnOnThreads(int threads, int rounds)
{
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([rounds, t] {
            for (int i = 0; i < rounds; ++i) {
                ::operator delete(used(::operator new(1 + (i + t) % 200)));
            }
        });
    for (std::thread &thread : running)
        thread.join();
}

void *standInAllocateOnAThread(std::size_t size)
{
    void *block = nullptr;
    std::thread([&block, size] { block = used(::operator new(size)); }).join();
    return block;
}
}
