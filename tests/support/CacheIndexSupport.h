// CacheIndexSupport: the tests of the indexes (the caches' and the data loader's) run with every bit of a key's
// hash kept (the engine's case), with three bits and with none, so that keys are told apart by their bytes
// alone. NarrowedCacheHashes<Fixture> narrows indexHashMask to the test's parameter for the test's length; the
// caches and data loaders the test makes take it.
// Depends on: GoogleTest, OpenTable.
#ifndef ZARVELLO_TESTS_CACHEINDEXSUPPORT_H
#define ZARVELLO_TESTS_CACHEINDEXSUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "OpenTable.h"

template <typename Fixture>
class NarrowedCacheHashes : public Fixture, public ::testing::WithParamInterface<Uint32> {
protected:
    void SetUp() override
    {
        savedMask = indexHashMask;
        indexHashMask = this->GetParam();
        Fixture::SetUp();
    }

    void TearDown() override
    {
        Fixture::TearDown();
        indexHashMask = savedMask;
    }

private:
    Uint32 savedMask = 0;
};

// The masks the tests run with.
inline auto cacheHashMasks()
{
    return ::testing::Values(0xFFFFFFFFu, 0x7u, 0u);
}

// The name of the tests with a mask: AllBits, Mask7, Mask0.
inline std::string cacheHashMaskName(const ::testing::TestParamInfo<Uint32> &info)
{
    return info.param == 0xFFFFFFFFu ? std::string("AllBits") : "Mask" + std::to_string(info.param);
}

#endif
