// BitArray: bit i lives in byte i >> 3 under the mask 1 << (i & 7). The byte array holds (length >> 3) + 1
// bytes, and the bits at positions length and above are always 0.
#include "BitArray.h"

#include <cstring>

#include "Console.h"

BitArray::BitArray(Sint32 num) : listLength(num == 0 ? 2048 : num), current(0), last(0), bitsOn(0)
{
    if (num < 0) {
        Console::addString("ERROR: BitArray of negative size %d", num);
        listLength = 0;
    }
    bitMask = new Uint8[8];
    for (int k = 0; k < 8; ++k)
        bitMask[k] = static_cast<Uint8>(1 << k);
    bitList = new Uint8[byteCount()];
    clearAll();
}

BitArray::BitArray(const BitArray &other)
    : listLength(other.listLength), current(other.current), last(0), bitsOn(other.bitsOn)
{
    bitMask = new Uint8[8];
    std::memcpy(bitMask, other.bitMask, 8);
    bitList = new Uint8[byteCount()];
    std::memcpy(bitList, other.bitList, byteCount());
}

BitArray::~BitArray()
{
    delete[] bitList;
    delete[] bitMask;
}

BitArray &BitArray::operator=(const BitArray &other)
{
    if (this == &other)
        return *this;
    if (listLength != other.listLength) {
        delete[] bitList;
        listLength = other.listLength;
        bitList = new Uint8[byteCount()];
    }
    std::memcpy(bitList, other.bitList, byteCount());
    current = other.current;
    bitsOn = other.bitsOn;
    last = 0;
    return *this;
}

void BitArray::copy(BitArray &other) const
{
    if (&other == this)
        return;
    if (other.listLength < listLength) {
        delete[] other.bitList;
        other.listLength = listLength;
        other.bitList = new Uint8[byteCount()];
    }
    other.current = current;
    other.bitsOn = bitsOn;
    std::memcpy(other.bitList, bitList, byteCount());
}

void BitArray::clearAll()
{
    std::memset(bitList, 0, byteCount());
    current = 0;
    last = 0;
    bitsOn = 0;
}

Sint32 BitArray::getBit(Sint32 bit) const
{
    if (bit < 0 || bit >= listLength)
        return 0;
    return (bitList[bit >> 3] & bitMask[bit & 7]) ? 1 : 0;
}

void BitArray::setBit(Sint32 bit)
{
    if (bit < 0 || bit >= listLength || getBit(bit))
        return;
    bitList[bit >> 3] |= bitMask[bit & 7];
    ++bitsOn;
}

void BitArray::clearBit(Sint32 bit)
{
    if (bit < 0 || bit >= listLength || !getBit(bit))
        return;
    bitList[bit >> 3] &= static_cast<Uint8>(~bitMask[bit & 7]);
    --bitsOn;
    current = bit >> 3;
}

Sint32 BitArray::toggleBit(Sint32 bit)
{
    if (getBit(bit))
        clearBit(bit);
    else
        setBit(bit);
    return getBit(bit);
}

Sint32 BitArray::findUnsetBit()
{
    const Sint32 n = byteCount();
    current = 0;
    while (current < n && bitList[current] == 255)
        ++current;
    if (current == n)
        return -1;
    for (int k = 0; k < 8; ++k) {
        Sint32 i = current * 8 + k;
        if (i >= listLength)
            return -1;
        if (!(bitList[current] & bitMask[k]))
            return i;
    }
    return -1;
}
