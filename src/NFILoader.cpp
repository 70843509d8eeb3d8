// The data loader: data paths, NFI archives and the 256-slot handle table. Loose files are looked up afresh on
// every open; archives are read once (header, directory) and their members served out of the archive's one
// open stream: byte reads at the member's place in its file, text lines through the stream positioned afresh.
// A name index built when an archive is accepted gives the same answer as walking the archives newest first and
// each directory in order, without the walk.
// Depends on: Memory, Console, Utility, BitArray; the directory scan and positioned reads live in
// NFILoaderLinux.cpp.
#include "NFILoader.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "BitArray.h"
#include "Console.h"
#include "Memory.h"
#include "Utility.h"

namespace {

NFILoader *globalLoaderObject = nullptr;

const Uint32 dirHeaderSize = 8;
const Uint32 dirEntrySize = 276;
const Sint32 handleCount = 256;

// A data name with a ".." component could name a file outside the data path; such a name is never looked up
// as a loose file.
bool leavesDataPath(const char *name)
{
    for (const char *component = name; *component;) {
        const char *end = std::strchr(component, '/');
        size_t length = end ? static_cast<size_t>(end - component) : std::strlen(component);
        if (length == 2 && component[0] == '.' && component[1] == '.')
            return true;
        if (!end)
            break;
        component = end + 1;
    }
    return false;
}

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

// The hash the name index files a data name under: eight bytes at a time, then mixed so that the low bits (the
// table position) depend on every byte.
Uint32 nameHash(const char *name, size_t length)
{
    const Uint64 multiplier = 0x9E3779B97F4A7C15ull;
    Uint64 h = (length + 1) * multiplier;
    for (size_t i = 0; i < length; i += 8) {
        Uint64 word = 0;
        std::memcpy(&word, name + i, length - i < 8 ? length - i : 8);
        h = (h ^ word) * multiplier;
        h ^= h >> 29;
    }
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return static_cast<Uint32>(h);
}

// Reads exactly size bytes into destination or throws; the archive readers catch it in the same function.
void readField(FILE *file, void *destination, size_t size)
{
    if (std::fread(destination, 1, size, file) != size)
        throw 1;
}

// A loose file's stream is only moved by seeks and reads; after a short read (the file shrank since it was
// opened) it is put back at the position, which counts the whole request. Members are positioned on every read.
void keepInStep(InternalHandle &slot)
{
    if (slot.isPacked == SDL_FALSE)
        std::fseek(slot.realFile, static_cast<long>(slot.position), SEEK_SET);
}

}  // namespace

// One slot of the name index: the name's hash beside where its entry lies, so that a lookup reads the table and
// then only the directory entries whose hash matches, normally just the one it returns.
struct NFINameSlot {
    NFIFile *archive;  // null: the slot is free
    Uint32 entry;
    Uint32 hash;
};

// Data name -> the entry a walk over the archives (newest first, each in directory order) finds first. Open
// addressing with linear probing over a power-of-two table kept at most half full.
struct NFINameIndex {
    explicit NFINameIndex(Uint32 mask) : hashMask(mask) {}
    ~NFINameIndex() { delete[] slots; }
    NFINameIndex(const NFINameIndex &) = delete;
    NFINameIndex &operator=(const NFINameIndex &) = delete;

    // Room for this many names in all; false (the table as it was) when memory runs out.
    bool reserve(Uint64 names);
    void add(NFIFile &archive, Uint32 entry);
    const NFINameSlot *find(const char *name, size_t length) const;
    void drop();

    NFINameSlot *slots = nullptr;
    size_t capacity = 0;
    size_t used = 0;
    const Uint32 hashMask;
    // Set when memory ran out while indexing; lookups then walk the archives instead.
    bool incomplete = false;
};

bool NFINameIndex::reserve(Uint64 names)
{
    // 2^27 slots of 16 bytes is past what the tracked allocator hands out in one block.
    const Uint64 maxSlots = Uint64(1) << 27;
    if (names * 2 <= capacity)
        return true;
    Uint64 wanted = 16;
    while (wanted < names * 2) {
        if (wanted >= maxSlots)
            return false;
        wanted *= 2;
    }
    NFINameSlot *grown = new (std::nothrow) NFINameSlot[wanted]();
    if (!grown)
        return false;
    const size_t mask = static_cast<size_t>(wanted - 1);
    for (size_t i = 0; i < capacity; ++i) {
        if (!slots[i].archive)
            continue;
        size_t at = slots[i].hash & mask;
        while (grown[at].archive)
            at = (at + 1) & mask;
        grown[at] = slots[i];
    }
    delete[] slots;
    slots = grown;
    capacity = static_cast<size_t>(wanted);
    return true;
}

// Within an archive the first entry of a name keeps its slot; a newer archive takes the slot of an older one.
void NFINameIndex::add(NFIFile &archive, Uint32 entry)
{
    const std::string_view name = entryName(archive.directory[entry]);
    const Uint32 hash = nameHash(name.data(), name.size()) & hashMask;
    const size_t mask = capacity - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        NFINameSlot &slot = slots[at];
        if (!slot.archive) {
            slot = NFINameSlot{&archive, entry, hash};
            ++used;
            return;
        }
        if (slot.hash == hash && nameIs(slot.archive->directory[slot.entry], name.data(), name.size())) {
            if (slot.archive != &archive) {
                slot.archive = &archive;
                slot.entry = entry;
            }
            return;
        }
    }
}

const NFINameSlot *NFINameIndex::find(const char *name, size_t length) const
{
    if (capacity == 0)
        return nullptr;
    const Uint32 hash = nameHash(name, length) & hashMask;
    const size_t mask = capacity - 1;
    for (size_t at = hash & mask; slots[at].archive; at = (at + 1) & mask) {
        const NFINameSlot &slot = slots[at];
        if (slot.hash == hash && nameIs(slot.archive->directory[slot.entry], name, length))
            return &slot;
    }
    return nullptr;
}

void NFINameIndex::drop()
{
    delete[] slots;
    slots = nullptr;
    capacity = 0;
    used = 0;
}

Uint32 NFILoader::nameHashMask = 0xFFFFFFFFu;

NFILoader *NFILoader::globalLoader()
{
    if (!globalLoaderObject)
        globalLoaderObject = new NFILoader();
    return globalLoaderObject;
}

NFILoader::NFILoader() : NFIList(nullptr), NFICount(0), rootPathEntry(nullptr), handleList(), handleFlags(nullptr),
                         nameIndex(nullptr)
{
    Console::addString("Data Loader initializing");
    handleFlags = new BitArray(handleCount);
    nameIndex = new NFINameIndex(nameHashMask);
}

NFILoader::~NFILoader()
{
    for (Sint32 h = 0; h < handleCount; ++h) {
        if (handleFlags->getBit(h) && handleList[h].isPacked == SDL_FALSE && handleList[h].realFile)
            std::fclose(handleList[h].realFile);
    }
    delete nameIndex;
    while (NFIList) {
        NFIFile *next = NFIList->next;
        std::fclose(NFIList->fileHandle);
        delete[] NFIList->directory;
        delete NFIList;
        NFIList = next;
    }
    while (rootPathEntry) {
        PathEntry *next = rootPathEntry->next;
        mem_dealloc(rootPathEntry->pathName);
        delete rootPathEntry;
        rootPathEntry = next;
    }
    delete handleFlags;
    if (globalLoaderObject == this)
        globalLoaderObject = nullptr;
}

void NFILoader::addDataPath(const char *path)
{
    if (!path)
        return;
    char *copy = zarvello::strdup(path);
    if (!copy)
        return;
    size_t length = std::strlen(copy);
    if (length > 0 && copy[length - 1] == '/')
        copy[length - 1] = '\0';
    Console::addString("Adding data path '%s'", copy);

    PathEntry *entry = new PathEntry;
    entry->pathName = copy;
    entry->next = rootPathEntry;
    rootPathEntry = entry;

    scanNFIFilesFromPath(copy);
}

SDL_bool NFILoader::addNFIFile(const char *filename)
{
    if (!filename)
        return SDL_FALSE;
    errno = 0;
    NFIFile *archive = getNFIInfo(filename, filename);
    if (!archive) {
        // Every accepted archive holds a descriptor for the rest of the run, so a data directory with very many
        // of them can use up the process's share: say so, or the refusals that follow look like damaged files.
        const bool outOfDescriptors = errno == EMFILE || errno == ENFILE;
        Console::addString("Error adding Archive file '%s'", fileComponentOfPath(filename));
        if (outOfDescriptors)
            Console::addString("WARNING: Too few file descriptors left to keep archive file '%s' open (each "
                               "accepted archive keeps one, %d stay free for other files; this process may open "
                               "%llu files)",
                               fileComponentOfPath(filename), descriptorsKeptFree,
                               static_cast<unsigned long long>(openFileLimit()));
        return SDL_FALSE;
    }
    Uint32 count = archive->dirHeader.dirSize;
    Console::addString("Adding Archive file '%s' (%d file%s)", fileComponentOfPath(filename), static_cast<int>(count),
                       count == 1 ? "" : "s");
    archive->next = NFIList;
    NFIList = archive;
    ++NFICount;
    indexArchive(*archive);
    return SDL_TRUE;
}

void NFILoader::indexArchive(NFIFile &archive)
{
    if (nameIndex->incomplete)
        return;
    // The table grows before anything is added, so running out of memory never leaves half an archive in it.
    if (!nameIndex->reserve(static_cast<Uint64>(nameIndex->used) + archive.dirHeader.dirSize)) {
        nameIndex->drop();
        nameIndex->incomplete = true;
        return;
    }
    for (Uint32 i = 0; i < archive.dirHeader.dirSize; ++i)
        nameIndex->add(archive, i);
}

NFIFile *NFILoader::getNFIInfo(const char *fullName, const char *bareName)
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
    // Each reader closes the stream at its first failure and the rest are skipped.
    if (readNFIFileHeader(*info) == SDL_FALSE || readNFIDirHeader(*info) == SDL_FALSE ||
        readNFIDirEntries(*info) == SDL_FALSE) {
        delete info;
        return nullptr;
    }
    return info;
}

SDL_bool NFILoader::readNFIFileHeader(NFIFile &info)
{
    try {
        readField(info.fileHandle, info.fileHeader.id, 4);
        readField(info.fileHandle, &info.fileHeader.version, 1);
        readField(info.fileHandle, &info.fileHeader.reserved, 4);
        readField(info.fileHandle, &info.fileHeader.dirOffs, 4);
        if (info.fileHeader.version != 1)
            throw 1;
        if (std::memcmp(info.fileHeader.id, "NFI", 4) != 0)
            throw 1;
    } catch (int) {
        std::fclose(info.fileHandle);
        info.fileHandle = nullptr;
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

SDL_bool NFILoader::readNFIDirHeader(NFIFile &info)
{
    try {
        if (std::fseek(info.fileHandle, static_cast<long>(info.fileHeader.dirOffs), SEEK_SET) != 0)
            throw 1;
        readField(info.fileHandle, &info.dirHeader.dirSize, 4);
        readField(info.fileHandle, &info.dirHeader.reserved, 4);
    } catch (int) {
        std::fclose(info.fileHandle);
        info.fileHandle = nullptr;
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

SDL_bool NFILoader::readNFIDirEntries(NFIFile &info)
{
    try {
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

SDL_bool NFILoader::searchForNFIEntry(const NFIDirEntry *&entry, NFIFile *&entryFile, const char *name)
{
    const size_t length = std::strlen(name);
    if (length > sizeof(NFIDirEntry::name))
        return SDL_FALSE;
    if (!nameIndex->incomplete) {
        const NFINameSlot *found = nameIndex->find(name, length);
        if (!found)
            return SDL_FALSE;
        entry = &found->archive->directory[found->entry];
        entryFile = found->archive;
        return SDL_TRUE;
    }
    for (NFIFile *archive = NFIList; archive; archive = archive->next) {
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

NFIHandle NFILoader::openFile(const char *filename)
{
    if (!filename)
        return -1;
    NFIHandle handle = openFileLocally(filename);
    if (handle != -1)
        return handle;

    handle = handleFlags->findUnsetBit();
    if (handle == -1)
        return -1;
    const NFIDirEntry *entry;
    NFIFile *archive;
    if (searchForNFIEntry(entry, archive, filename) == SDL_FALSE)
        return -1;

    InternalHandle &slot = handleList[handle];
    slot.realFile = archive->fileHandle;
    slot.isPacked = SDL_TRUE;
    slot.startPos = entry->offset;
    slot.length = entry->length;
    slot.position = 0;
    handleFlags->setBit(handle);
    return handle;
}

NFIHandle NFILoader::openFileLocally(const char *filename)
{
    NFIHandle handle = handleFlags->findUnsetBit();
    if (handle == -1 || !rootPathEntry || leavesDataPath(filename))
        return -1;

    size_t nameLength = std::strlen(filename);
    for (PathEntry *path = rootPathEntry; path; path = path->next) {
        // A combination that does not fit the 256-byte buffer is not looked up at all, so a cut name can
        // never open some other file.
        if (std::strlen(path->pathName) + nameLength > 255)
            continue;
        char fullName[256];
        zarvello::snprintf(255, fullName, "%s%s", path->pathName, filename);
        // Only a regular file opens: a FIFO, terminal, directory or device of that name is passed over without
        // waiting on it, like a missing file.
        FILE *file = openRegularFile(fullName, "rb");
        if (!file)
            continue;
        Sint32 size = getFileSize(file);
        if (size < 0) {
            std::fclose(file);
            continue;
        }
        InternalHandle &slot = handleList[handle];
        slot.realFile = file;
        slot.isPacked = SDL_FALSE;
        slot.startPos = 0;
        slot.length = static_cast<Uint32>(size);
        slot.position = 0;
        handleFlags->setBit(handle);
        return handle;
    }
    return -1;
}

Sint32 NFILoader::getFileSize(FILE *file)
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

InternalHandle *NFILoader::openHandle(NFIHandle handle)
{
    if (handle < 0 || handle >= handleCount || !handleFlags->getBit(handle))
        return nullptr;
    return &handleList[handle];
}

void NFILoader::closeFile(NFIHandle handle)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return;
    if (slot->isPacked == SDL_FALSE && slot->realFile)
        std::fclose(slot->realFile);
    slot->realFile = nullptr;
    handleFlags->clearBit(handle);
}

SDL_bool NFILoader::fileExists(const char *filename)
{
    NFIHandle handle = openFile(filename);
    if (handle == -1)
        return SDL_FALSE;
    closeFile(handle);
    return SDL_TRUE;
}

Sint32 NFILoader::fileSize(const char *filename)
{
    NFIHandle handle = openFile(filename);
    if (handle == -1)
        return -1;
    Sint32 length = static_cast<Sint32>(handleList[handle].length);
    closeFile(handle);
    return length;
}

Sint32 NFILoader::fileSize(NFIHandle handle)
{
    InternalHandle *slot = openHandle(handle);
    return slot ? static_cast<Sint32>(slot->length) : -1;
}

SDL_bool NFILoader::seek(NFIHandle handle, Sint32 position, Sint32 location)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return SDL_FALSE;
    Sint64 newPosition;
    switch (location) {
    case SEEK_SET:
        newPosition = position;
        break;
    case SEEK_CUR:
        newPosition = static_cast<Sint64>(slot->position) + position;
        break;
    case SEEK_END:
        newPosition = static_cast<Sint64>(slot->length) + position;
        break;
    default:
        return SDL_FALSE;
    }
    if (newPosition < 0 || newPosition > 0xFFFFFFFFLL)
        return SDL_FALSE;
    // The position only moves when the stream moved with it, so a loose file's stream stays in step.
    if (std::fseek(slot->realFile, static_cast<long>(slot->startPos + newPosition), SEEK_SET) != 0)
        return SDL_FALSE;
    slot->position = static_cast<Uint32>(newPosition);
    return SDL_TRUE;
}

Sint64 NFILoader::tell(NFIHandle handle)
{
    InternalHandle *slot = openHandle(handle);
    return slot ? static_cast<Sint64>(slot->position) : -1;
}

SDL_bool NFILoader::readByteStream(NFIHandle handle, void *buffer, Uint32 bytesToRead)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return SDL_FALSE;
    if (static_cast<Uint64>(slot->position) + bytesToRead > slot->length)
        return SDL_FALSE;
    if (bytesToRead == 0)
        return SDL_TRUE;
    if (slot->isPacked == SDL_TRUE) {
        // A member is read straight from the archive's file at its place, one system call; the shared
        // stream's own buffer and position are not involved (readString positions the stream itself).
        SDL_bool complete = readAt(slot->realFile, buffer, bytesToRead,
                                   static_cast<Uint64>(slot->startPos) + slot->position);
        slot->position += bytesToRead;
        return complete;
    }
    size_t got = std::fread(buffer, 1, bytesToRead, slot->realFile);
    slot->position += bytesToRead;
    if (got != bytesToRead) {
        keepInStep(*slot);
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

SDL_bool NFILoader::readByte(NFIHandle handle, void *buffer)
{
    return readByteStream(handle, buffer, 1);
}

SDL_bool NFILoader::readINT2(NFIHandle handle, void *buffer)
{
    return readByteStream(handle, buffer, 2);
}

SDL_bool NFILoader::readINT4(NFIHandle handle, void *buffer)
{
    return readByteStream(handle, buffer, 4);
}

SDL_bool NFILoader::readString(NFIHandle handle, char *buffer, Sint32 bufSize, SDL_bool keepNewline)
{
    if (buffer && bufSize > 0)
        buffer[0] = '\0';
    InternalHandle *slot = openHandle(handle);
    if (!slot || !buffer || slot->position >= slot->length || bufSize < 2)
        return SDL_FALSE;
    if (slot->isPacked == SDL_TRUE &&
        std::fseek(slot->realFile, static_cast<long>(static_cast<Uint64>(slot->startPos) + slot->position),
                   SEEK_SET) != 0)
        return SDL_FALSE;

    Sint32 stored = 0;
    while (true) {
        int c = std::fgetc(slot->realFile);
        if (c == EOF) {
            // What arrived stays in the buffer, terminated, and the position counts the bytes stored, so the
            // next read starts at the byte that could not be read.
            buffer[stored] = '\0';
            keepInStep(*slot);
            return SDL_FALSE;
        }
        buffer[stored++] = static_cast<char>(c);
        ++slot->position;
        if (c == '\n' || stored == bufSize - 1 || slot->position >= slot->length)
            break;
    }

    // A line cut right after a CR: the LF of its CR LF pair is taken along so that the next call does not
    // return an empty line. Any other byte stays where it is for the next call; a byte that cannot be read
    // takes nothing from the line read so far.
    if (buffer[stored - 1] == '\r' && slot->position < slot->length) {
        int c = std::fgetc(slot->realFile);
        if (c == '\n')
            ++slot->position;
        else if (c != EOF)
            std::ungetc(c, slot->realFile);
        else
            keepInStep(*slot);
    }
    if (buffer[stored - 1] == '\n')
        --stored;
    if (stored > 0 && buffer[stored - 1] == '\r') {
        if (keepNewline == SDL_TRUE)
            buffer[stored - 1] = '\n';
        else
            --stored;
    }
    buffer[stored] = '\0';
    return SDL_TRUE;
}
