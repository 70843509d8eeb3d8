// SkinFormat: where the fields lie in a skin file's part record, in one place for the skin tool and the tests
// (the record and file sizes are the loader's skinPartRecordSize and skinFileSize). A record is 274 bytes:
// type (signed 32-bit), filename[256] (zero-terminated unless it fills the field), rgb[6] (main red, green,
// blue, then shadow red, green, blue), transparent and vertical (32-bit); numbers little-endian.
// Depends on: nothing.
#ifndef ZARVELLO_SKINFORMAT_H
#define ZARVELLO_SKINFORMAT_H

#include <cstdint>

namespace skinFormat {

const std::uint32_t typeOffset = 0;
const std::uint32_t nameOffset = 4;
const std::uint32_t nameFieldSize = 256;
const std::uint32_t rgbOffset = 260;
const std::uint32_t transparentOffset = 266;
const std::uint32_t verticalOffset = 270;
const std::uint32_t recordSize = 274;

}  // namespace skinFormat

#endif
