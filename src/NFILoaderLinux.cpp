// The data loader's operating-system side: scanning a data path for ".nfi" archives, positioned reads of archive
// members, and the descriptors an archive may take.
// Depends on: the data loader, NFIArchive, Console, Utility; POSIX directory and read calls.
#include "NFILoader.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <unistd.h>

#include "Console.h"
#include "NFIArchive.h"
#include "Utility.h"

void NFILoader::scanNFIFilesFromPath(const char *path)
{
    DIR *directory = opendir(path);
    if (!directory) {
        Console::addString("Unable to scan directory '%s', skipping", path);
        return;
    }
    // Entries come in the listing's own order; archives met later end up earlier in the search order.
    int found = 0;
    size_t pathLength = std::strlen(path);
    while (struct dirent *entry = readdir(directory)) {
        const char *extension = std::strrchr(entry->d_name, '.');
        if (!extension || std::strcmp(extension, ".nfi") != 0)
            continue;
        ++found;
        // A path that does not fit 255 characters is refused whole instead of being cut into the name of
        // some other file.
        if (pathLength + 1 + std::strlen(entry->d_name) > 255) {
            Console::addString("Error adding Archive file '%s'", entry->d_name);
            continue;
        }
        char fullName[256];
        zarvello::snprintf(255, fullName, "%s%s%s", path, "/", entry->d_name);
        addNFIFile(fullName);
    }
    closedir(directory);
    if (found == 0)
        Console::addString("No Archive files found at path");
}

SDL_bool NFILoader::readAt(FILE *file, void *buffer, Uint32 size, Uint64 offset)
{
    char *destination = static_cast<char *>(buffer);
    while (size > 0) {
        ssize_t got = pread(fileno(file), destination, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return SDL_FALSE;
        destination += got;
        size -= static_cast<Uint32>(got);
        offset += static_cast<Uint64>(got);
    }
    return SDL_TRUE;
}

SDL_bool leavesDescriptorsFree(FILE *file)
{
    // A new descriptor is the lowest free one, so every lower one is taken and at most limit - fd - 1 are left.
    const Uint64 descriptor = static_cast<Uint64>(fileno(file));
    return descriptor + 1 + NFILoader::descriptorsKeptFree <= openFileLimit() ? SDL_TRUE : SDL_FALSE;
}
