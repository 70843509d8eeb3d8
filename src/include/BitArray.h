/// @file
/// BitArray: a fixed-length set of bits whose accessors ignore indices out of range, with a search for the
/// lowest clear bit (the data loader takes its free file handles with it).
/// Depends on: Memory (through new[]), Console.
#ifndef ZARVELLO_BITARRAY_H
#define ZARVELLO_BITARRAY_H

#include <SDL_types.h>

class BitArray {
public:
    /// num bits; 0 means 2048. A negative size is refused with an error line and gives an empty set.
    explicit BitArray(Sint32 num);
    BitArray(const BitArray &other);
    virtual ~BitArray();
    BitArray &operator=(const BitArray &other);

    /// Copies this set into other; a shorter other grows to this set's length.
    void copy(BitArray &other) const;

    void clearAll();
    Sint32 getBit(Sint32 bit) const;
    void setBit(Sint32 bit);
    void clearBit(Sint32 bit);
    Sint32 toggleBit(Sint32 bit);

    /// The lowest clear bit, or -1 when every bit is set.
    Sint32 findUnsetBit();

    Sint32 length() const { return listLength; }
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
