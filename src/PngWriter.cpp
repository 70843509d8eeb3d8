// PngWriter: surfaces as PNG files with the engine's own deflate (no zlib in the engine).
// Layout written: the 8-byte signature, IHDR (width, height, depth 8, colour type 2, no interlace), the zlib
// stream in IDAT chunks of at most 1 MiB, IEND; every chunk is length, type, data, CRC-32 of type and data.
// The zlib stream is the header 78 9C, deflate blocks, and the Adler-32 of the filtered rows (big-endian).
// Depends on: SDL's surfaces, FileReplace.
#include "PngWriter.h"

#include <SDL_endian.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FileReplace.h"

namespace {

// ---- Deflate ---------------------------------------------------------------------------------------------
const int windowSize = 32768, maxMatch = 258, minMatch = 3;
const int hashBits = 15, maxChain = 48, niceLength = 128, goodLength = 8;
const size_t symbolsPerBlock = 16384;

// The length and distance codes' first values and extra bits, and the order of the code-length code's lengths.
const unsigned short lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned char lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned short distBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,
                                     33,   49,   65,   97,   129,  193,   257,   385,   513,   769,
                                     1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385, 24577};
const unsigned char distExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                     6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const unsigned char codeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
int extraBitsOfCodeLength(int symbol)
{
    return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0;
}

int lengthCode(int length)  // 3..258 -> 0..28 (symbol 257 + code)
{
    int code = 28;
    while (lengthBase[code] > length)
        --code;
    return code;
}

int distCode(int dist)  // 1..32768 -> 0..29
{
    int d = dist - 1;
    if (d < 4)
        return d;
    int top = 31 - __builtin_clz(unsigned(d));
    return 2 * top + ((d >> (top - 1)) & 1);
}

// A match (length >= 3, dist >= 1) or a literal (dist 0, length holds the byte).
struct Symbol {
    unsigned short length, dist;
};

class BitWriter {
public:
    explicit BitWriter(std::vector<unsigned char> &out) : out(out) {}
    void put(uint32_t bits, int count)
    {
        buffer |= uint64_t(bits) << filled;
        filled += count;
        while (filled >= 8) {
            out.push_back(static_cast<unsigned char>(buffer));
            buffer >>= 8;
            filled -= 8;
        }
    }
    void align() { put(0, (8 - filled) & 7); }
private:
    std::vector<unsigned char> &out;
    uint64_t buffer = 0;
    int filled = 0;
};

// Huffman code lengths of at most limit bits for the frequencies (0 for unused symbols); frequencies are halved
// until the tree fits. At least two symbols get a code, as some decoders refuse a code of one.
std::vector<unsigned char> codeLengths(std::vector<uint32_t> freq, int limit)
{
    const int n = int(freq.size());
    int used = int(std::count_if(freq.begin(), freq.end(), [](uint32_t f) { return f != 0; }));
    for (int s = 0; s < n && used < 2; ++s)
        if (freq[s] == 0) {
            freq[s] = 1;
            ++used;
        }
    std::vector<unsigned char> lengths(n);
    for (;;) {
        // Nodes: leaves 0..n-1, inner nodes after; a heap of (weight, node).
        std::vector<int> parent(2 * n, -1);
        std::vector<std::pair<uint64_t, int>> heap;
        for (int s = 0; s < n; ++s)
            if (freq[s])
                heap.push_back({freq[s], s});
        auto later = [](const std::pair<uint64_t, int> &a, const std::pair<uint64_t, int> &b) { return a > b; };
        std::make_heap(heap.begin(), heap.end(), later);
        int next = n;
        while (heap.size() > 1) {
            std::pop_heap(heap.begin(), heap.end(), later);
            auto a = heap.back();
            heap.pop_back();
            std::pop_heap(heap.begin(), heap.end(), later);
            auto b = heap.back();
            heap.pop_back();
            parent[a.second] = parent[b.second] = next;
            heap.push_back({a.first + b.first, next++});
            std::push_heap(heap.begin(), heap.end(), later);
        }
        int longest = 0;
        for (int s = 0; s < n; ++s) {
            int depth = 0;
            for (int node = s; freq[s] && parent[node] >= 0; node = parent[node])
                ++depth;
            lengths[s] = static_cast<unsigned char>(depth);
            longest = std::max(longest, depth);
        }
        if (longest <= limit)
            return lengths;
        for (uint32_t &f : freq)
            f = f ? (f + 1) / 2 : 0;
    }
}

// Canonical codes for the lengths, bit-reversed because deflate sends Huffman codes from their top bit.
std::vector<uint16_t> canonicalCodes(const std::vector<unsigned char> &lengths)
{
    int count[16] = {0}, next[16] = {0};
    for (unsigned char l : lengths)
        ++count[l];
    count[0] = 0;
    for (int bits = 1, code = 0; bits < 16; ++bits)
        next[bits] = code = (code + count[bits - 1]) << 1;
    std::vector<uint16_t> codes(lengths.size());
    for (size_t s = 0; s < lengths.size(); ++s) {
        int l = lengths[s];
        if (!l)
            continue;
        unsigned code = unsigned(next[l]++), reversed = 0;
        for (int i = 0; i < l; ++i)
            reversed |= ((code >> i) & 1u) << (l - 1 - i);
        codes[s] = uint16_t(reversed);
    }
    return codes;
}

// The code lengths of both alphabets as code-length symbols (16 repeats the last, 17 and 18 repeat zero),
// each with its extra bits: symbol | repeat << 8.
std::vector<int> runLengthCoded(const std::vector<unsigned char> &all)
{
    std::vector<int> out;
    for (size_t i = 0; i < all.size();) {
        size_t run = 1;
        while (i + run < all.size() && all[i + run] == all[i])
            ++run;
        if (all[i] == 0 && run >= 3) {
            run = std::min<size_t>(run, 138);
            out.push_back(run >= 11 ? 18 | int(run - 11) << 8 : 17 | int(run - 3) << 8);
        } else if (all[i] != 0 && run >= 4) {
            run = std::min<size_t>(run, 7);
            out.push_back(all[i]);
            out.push_back(16 | int(run - 4) << 8);
        } else {
            run = 1;
            out.push_back(all[i]);
        }
        i += run;
    }
    return out;
}

class Deflater {
public:
    Deflater(const unsigned char *data, size_t size, std::vector<unsigned char> &out)
        : data(data), size(size), bits(out), head(size_t(1) << hashBits, -1), prev(windowSize, -1) {}

    void run()
    {
        size_t blockStart = 0, p = 0;
        auto flushIfFull = [&](bool final) {
            if (final || symbols.size() >= symbolsPerBlock) {
                writeBlock(blockStart, p, final);
                symbols.clear();
                blockStart = p;
            }
        };
        Symbol match = find(p);
        insert(p);
        while (p < size) {
            if (match.length >= minMatch && match.length < niceLength && p + 1 < size) {
                // A longer match one byte on sends this byte alone; after a good match, a shorter search for it.
                Symbol later = find(p + 1, match.length >= goodLength ? maxChain / 4 : maxChain);
                if (later.length > match.length) {
                    symbols.push_back({data[p], 0});
                    insert(++p);
                    match = later;
                    continue;
                }
            }
            if (match.length >= minMatch) {
                symbols.push_back(match);
                for (size_t q = p + 1; q < p + match.length; ++q)
                    insert(q);
                p += match.length;
            } else {
                symbols.push_back({data[p], 0});
                ++p;
            }
            flushIfFull(false);
            match = find(p);
            insert(p);
        }
        flushIfFull(true);
        bits.align();
    }

private:
    const unsigned char *data;
    size_t size;
    BitWriter bits;
    std::vector<int32_t> head, prev;
    std::vector<Symbol> symbols;

    unsigned hashAt(size_t p) const
    {
        uint32_t v = uint32_t(data[p]) | uint32_t(data[p + 1]) << 8 | uint32_t(data[p + 2]) << 16;
        return (v * 2654435761u) >> (32 - hashBits);
    }
    void insert(size_t p)
    {
        if (p + minMatch > size)
            return;
        unsigned h = hashAt(p);
        prev[p % windowSize] = head[h];
        head[h] = int32_t(p);
    }
    // The longest earlier match for position p within the window, following at most chainLimit links.
    Symbol find(size_t p, int chainLimit = maxChain) const
    {
        Symbol best = {0, 0};
        if (p + minMatch > size)
            return best;
        const size_t limit = std::min<size_t>(maxMatch, size - p);
        const int32_t oldest = p > size_t(windowSize) ? int32_t(p - windowSize) : 0;
        int32_t candidate = head[hashAt(p)];
        for (int chain = 0; candidate >= oldest && candidate >= 0 && chain < chainLimit; ++chain) {
            const unsigned char *a = data + candidate, *b = data + p;
            if (a[best.length] == b[best.length]) {
                size_t length = 0;
                while (length < limit && a[length] == b[length])
                    ++length;
                if (length > best.length) {
                    best = {static_cast<unsigned short>(length), static_cast<unsigned short>(p - size_t(candidate))};
                    if (length >= limit || int(length) >= niceLength)
                        break;
                }
            }
            int32_t older = prev[size_t(candidate) % windowSize];
            if (older >= candidate)
                break;
            candidate = older;
        }
        if (best.length < minMatch)
            best = {0, 0};
        return best;
    }

    // Sends the block's symbols, which stand for data[from, to), in the smallest of the three block types.
    void writeBlock(size_t from, size_t to, bool final)
    {
        std::vector<uint32_t> litFreq(286), distFreq(30);
        for (const Symbol &s : symbols) {
            if (s.dist) {
                ++litFreq[257 + lengthCode(s.length)];
                ++distFreq[distCode(s.dist)];
            } else {
                ++litFreq[s.length];
            }
        }
        litFreq[256] = 1;
        std::vector<unsigned char> litLen = codeLengths(litFreq, 15), distLen = codeLengths(distFreq, 15);
        std::vector<unsigned char> fixedLit(288, 8), fixedDist(30, 5);
        std::fill(fixedLit.begin() + 144, fixedLit.begin() + 256, 9);
        std::fill(fixedLit.begin() + 256, fixedLit.begin() + 280, 7);

        int litCount = 286, distCount = 30;
        while (litCount > 257 && !litLen[litCount - 1])
            --litCount;
        while (distCount > 1 && !distLen[distCount - 1])
            --distCount;
        std::vector<unsigned char> all(litLen.begin(), litLen.begin() + litCount);
        all.insert(all.end(), distLen.begin(), distLen.begin() + distCount);
        std::vector<int> header = runLengthCoded(all);
        std::vector<uint32_t> headerFreq(19);
        for (int h : header)
            ++headerFreq[h & 0xFF];
        std::vector<unsigned char> headerLen = codeLengths(headerFreq, 7);
        int headerCount = 19;
        while (headerCount > 4 && !headerLen[codeLengthOrder[headerCount - 1]])
            --headerCount;

        uint64_t dynamicBits = 3 + 14 + 3 * uint64_t(headerCount), fixedBits = 3, extraBits = 0;
        for (int h : header)
            dynamicBits += headerLen[h & 0xFF] + unsigned(extraBitsOfCodeLength(h & 0xFF));
        for (int s = 0; s < 286; ++s) {
            dynamicBits += uint64_t(litFreq[s]) * litLen[s];
            fixedBits += uint64_t(litFreq[s]) * fixedLit[s];
            if (s > 256)
                extraBits += uint64_t(litFreq[s]) * lengthExtra[s - 257];
        }
        for (int s = 0; s < 30; ++s) {
            dynamicBits += uint64_t(distFreq[s]) * distLen[s];
            fixedBits += uint64_t(distFreq[s]) * 5;
            extraBits += uint64_t(distFreq[s]) * distExtra[s];
        }
        const uint64_t storedBits = (to - from + 5 * ((to - from) / 65535 + 1)) * 8 + 7;
        if (storedBits <= std::min(dynamicBits, fixedBits) + extraBits) {
            for (size_t at = from; at < to || at == from;) {
                size_t length = std::min<size_t>(65535, to - at);
                bits.put(final && at + length == to ? 1 : 0, 3);
                bits.align();
                bits.put(uint32_t(length), 16);
                bits.put(uint32_t(length) ^ 0xFFFF, 16);
                for (size_t i = 0; i < length; ++i)
                    bits.put(data[at + i], 8);
                at += length;
                if (at == to)
                    break;
            }
            return;
        }
        if (fixedBits <= dynamicBits) {
            bits.put(final ? 3 : 2, 3);
            sendSymbols(fixedLit, fixedDist);
            return;
        }
        bits.put(final ? 5 : 4, 3);
        bits.put(uint32_t(litCount - 257), 5);
        bits.put(uint32_t(distCount - 1), 5);
        bits.put(uint32_t(headerCount - 4), 4);
        for (int i = 0; i < headerCount; ++i)
            bits.put(headerLen[codeLengthOrder[i]], 3);
        std::vector<uint16_t> headerCodes = canonicalCodes(headerLen);
        for (int h : header) {
            int s = h & 0xFF;
            bits.put(headerCodes[s], headerLen[s]);
            if (s >= 16)
                bits.put(uint32_t(h >> 8), extraBitsOfCodeLength(s));
        }
        sendSymbols(litLen, distLen);
    }

    void sendSymbols(const std::vector<unsigned char> &litLen, const std::vector<unsigned char> &distLen)
    {
        std::vector<uint16_t> litCodes = canonicalCodes(litLen), distCodes = canonicalCodes(distLen);
        for (const Symbol &s : symbols) {
            if (!s.dist) {
                bits.put(litCodes[s.length], litLen[s.length]);
                continue;
            }
            int lc = lengthCode(s.length), dc = distCode(s.dist);
            bits.put(litCodes[257 + lc], litLen[257 + lc]);
            bits.put(uint32_t(s.length - lengthBase[lc]), lengthExtra[lc]);
            bits.put(distCodes[dc], distLen[dc]);
            bits.put(uint32_t(s.dist - distBase[dc]), distExtra[dc]);
        }
        bits.put(litCodes[256], litLen[256]);
    }
};

// ---- PNG -------------------------------------------------------------------------------------------------
uint32_t crc32(const unsigned char *bytes, size_t size, uint32_t crc = 0)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t adler32(const unsigned char *bytes, size_t size)
{
    uint32_t a = 1, b = 0;
    while (size) {
        size_t run = std::min<size_t>(size, 5552);  // the longest run before b could overflow 32 bits
        for (size_t i = 0; i < run; ++i) {
            a += bytes[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
        bytes += run;
        size -= run;
    }
    return b << 16 | a;
}

void putBigEndian(std::vector<unsigned char> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void putChunk(std::vector<unsigned char> &out, const char *type, const unsigned char *bytes, size_t size)
{
    putBigEndian(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), bytes, bytes + size);
    putBigEndian(out, crc32(out.data() + start, size + 4));
}

int paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// One channel of a pixel widened to 8 bits by repeating its top bits (5-bit 31 becomes 255, 1 becomes 8).
Uint8 widenChannel(Uint32 pixel, Uint32 mask, Uint8 shift, Uint8 loss)
{
    const int bits = 8 - loss;
    if (bits <= 0)
        return 0;
    Uint32 value = (pixel & mask) >> shift;
    Uint32 wide = value << loss;
    for (int filled = bits; filled < 8; filled += bits)
        wide |= value << loss >> filled;
    return Uint8(wide);
}

// The pixel as 8-bit RGB. Done here rather than by SDL_GetRGB, whose widening differs between SDL 1.2 libraries
// (classic SDL gives 246 where sdl12-compat gives 247), so that a screenshot is the same picture on both.
void widenPixel(Uint32 pixel, const SDL_PixelFormat *format, unsigned char *rgb)
{
    if (format->palette) {
        SDL_GetRGB(pixel, const_cast<SDL_PixelFormat *>(format), &rgb[0], &rgb[1], &rgb[2]);
        return;
    }
    rgb[0] = widenChannel(pixel, format->Rmask, format->Rshift, format->Rloss);
    rgb[1] = widenChannel(pixel, format->Gmask, format->Gshift, format->Gloss);
    rgb[2] = widenChannel(pixel, format->Bmask, format->Bshift, format->Bloss);
}

// The surface's rows as 8-bit RGB, each after its filter-type byte, twice: plain has every row unfiltered, and
// adaptive each row filtered the way that leaves the least sum of absolute values (bytes read as signed), the
// usual guess at what deflate compresses best.
void filterRows(SDL_Surface *surface, std::vector<unsigned char> &plain, std::vector<unsigned char> &adaptive)
{
    const size_t width = size_t(surface->w), stride = width * 3;
    const int bpp = surface->format->BytesPerPixel;
    std::vector<unsigned char> above(stride), row(stride);
    plain.assign((stride + 1) * size_t(surface->h), 0);
    adaptive.assign(plain.size(), 0);
    std::vector<unsigned char> trial[5];
    for (auto &t : trial)
        t.resize(stride);
    for (int y = 0; y < surface->h; ++y) {
        const Uint8 *in = static_cast<const Uint8 *>(surface->pixels) + size_t(y) * surface->pitch;
        for (size_t x = 0; x < width; ++x, in += bpp) {
            Uint32 pixel = bpp == 1 ? *in : bpp == 2 ? *reinterpret_cast<const Uint16 *>(in)
                         : bpp == 4 ? *reinterpret_cast<const Uint32 *>(in)
                         : SDL_BYTEORDER == SDL_LIL_ENDIAN ? Uint32(in[0] | in[1] << 8 | in[2] << 16)
                                                           : Uint32(in[2] | in[1] << 8 | in[0] << 16);
            widenPixel(pixel, surface->format, &row[x * 3]);
        }
        // above holds zeros before the first row, which is what the filters assume there.
        int bestFilter = 0;
        uint64_t bestSum = UINT64_MAX;
        const unsigned char *cur = row.data(), *up = above.data();
        for (int f = 0; f < 5; ++f) {
            unsigned char *t = trial[f].data();
            const size_t first = std::min<size_t>(3, stride);
            for (size_t i = 0; i < first; ++i)  // no pixel on the left: sub is none, average and Paeth use up
                t[i] = static_cast<unsigned char>(f == 0 || f == 1 ? cur[i] : cur[i] - (f == 3 ? up[i] / 2 : up[i]));
            if (f == 0)
                for (size_t i = 3; i < stride; ++i)
                    t[i] = cur[i];
            else if (f == 1)
                for (size_t i = 3; i < stride; ++i)
                    t[i] = static_cast<unsigned char>(cur[i] - cur[i - 3]);
            else if (f == 2)
                for (size_t i = 3; i < stride; ++i)
                    t[i] = static_cast<unsigned char>(cur[i] - up[i]);
            else if (f == 3)
                for (size_t i = 3; i < stride; ++i)
                    t[i] = static_cast<unsigned char>(cur[i] - (cur[i - 3] + up[i]) / 2);
            else
                for (size_t i = 3; i < stride; ++i)
                    t[i] = static_cast<unsigned char>(cur[i] - paeth(cur[i - 3], up[i], up[i - 3]));
            uint64_t sum = 0;
            for (size_t i = 0; i < stride; ++i)
                sum += unsigned(std::abs(int(static_cast<signed char>(t[i]))));
            if (sum < bestSum) {
                bestSum = sum;
                bestFilter = f;
            }
        }
        unsigned char *outRow = &adaptive[size_t(y) * (stride + 1)];
        outRow[0] = static_cast<unsigned char>(bestFilter);
        std::copy(trial[bestFilter].begin(), trial[bestFilter].end(), outRow + 1);
        std::copy(row.begin(), row.end(), plain.begin() + std::ptrdiff_t(size_t(y) * (stride + 1) + 1));
        above.swap(row);
    }
}

std::vector<unsigned char> zlibStream(const std::vector<unsigned char> &rows)
{
    std::vector<unsigned char> zlib = {0x78, 0x9C};
    zlib.reserve(rows.size() / 4 + 64);
    Deflater(rows.data(), rows.size(), zlib).run();
    putBigEndian(zlib, adler32(rows.data(), rows.size()));
    return zlib;
}

}  // namespace

std::vector<unsigned char> pngOfSurface(SDL_Surface *surface)
{
    std::vector<unsigned char> png;
    if (!surface || surface->w <= 0 || surface->h <= 0 ||
        (uint64_t(surface->w) * 3 + 1) * uint64_t(surface->h) > 0x7FFF0000u)
        return png;
    const bool locked = SDL_MUSTLOCK(surface);
    if (locked && SDL_LockSurface(surface) != 0)
        return png;
    std::vector<unsigned char> plain, adaptive;
    if (surface->pixels)  // a hardware surface has its pixels only while locked
        filterRows(surface, plain, adaptive);
    if (locked)
        SDL_UnlockSurface(surface);
    if (plain.empty())
        return png;

    // Neither way wins everywhere: game art of exact colours (tiles, flat areas, text) compresses best
    // unfiltered, where long repeats survive, and smooth shading best filtered. Both are tried on a sample, every
    // eighth band of eight rows (every row of a small image), and the whole image goes the winner's way.
    const size_t rowSize = size_t(surface->w) * 3 + 1;
    auto sampledSize = [&](const std::vector<unsigned char> &rows) {
        std::vector<unsigned char> sample;
        for (size_t y = 0; y < size_t(surface->h); ++y)
            if (surface->h <= 64 || (y / 8) % 8 == 0)
                sample.insert(sample.end(), rows.begin() + std::ptrdiff_t(y * rowSize),
                              rows.begin() + std::ptrdiff_t((y + 1) * rowSize));
        return zlibStream(sample).size();
    };
    std::vector<unsigned char> zlib = zlibStream(sampledSize(adaptive) < sampledSize(plain) ? adaptive : plain);
    static const unsigned char signature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    png.assign(signature, signature + 8);
    std::vector<unsigned char> header;
    putBigEndian(header, uint32_t(surface->w));
    putBigEndian(header, uint32_t(surface->h));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    putChunk(png, "IHDR", header.data(), header.size());
    const size_t chunkSize = size_t(1) << 20;
    for (size_t at = 0; at < zlib.size(); at += chunkSize)
        putChunk(png, "IDAT", zlib.data() + at, std::min(chunkSize, zlib.size() - at));
    putChunk(png, "IEND", nullptr, 0);
    return png;
}

bool writePngFile(const char *path, SDL_Surface *surface, std::string &reason)
{
    if (!path || !*path) {
        reason = "no file name";
        return false;
    }
    std::vector<unsigned char> png = pngOfSurface(surface);
    if (png.empty()) {
        reason = !surface || surface->w <= 0 || surface->h <= 0 ? "empty surface" : "surface cannot be read";
        return false;
    }
    // Replaced whole: a reader never sees half a file, and no link is followed (FileReplace.h).
    if (!replaceFileAtPath(path, png.data(), png.size(), 0666)) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}
