// NFIFormat: the byte layout of an NFI archive, in one place for the reader, the archive tool and the tests.
// Numbers are little-endian 32-bit. The file opens with a 13-byte header: "NFI" and a zero byte, the version
// byte 1, four reserved bytes, dirOffs. The members' bytes follow; at dirOffs the directory header (member count,
// four reserved bytes), then one 276-byte entry per member: name[260] (zero-terminated unless it fills the
// field), offset, length, eight reserved bytes. Offsets are signed 32-bit in the reader, so archives stay below
// 2 GiB.
// Depends on: nothing.
#ifndef ZARVELLO_NFIFORMAT_H
#define ZARVELLO_NFIFORMAT_H

#include <cstdint>

namespace nfiFormat {

const char mark[4] = {'N', 'F', 'I', '\0'};         // the first four bytes
const std::uint8_t version = 1;                     // the only version there is
const std::uint32_t versionOffset = 4;              // of the version byte in the header
const std::uint32_t dirOffsOffset = 9;              // of dirOffs in the header
const std::uint32_t fileHeaderSize = 13;
const std::uint32_t dirHeaderSize = 8;              // member count, reserved
const std::uint32_t dirEntrySize = 276;
const std::uint32_t nameFieldSize = 260;            // so a data name holds at most 259 bytes
const std::uint32_t entryOffsetOffset = 260;        // of a member's offset in its entry
const std::uint32_t entryLengthOffset = 264;        // of a member's length in its entry
const std::uint64_t archiveLimit = 0x7FFFFFFFu;     // the largest archive, in bytes

}  // namespace nfiFormat

#endif
