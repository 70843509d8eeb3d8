// The archive reader: an archive is read once (header, directory) and keeps its one stream open for its members.
// Every field is read in turn and the first that fails refuses the archive; the directory must fit in the file
// before anything is allocated for it. The name index files each member when its archive is accepted.
// Depends on: NFILoader (the archive records), OpenTable, Memory, Utility; the descriptor count lives in
// NFILoaderLinux.cpp.
#include "NFIArchive.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "NFIFormat.h"
#include "Utility.h"

namespace {

const Uint32 dirHeaderSize = nfiFormat::dirHeaderSize;
const Uint32 dirEntrySize = nfiFormat::dirEntrySize;
static_assert(sizeof(NFIDirEntry) == nfiFormat::dirEntrySize, "a directory entry is read as one record");
static_assert(sizeof(NFIDirEntry::name) == nfiFormat::nameFieldSize, "the name field's size");

// A name field that fills all 260 bytes is taken whole; nothing past the field is ever looked at.
std::string_view entryName(const NFIDirEntry &entry)
{
    const void *end = std::memchr(entry.name, 0, sizeof entry.name);
    size_t length = end ? static_cast<size_t>(static_cast<const char *>(end) - entry.name) : sizeof entry.name;
    return std::string_view(entry.name, length);
}

// Whether the entry's name is exactly the length bytes at name, which hold no zero byte. Only the entry's own
// 260 bytes are looked at: a name shorter than the field must be followed by its terminator there.
bool nameIs(const NFIDirEntry &entry, const char *name, size_t length)
{
    if (length > sizeof entry.name || (length < sizeof entry.name && entry.name[length] != '\0'))
        return false;
    return std::memcmp(entry.name, name, length) == 0;
}

// Reads exactly size bytes into destination or throws; the archive readers catch it in the same function.
void readField(FILE *file, void *destination, size_t size)
{
    if (std::fread(destination, 1, size, file) != size)
        throw 1;
}

// Header, directory header and directory in turn; the first field that fails refuses the archive, its stream
// closed and its directory freed.
SDL_bool readNFIFields(NFIFile &info)
{
    try {
        readField(info.fileHandle, info.fileHeader.id, 4);
        readField(info.fileHandle, &info.fileHeader.version, 1);
        readField(info.fileHandle, &info.fileHeader.reserved, 4);
        readField(info.fileHandle, &info.fileHeader.dirOffs, 4);
        if (info.fileHeader.version != nfiFormat::version)
            throw 1;
        if (std::memcmp(info.fileHeader.id, nfiFormat::mark, 4) != 0)
            throw 1;

        if (std::fseek(info.fileHandle, static_cast<long>(info.fileHeader.dirOffs), SEEK_SET) != 0)
            throw 1;
        readField(info.fileHandle, &info.dirHeader.dirSize, 4);
        readField(info.fileHandle, &info.dirHeader.reserved, 4);

        // The directory must fit in what the file holds after the directory header before anything is
        // allocated for it; this also refuses archives of 2 GiB and more, whose size is not known.
        Sint32 fileSize = getFileSize(info.fileHandle);
        if (fileSize < 0)
            throw 1;
        Uint64 directoryEnd = static_cast<Uint64>(info.fileHeader.dirOffs) + dirHeaderSize +
                              static_cast<Uint64>(info.dirHeader.dirSize) * dirEntrySize;
        if (directoryEnd > static_cast<Uint64>(fileSize))
            throw 1;
        info.directory = new (std::nothrow) NFIDirEntry[info.dirHeader.dirSize];
        if (!info.directory)
            throw 1;
        for (Uint32 i = 0; i < info.dirHeader.dirSize; ++i) {
            NFIDirEntry &entry = info.directory[i];
            readField(info.fileHandle, entry.name, sizeof entry.name);
            readField(info.fileHandle, &entry.offset, 4);
            readField(info.fileHandle, &entry.length, 4);
            readField(info.fileHandle, entry.reserved, sizeof entry.reserved);
        }
    } catch (int) {
        std::fclose(info.fileHandle);
        info.fileHandle = nullptr;
        delete[] info.directory;
        info.directory = nullptr;
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

}  // namespace

NFIFile *readNFIArchive(const char *fullName, const char *bareName)
{
    NFIFile *info = new (std::nothrow) NFIFile();
    if (!info)
        return nullptr;
    zarvello::snprintf(255, info->name, "%s", bareName);
    // A FIFO, terminal or device named like an archive is refused without waiting on it; an archive that would
    // leave too few descriptors for the program's other files is refused as if none had been left.
    info->fileHandle = openRegularFile(fullName, "rb");
    if (info->fileHandle && leavesDescriptorsFree(info->fileHandle) == SDL_FALSE) {
        std::fclose(info->fileHandle);
        info->fileHandle = nullptr;
        errno = EMFILE;
    }
    if (!info->fileHandle) {
        const int error = errno;
        delete info;
        errno = error;
        return nullptr;
    }
    if (readNFIFields(*info) == SDL_FALSE) {
        delete info;
        return nullptr;
    }
    return info;
}

void freeNFIArchive(NFIFile *archive)
{
    std::fclose(archive->fileHandle);
    delete[] archive->directory;
    delete archive;
}

Sint32 getFileSize(FILE *file)
{
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0)
        return -1;
    // Positions in a file are signed 32-bit: anything of 2 GiB or more is refused rather than misread.
    if (size < 0 || size > 0x7FFFFFFFL)
        return -1;
    return static_cast<Sint32>(size);
}

NFINameIndex::NFINameIndex() : keptBits(indexHashMask), incomplete(false) {}

// Within an archive the first entry of a name keeps its slot; a newer archive takes the slot of an older one.
void NFINameIndex::addArchive(NFIFile &archive)
{
    if (incomplete)
        return;
    // The table grows before anything is added, so running out of memory never leaves half an archive in it.
    if (!table.reserve(static_cast<Uint64>(table.size()) + archive.dirHeader.dirSize)) {
        table.clear();
        incomplete = true;
        return;
    }
    for (Uint32 i = 0; i < archive.dirHeader.dirSize; ++i) {
        const std::string_view name = entryName(archive.directory[i]);
        const Uint32 hash = indexKeyHash(name, 0) & keptBits;
        Slot &slot = table.place(hash, [&](const Slot &s) {
            return s.hash == hash && nameIs(s.archive->directory[s.entry], name.data(), name.size());
        });
        if (!slot.taken()) {
            slot = Slot{&archive, i, hash};
            table.filled();
        } else if (slot.archive != &archive) {
            slot.archive = &archive;
            slot.entry = i;
        }
    }
}

SDL_bool NFINameIndex::find(NFIFile *archives, const char *name, const NFIDirEntry *&entry,
                            NFIFile *&entryFile) const
{
    const size_t length = std::strlen(name);
    if (length > sizeof(NFIDirEntry::name))
        return SDL_FALSE;
    if (!incomplete) {
        const Uint32 hash = indexKeyHash(std::string_view(name, length), 0) & keptBits;
        const Slot *found = table.find(hash, [&](const Slot &s) {
            return s.hash == hash && nameIs(s.archive->directory[s.entry], name, length);
        });
        if (!found)
            return SDL_FALSE;
        entry = &found->archive->directory[found->entry];
        entryFile = found->archive;
        return SDL_TRUE;
    }
    for (NFIFile *archive = archives; archive; archive = archive->next) {
        for (Uint32 i = 0; i < archive->dirHeader.dirSize; ++i) {
            if (nameIs(archive->directory[i], name, length)) {
                entry = &archive->directory[i];
                entryFile = archive;
                return SDL_TRUE;
            }
        }
    }
    return SDL_FALSE;
}
