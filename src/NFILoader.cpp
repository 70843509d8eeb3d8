// The data loader: data paths, NFI archives and the 256-slot handle table. Loose files are looked up afresh on
// every open; archives are read once (header, directory) and their members served out of the archive's one
// open stream, which every member read positions afresh. A name index built when an archive is accepted gives
// the same answer as walking the archives newest first and each directory in order, without the walk.
// Depends on: Memory, Console, Utility, BitArray; the directory scan lives in NFILoaderLinux.cpp.
#include "NFILoader.h"

#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>

#include "BitArray.h"
#include "Console.h"
#include "Memory.h"
#include "Utility.h"

namespace {

NFILoader *globalLoaderObject = nullptr;

const Uint32 fileHeaderSize = 13;
const Uint32 dirHeaderSize = 8;
const Uint32 dirEntrySize = 276;
const Sint32 handleCount = 256;

// A name field that fills all 260 bytes is taken whole; nothing past the field is ever looked at.
std::string_view entryName(const NFIDirEntry &entry)
{
    const void *end = std::memchr(entry.name, 0, sizeof entry.name);
    size_t length = end ? static_cast<size_t>(static_cast<const char *>(end) - entry.name) : sizeof entry.name;
    return std::string_view(entry.name, length);
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

struct NFILocation {
    NFIFile *archive;
    Uint32 entry;
};

struct NFINameIndex {
    std::unordered_map<std::string_view, NFILocation> entries;
    // Set when memory ran out while indexing; lookups then walk the archives instead.
    bool incomplete = false;
};

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
    nameIndex = new NFINameIndex();
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
    NFIFile *archive = getNFIInfo(filename, filename);
    if (!archive) {
        Console::addString("Error adding Archive file '%s'", fileComponentOfPath(filename));
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
    // The newest archive shadows every older one, and within it the first entry of a name wins: walking the
    // directory backwards and overwriting leaves exactly that entry in the index.
    try {
        nameIndex->entries.reserve(nameIndex->entries.size() + archive.dirHeader.dirSize);
        for (Uint32 i = archive.dirHeader.dirSize; i > 0; --i)
            nameIndex->entries[entryName(archive.directory[i - 1])] = NFILocation{&archive, i - 1};
    } catch (const std::bad_alloc &) {
        nameIndex->entries.clear();
        nameIndex->incomplete = true;
    }
}

NFIFile *NFILoader::getNFIInfo(const char *fullName, const char *bareName)
{
    NFIFile *info = new (std::nothrow) NFIFile();
    if (!info)
        return nullptr;
    zarvello::snprintf(255, info->name, "%s", bareName);
    info->fileHandle = std::fopen(fullName, "rb");
    if (!info->fileHandle) {
        delete info;
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

SDL_bool NFILoader::searchForNFIEntry(NFIDirEntry &entry, NFIFile &entryFile, const char *name)
{
    std::string_view wanted(name);
    if (!nameIndex->incomplete) {
        auto found = nameIndex->entries.find(wanted);
        if (found == nameIndex->entries.end())
            return SDL_FALSE;
        entry = found->second.archive->directory[found->second.entry];
        entryFile = *found->second.archive;
        return SDL_TRUE;
    }
    for (NFIFile *archive = NFIList; archive; archive = archive->next) {
        for (Uint32 i = 0; i < archive->dirHeader.dirSize; ++i) {
            if (entryName(archive->directory[i]) == wanted) {
                entry = archive->directory[i];
                entryFile = *archive;
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
    NFIDirEntry entry;
    NFIFile archive;
    if (searchForNFIEntry(entry, archive, filename) == SDL_FALSE)
        return -1;

    InternalHandle &slot = handleList[handle];
    slot.realFile = archive.fileHandle;
    slot.isPacked = SDL_TRUE;
    slot.startPos = entry.offset;
    slot.length = entry.length;
    slot.position = 0;
    handleFlags->setBit(handle);
    return handle;
}

NFIHandle NFILoader::openFileLocally(const char *filename)
{
    NFIHandle handle = handleFlags->findUnsetBit();
    if (handle == -1 || !rootPathEntry)
        return -1;

    size_t nameLength = std::strlen(filename);
    for (PathEntry *path = rootPathEntry; path; path = path->next) {
        // A combination that does not fit the 256-byte buffer is not looked up at all, so a cut name can
        // never open some other file.
        if (std::strlen(path->pathName) + nameLength > 255)
            continue;
        char fullName[256];
        zarvello::snprintf(255, fullName, "%s%s", path->pathName, filename);
        FILE *file = std::fopen(fullName, "rb");
        if (!file)
            continue;
        Sint32 size = isRegularFile(file) ? getFileSize(file) : -1;
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

SDL_bool NFILoader::readByteStream(NFIHandle handle, void *buffer, Uint32 bytesToRead)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return SDL_FALSE;
    if (static_cast<Uint64>(slot->position) + bytesToRead > slot->length)
        return SDL_FALSE;
    if (bytesToRead == 0)
        return SDL_TRUE;
    long streamPosition = static_cast<long>(static_cast<Uint64>(slot->startPos) + slot->position);
    if (slot->isPacked == SDL_TRUE && std::fseek(slot->realFile, streamPosition, SEEK_SET) != 0) {
        slot->position += bytesToRead;
        return SDL_FALSE;
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
            // What arrived stays in the buffer, terminated, and the position counts the failed byte too, as
            // for any other short read.
            buffer[stored] = '\0';
            ++slot->position;
            keepInStep(*slot);
            return SDL_FALSE;
        }
        buffer[stored++] = static_cast<char>(c);
        ++slot->position;
        if (c == '\n' || stored == bufSize - 1 || slot->position >= slot->length)
            break;
    }

    // A line cut right after a CR: the LF of its CR LF pair is taken along so that the next call does not
    // return an empty line. Any other byte stays where it is for the next call.
    if (buffer[stored - 1] == '\r' && slot->position < slot->length) {
        int c = std::fgetc(slot->realFile);
        if (c == '\n') {
            ++slot->position;
        } else if (c != EOF) {
            std::ungetc(c, slot->realFile);
        } else {
            buffer[stored] = '\0';
            ++slot->position;
            keepInStep(*slot);
            return SDL_FALSE;
        }
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
