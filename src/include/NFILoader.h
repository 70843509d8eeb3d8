/// @file
/// A game uses it to read its data files, loose or from archives.
/// NFILoader: the one way the engine reads data files. A data name ("/gfx/skins/default.skin") is looked up as a
/// loose file below each data path (the path added last first), then as a member of a loaded ".nfi" archive (the
/// archive added last first); the caller gets a handle 0..255 and seeks and reads through it, loose or packed alike.
/// Archive layout (numbers are little-endian Uint32): file header "NFI\0", version byte 1, reserved, dirOffs (13
/// bytes); at dirOffs dirSize, reserved (8 bytes); then dirSize entries of name[260], offset, length, reserved[8].
/// Depends on: Memory, Console, Utility, BitArray, NFIArchive (reading archives).
#ifndef ZARVELLO_NFILOADER_H
#define ZARVELLO_NFILOADER_H

#include <cstdio>

#include <SDL_types.h>

class BitArray;
class NFINameIndex;

/// An open data file: 0 to 255; -1 means no handle.
typedef Sint32 NFIHandle;

/// The 13-byte header at the start of an archive.
struct NFIFileHeader {
    char id[4];  ///< 'N', 'F', 'I', 0
    char version;  ///< 1
    Uint32 reserved;  ///< Not interpreted.
    Uint32 dirOffs;  ///< where the directory header starts, from the start of the file
};

/// The 8-byte header of an archive's directory, at dirOffs.
struct NFIDirHeader {
    Uint32 dirSize;  ///< number of directory entries
    Uint32 reserved;  ///< Not interpreted.
};

/// One 280-byte directory entry: a member's data name and where its bytes are.
struct NFIDirEntry {
    char name[260];  ///< the member's data name; a name filling all 260 bytes has no terminator
    Uint32 offset;  ///< of the member's first byte, from the start of the archive
    Uint32 length;  ///< in bytes
    char reserved[8];  ///< Not interpreted.
};

/// One loaded archive; its stream stays open and its directory in memory until the loader is deleted.
typedef struct TAGNFIFile {
    char name[256];  ///< the archive's path as it was added
    NFIFileHeader fileHeader;  ///< as read
    NFIDirHeader dirHeader;  ///< as read
    NFIDirEntry *directory;  ///< dirHeader.dirSize entries
    FILE *fileHandle;  ///< the archive's stream, shared by every open member
    struct TAGNFIFile *next;  ///< the archive searched after this one
} NFIFile;

/// One registered data path.
typedef struct PathEntryTAG {
    char *pathName;  ///< without a trailing "/"
    struct PathEntryTAG *next;  ///< the path searched after this one
} PathEntry;

/// One slot of the handle table; meaningful only while the handle is open.
struct InternalHandle {
    FILE *realFile;  ///< the loose file's own stream, or the shared stream of the member's archive
    SDL_bool isPacked;  ///< SDL_TRUE for an archive member
    Uint32 startPos;  ///< of the file's first byte within realFile
    Uint32 length;  ///< in bytes, taken when the file was opened
    Uint32 position;  ///< counted from startPos
};

/// The data loader: a singleton reached through globalLoader(); every data file is read through it.
class NFILoader {
public:
    /// The one loader, created on the first call. Deleting it closes every file and archive.
    static NFILoader *globalLoader();
    ~NFILoader();

    NFILoader(const NFILoader &) = delete;
    NFILoader &operator=(const NFILoader &) = delete;

    /// Registers a directory (a trailing "/" is removed) for loose files and loads every ".nfi" archive in it.
    void addDataPath(const char *path);

    /// Loads one archive and puts it first in the search order; SDL_FALSE (and a console line) when rejected.
    SDL_bool addNFIFile(const char *filename);

    /// The lowest free handle on the named data file; -1 when it is found nowhere or no handle is free.
    NFIHandle openFile(const char *filename);

    /// Releases a handle; a handle that is not open is ignored.
    void closeFile(NFIHandle handle);

    /// Whether openFile would succeed now.
    SDL_bool fileExists(const char *filename);

    /// Length of a data file in bytes; -1 when it cannot be opened.
    Sint32 fileSize(const char *filename);

    /// Length of an open file in bytes; -1 when the handle is not open.
    Sint32 fileSize(NFIHandle handle);

    /// Moves the read position; location is SEEK_SET, SEEK_CUR or SEEK_END. A position before the start fails
    /// and changes nothing; one past the end is accepted and reads from it fail.
    SDL_bool seek(NFIHandle handle, Sint32 position, Sint32 location);

    /// The read position of an open file, counted from its first byte (it may lie past the end after a seek);
    /// -1 when the handle is not open.
    Sint64 tell(NFIHandle handle);

    /// Reads exactly bytesToRead bytes; a request reaching past the end fails without reading anything.
    SDL_bool readByteStream(NFIHandle handle, void *buffer, Uint32 bytesToRead);
    /// Reads 1 byte; SDL_FALSE at the end of the file or on a bad handle.
    SDL_bool readByte(NFIHandle handle, void *buffer);
    /// The bytes as stored (little-endian), so a Uint16 / Uint32 destination receives the value.
    SDL_bool readINT2(NFIHandle handle, void *buffer);
    /// Reads 4 bytes as stored (little-endian); SDL_FALSE when fewer are left.
    SDL_bool readINT4(NFIHandle handle, void *buffer);

    /// Reads one line ending in LF into buffer (bufSize bytes, at least 2), without the line end; with
    /// keepNewline a CR LF end comes out as LF. A line longer than the buffer comes in pieces. The buffer is
    /// always terminated; SDL_FALSE at the end of the file or when a byte of the line cannot be read (the buffer
    /// then holds the bytes stored, and the position counts those and no more).
    SDL_bool readString(NFIHandle handle, char *buffer, Sint32 bufSize, SDL_bool keepNewline);

    /// The loaded archives, the one searched first at the head.
    NFIFile *loadedNFIList() { return NFIList; }
    /// The number of loaded archives.
    Uint32 loadedNFICount() { return NFICount; }
    /// The registered data paths, the one searched first at the head.
    PathEntry *dataPathList() { return rootPathEntry; }

    /// Descriptors no archive takes: every accepted archive keeps one for the whole run, and the program's other
    /// files (the display connection, the log file, the data files being read) need theirs after the archives.
    static const int descriptorsKeptFree = 16;

private:
    NFILoader();

    void scanNFIFilesFromPath(const char *path);
    NFIHandle openFileLocally(const char *filename);
    /// Reads exactly size bytes from offset of the stream's file, leaving the stream where it was.
    static SDL_bool readAt(FILE *file, void *buffer, Uint32 size, Uint64 offset);
    InternalHandle *openHandle(NFIHandle handle);

    NFIFile *NFIList;
    Uint32 NFICount;
    PathEntry *rootPathEntry;
    InternalHandle handleList[256];
    BitArray *handleFlags;
    NFINameIndex *nameIndex;  ///< data name -> the entry a search over NFIList would find first
};

#endif
