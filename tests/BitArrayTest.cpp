// BitArray: the free-slot search, out-of-range indices, copying and assignment, and sizes that are not
// multiples of eight.
#include <gtest/gtest.h>

#include "BitArray.h"
#include "ConfigTable.h"
#include "Console.h"
#include "Memory.h"
#include "TestSupport.h"

namespace {

class BitArrayTest : public QuietConsole {};

void setRange(BitArray &bits, Sint32 from, Sint32 to)
{
    for (Sint32 i = from; i <= to; ++i)
        bits.setBit(i);
}

}  // namespace

TEST_F(BitArrayTest, SizeZeroMeans2048Bits)
{
    BitArray bits(0);
    EXPECT_EQ(bits.length(), 2048);
    bits.setBit(2047);
    bits.setBit(2048);
    EXPECT_EQ(bits.getBit(2047), 1);
    EXPECT_EQ(bits.getBit(2048), 0);
    EXPECT_EQ(bits.bitsSet(), 1);
}

TEST_F(BitArrayTest, FreshSetIsClearAndItsFirstFreeBitIsZero)
{
    BitArray bits(256);
    for (Sint32 i = 0; i < 256; ++i)
        ASSERT_EQ(bits.getBit(i), 0) << i;
    EXPECT_EQ(bits.findUnsetBit(), 0);
    EXPECT_EQ(bits.bitsSet(), 0);
}

TEST_F(BitArrayTest, FindUnsetBitGivesTheLowestClearIndex)
{
    BitArray bits(256);
    setRange(bits, 0, 9);
    EXPECT_EQ(bits.findUnsetBit(), 10);
    bits.clearBit(3);
    EXPECT_EQ(bits.findUnsetBit(), 3);
    EXPECT_EQ(bits.getBit(3), 0) << "the search does not take the bit";
    setRange(bits, 0, 200);
    EXPECT_EQ(bits.findUnsetBit(), 201);
}

TEST_F(BitArrayTest, FullSetHasNoFreeBit)
{
    BitArray handles(256);
    setRange(handles, 0, 255);
    EXPECT_EQ(handles.bitsSet(), 256);
    EXPECT_EQ(handles.findUnsetBit(), -1);
    handles.clearBit(255);
    EXPECT_EQ(handles.findUnsetBit(), 255);
}

TEST_F(BitArrayTest, SpareBitsOfTheLastByteAreNeverFree)
{
    BitArray bits(10);
    setRange(bits, 0, 9);
    EXPECT_EQ(bits.findUnsetBit(), -1);
    for (Sint32 size : {1, 7, 8, 9, 15, 16, 17}) {
        BitArray b(size);
        setRange(b, 0, size - 1);
        EXPECT_EQ(b.findUnsetBit(), -1) << size;
        b.clearBit(size - 1);
        EXPECT_EQ(b.findUnsetBit(), size - 1) << size;
    }
}

TEST_F(BitArrayTest, OutOfRangeAndRepeatedChangesLeaveTheSetUnchanged)
{
    BitArray bits(16);
    bits.setBit(-1);
    bits.setBit(16);
    bits.setBit(-2147483647 - 1);
    bits.setBit(2147483647);
    bits.clearBit(5);
    EXPECT_EQ(bits.bitsSet(), 0);
    EXPECT_EQ(bits.findUnsetBit(), 0);
    bits.setBit(5);
    bits.setBit(5);
    EXPECT_EQ(bits.bitsSet(), 1);
    bits.clearBit(-1);
    bits.clearBit(16);
    EXPECT_EQ(bits.getBit(-1), 0);
    EXPECT_EQ(bits.getBit(16), 0);
    EXPECT_EQ(bits.bitsSet(), 1);
    EXPECT_EQ(bits.getBit(5), 1);
}

TEST_F(BitArrayTest, ToggleFlipsABitAndReportsItsNewValue)
{
    BitArray bits(8);
    EXPECT_EQ(bits.toggleBit(3), 1);
    EXPECT_EQ(bits.bitsSet(), 1);
    EXPECT_EQ(bits.toggleBit(3), 0);
    EXPECT_EQ(bits.bitsSet(), 0);
    EXPECT_EQ(bits.toggleBit(8), 0);
    EXPECT_EQ(bits.toggleBit(-1), 0);
    EXPECT_EQ(bits.bitsSet(), 0);
}

TEST_F(BitArrayTest, ClearAllClearsEverything)
{
    BitArray bits(100);
    setRange(bits, 0, 99);
    bits.clearAll();
    EXPECT_EQ(bits.bitsSet(), 0);
    EXPECT_EQ(bits.findUnsetBit(), 0);
    EXPECT_EQ(bits.getBit(99), 0);
}

TEST_F(BitArrayTest, AssignmentMakesAnEqualSetOfAnyLength)
{
    BitArray a(37);
    a.setBit(0);
    a.setBit(17);
    a.setBit(36);
    BitArray shorter(5);
    BitArray longer(300);
    longer.setBit(299);
    shorter = a;
    longer = a;
    for (BitArray *b : {&shorter, &longer}) {
        EXPECT_EQ(b->length(), 37);
        EXPECT_EQ(b->bitsSet(), 3);
        for (Sint32 i = -1; i <= 300; ++i)
            ASSERT_EQ(b->getBit(i), a.getBit(i)) << i;
    }
    shorter = shorter;
    EXPECT_EQ(shorter.getBit(17), 1);

    BitArray copied(a);
    EXPECT_EQ(copied.length(), 37);
    EXPECT_EQ(copied.getBit(36), 1);
    EXPECT_EQ(copied.bitsSet(), 3);
}

TEST_F(BitArrayTest, CopyIntoAShorterSetGrowsIt)
{
    BitArray source(40);
    source.setBit(39);
    source.setBit(2);
    BitArray destination(8);
    destination.setBit(7);
    source.copy(destination);
    EXPECT_EQ(destination.length(), 40);
    EXPECT_EQ(destination.getBit(39), 1);
    EXPECT_EQ(destination.getBit(2), 1);
    EXPECT_EQ(destination.getBit(7), 0);
    EXPECT_EQ(destination.bitsSet(), 2);
}

TEST_F(BitArrayTest, CopyIntoALongerSetKeepsItsLengthAndItsLaterBits)
{
    BitArray source(16);
    source.setBit(1);
    BitArray destination(64);
    destination.setBit(0);
    destination.setBit(60);
    source.copy(destination);
    EXPECT_EQ(destination.length(), 64);
    EXPECT_EQ(destination.getBit(0), 0);
    EXPECT_EQ(destination.getBit(1), 1);
    EXPECT_EQ(destination.getBit(60), 1) << "bytes past the source's are left alone";
    source.copy(source);
    EXPECT_EQ(source.getBit(1), 1);
}

TEST_F(BitArrayTest, NegativeSizeIsRefusedAsAnEmptySet)
{
    Uint32 before = totalAllocatedMemory();
    {
        BitArray bits(-5);
        EXPECT_EQ(bits.length(), 0);
        bits.setBit(0);
        EXPECT_EQ(bits.getBit(0), 0);
        EXPECT_EQ(bits.findUnsetBit(), -1);
        EXPECT_EQ(bits.bitsSet(), 0);
        BitArray minimum(-2147483647 - 1);
        EXPECT_EQ(minimum.length(), 0);
    }
    ASSERT_EQ(Console::totalLines(), 2);
    EXPECT_STREQ(Console::lineAtIndex(0), "ERROR: BitArray of negative size -5");
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), before);
}

TEST_F(BitArrayTest, DestructionFreesBothArrays)
{
    Uint32 before = totalAllocatedMemory();
    {
        BitArray bits(2048);
        BitArray other(bits);
        other = BitArray(10);
    }
    EXPECT_EQ(totalAllocatedMemory(), before);
}
