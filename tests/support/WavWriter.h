// WavWriter: 16-bit PCM WAV files for the sound tests, the benchmarks and the fuzz seeds, written byte by byte:
// "RIFF", size, "WAVE", a 16-byte "fmt " chunk (PCM, channels, rate, byte rate, block align, 16 bits) and a
// "data" chunk of little-endian samples.
// Depends on: LittleEndian.h and the C++ standard library.
#ifndef ZARVELLO_TESTS_WAVWRITER_H
#define ZARVELLO_TESTS_WAVWRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "LittleEndian.h"

namespace wav {

// A WAV file holding samples (interleaved when channels is 2).
inline std::string build(const std::vector<std::int16_t> &samples, std::uint32_t rate, std::uint16_t channels = 1)
{
    std::string data;
    for (std::int16_t s : samples)
        data += le16(static_cast<std::uint16_t>(s));
    const std::string format = le16(1) + le16(channels) + le32(rate) + le32(rate * channels * 2) +
                               le16(static_cast<std::uint16_t>(channels * 2)) + le16(16);
    const std::string body = "WAVE" + std::string("fmt ") + le32(16) + format + "data" +
                             le32(static_cast<std::uint32_t>(data.size())) + data;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

// A mono square wave of the given amplitude: frames samples, period samples per cycle, starting high.
inline std::vector<std::int16_t> square(std::int16_t amplitude, std::uint32_t frames, std::uint32_t period = 50)
{
    std::vector<std::int16_t> samples(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        samples[i] = (i % period) < period / 2 ? amplitude : static_cast<std::int16_t>(-amplitude);
    return samples;
}

}  // namespace wav

#endif
