// ArchiveWriter: NFI archives for tests, written byte by byte independently of nfitool, so that a fault in the
// tool cannot hide a fault in the loader. Layout: "NFI\0", version, reserved, dirOffs (13 bytes); member data;
// at dirOffs dirSize, reserved (8 bytes) and dirSize entries of name[260], offset, length, reserved[8].
// Depends on: LittleEndian.h, NFIFormat.h (the layout's sizes) and the C++ standard library.
#ifndef ZARVELLO_TESTS_ARCHIVEWRITER_H
#define ZARVELLO_TESTS_ARCHIVEWRITER_H

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "LittleEndian.h"
#include "NFIFormat.h"

namespace archive {

// The 13-byte file header; id is the first four bytes as given.
inline std::string fileHeader(std::uint32_t dirOffs, char version = 1, const std::string &id = std::string("NFI\0", 4))
{
    return id.substr(0, 4) + std::string(1, version) + le32(0xDEADBEEF) + le32(dirOffs);
}

inline std::string dirHeader(std::uint32_t dirSize)
{
    return le32(dirSize) + le32(0x12345678);
}

// One 276-byte entry; the name is padded with zero bytes (or cut) to exactly 260 bytes.
inline std::string dirEntry(const std::string &name, std::uint32_t offset, std::uint32_t length)
{
    std::string field = name.substr(0, nfiFormat::nameFieldSize);
    field.resize(nfiFormat::nameFieldSize, '\0');
    return field + le32(offset) + le32(length) + std::string("rsrvd\1\2\3", 8);
}

typedef std::vector<std::pair<std::string, std::string>> Members;

// A well-formed archive: header, the members' data in order, then the directory.
inline std::string build(const Members &members)
{
    std::string data;
    std::string directory;
    std::uint32_t offset = nfiFormat::fileHeaderSize;
    for (const auto &member : members) {
        directory += dirEntry(member.first, offset, static_cast<std::uint32_t>(member.second.size()));
        data += member.second;
        offset += static_cast<std::uint32_t>(member.second.size());
    }
    return fileHeader(offset) + data + dirHeader(static_cast<std::uint32_t>(members.size())) + directory;
}

inline void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace archive

#endif
