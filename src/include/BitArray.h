/// @file
/// A game uses it for a fixed set of flags with a search for a free one.
/// BitArray: a fixed-length set of bits whose accessors ignore indices out of range, with a search for the
/// lowest clear bit (the data loader takes its free file handles with it).
/// Depends on: Memory (through new[]), Console.
#ifndef ZARVELLO_BITARRAY_H
#define ZARVELLO_BITARRAY_H

#include <SDL_types.h>

/// A fixed-length set of bits; every accessor ignores an index outside 0 .. length() - 1.
class BitArray {
public:
    /// num bits; 0 means 2048. A negative size is refused with an error line and gives an empty set.
    explicit BitArray(Sint32 num);
    /// A copy of other with the same length and bits.
    BitArray(const BitArray &other);
    virtual ~BitArray();
    /// Makes this set a copy of other, length included.
    BitArray &operator=(const BitArray &other);

    /// Copies this set into other; a shorter other grows to this set's length.
    void copy(BitArray &other) const;

    /// Clears every bit.
    void clearAll();
    /// 1 when the bit is set, 0 when it is clear or out of range.
    Sint32 getBit(Sint32 bit) const;
    /// Sets the bit; out of range does nothing.
    void setBit(Sint32 bit);
    /// Clears the bit; out of range does nothing.
    void clearBit(Sint32 bit);
    /// Flips the bit and returns its new value (0 or 1); out of range does nothing and returns 0.
    Sint32 toggleBit(Sint32 bit);

    /// The lowest clear bit, or -1 when every bit is set.
    Sint32 findUnsetBit();

    /// The number of bits in the set.
    Sint32 length() const { return listLength; }
    /// The number of bits currently set.
    Sint32 bitsSet() const { return bitsOn; }

private:
    Sint32 byteCount() const { return (listLength >> 3) + 1; }

    Sint32 listLength;
    Sint32 current;
    Sint32 last;
    Sint32 bitsOn;
    Uint8 *bitList;
    Uint8 *bitMask;
};

#endif
