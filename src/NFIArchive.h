// NFIArchive: the reader of ".nfi" archives and the index of their members by data name, below the data loader
// (NFILoader.cpp), which keeps the accepted archives, the data paths and the handles.
// Archive layout (numbers are little-endian Uint32): file header "NFI\0", version byte 1, reserved, dirOffs (13
// bytes); at dirOffs dirSize, reserved (8 bytes); then dirSize entries of name[260], offset, length, reserved[8].
// Depends on: NFILoader (the archive records), NFIFormat, OpenTable, Memory, Utility.
#ifndef ZARVELLO_NFIARCHIVE_H
#define ZARVELLO_NFIARCHIVE_H

#include <cstddef>
#include <cstdio>

#include <SDL_types.h>

#include "NFILoader.h"
#include "OpenTable.h"

// Reads the archive at fullName (header and directory) into a record named bareName whose stream stays open.
// Null when the file is not a regular file that opens, is no archive of version 1 or its directory does not fit
// in it; errno is then EMFILE when keeping it open would leave too few descriptors for the program's other files.
NFIFile *readNFIArchive(const char *fullName, const char *bareName);

// Closes an archive's stream and frees its record and directory.
void freeNFIArchive(NFIFile *archive);

// Length of a stream's file in bytes, the position left where it was; -1 when it is not known or 2 GiB or more.
Sint32 getFileSize(FILE *file);

// Whether an archive opened as file still leaves NFILoader::descriptorsKeptFree descriptors for everything else.
SDL_bool leavesDescriptorsFree(FILE *file);

// Data name -> the member a walk over the archives (newest first, each in directory order) finds first, without
// the walk. Each name is a directory entry of an archive that must stay loaded for as long as the index lives.
class NFINameIndex {
public:
    NFINameIndex();

    // Files the members of archive, the newest so far. When memory runs out the index is given up, whole, and
    // every later lookup walks the archives instead.
    void addArchive(NFIFile &archive);

    // Points entry and entryFile at the member's directory entry and archive record (nothing is copied); archives
    // is the list of loaded archives, newest first. SDL_FALSE when no archive holds the name.
    SDL_bool find(NFIFile *archives, const char *name, const NFIDirEntry *&entry, NFIFile *&entryFile) const;

private:
    // The name's hash beside where its entry lies, so that a lookup reads the table and then only the directory
    // entries whose hash matches, normally just the one it returns.
    struct Slot {
        NFIFile *archive;  // null: the slot is free
        Uint32 entry;
        Uint32 hash;

        // 2^27 slots of 16 bytes is past what the tracked allocator hands out in one block.
        static const size_t maxSlots = size_t(1) << 27;

        bool taken() const { return archive != nullptr; }
    };

    OpenTable<Slot> table;
    const Uint32 keptBits;
    // Set when memory ran out while indexing; lookups then walk the archives instead.
    bool incomplete;
};

#endif
