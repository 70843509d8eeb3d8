// FileReplace: see FileReplace.h. The temporary file's name keeps at most 200 bytes of the file's name, so that
// it stays within the 255 bytes of a name.
// Depends on: POSIX file calls.
#include "FileReplace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int tempNamePrefix = 200;
unsigned int tempCounter = 0;

// Whether entry is the temporary file ".<prefix>.<pid>.<n>.tmp" of name, and that writer's process id.
bool isTemporaryOf(const char *entry, const char *name, long *pid)
{
    const std::size_t prefix = std::strlen(name) < std::size_t(tempNamePrefix) ? std::strlen(name) : tempNamePrefix;
    if (entry[0] != '.' || std::strncmp(entry + 1, name, prefix) != 0 || entry[1 + prefix] != '.')
        return false;
    const char *digits = entry + prefix + 2;
    char *end = nullptr;
    errno = 0;
    *pid = std::strtol(digits, &end, 10);
    if (errno != 0 || end == digits || *end != '.' || *pid <= 0)
        return false;
    const char *counter = end + 1;
    std::strtoul(counter, &end, 10);
    return end != counter && std::strcmp(end, ".tmp") == 0;
}

// Removes the temporary files of name whose writer no longer runs (killed mid-save).
void removeLeftovers(int folder, const char *name)
{
    int listing = dup(folder);
    if (listing < 0)
        return;
    DIR *dir = fdopendir(listing);
    if (!dir) {
        close(listing);
        return;
    }
    rewinddir(dir);
    while (dirent *entry = readdir(dir)) {
        long pid = 0;
        if (isTemporaryOf(entry->d_name, name, &pid) && pid != long(getpid()) && kill(pid_t(pid), 0) != 0 &&
            errno == ESRCH)
            unlinkat(folder, entry->d_name, 0);
    }
    closedir(dir);
}

bool writeAll(int descriptor, const char *bytes, std::size_t size)
{
    while (size > 0) {
        ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

}  // namespace

bool replaceFile(int folder, const char *name, const void *bytes, std::size_t size, mode_t mode)
{
    removeLeftovers(folder, name);
    char temp[256];
    int descriptor = -1;
    for (int tries = 0; tries < 100 && descriptor < 0; ++tries) {
        std::snprintf(temp, sizeof temp, ".%.*s.%ld.%u.tmp", tempNamePrefix, name, long(getpid()), tempCounter++);
        descriptor = openat(folder, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (descriptor < 0 && errno != EEXIST)
            return false;
    }
    if (descriptor < 0)
        return false;
    bool written = writeAll(descriptor, static_cast<const char *>(bytes), size) && fsync(descriptor) == 0;
    int error = errno;
    if (close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && renameat(folder, temp, folder, name) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlinkat(folder, temp, 0);
        errno = error;
        return false;
    }
    // The rename is on the disk once the folder is; a file system that cannot flush a folder (EINVAL) keeps it
    // with the file.
    if (fsync(folder) != 0 && errno != EINVAL)
        return false;
    return true;
}


bool replaceFileAtPath(const char *path, const void *bytes, std::size_t size, mode_t mode)
{
    const char *slash = std::strrchr(path, '/');
    const std::string folderName = !slash ? "." : slash == path ? "/" : std::string(path, slash);
    const char *name = slash ? slash + 1 : path;
    int folder = open(folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    bool replaced = replaceFile(folder, name, bytes, size, mode);
    int error = errno;
    close(folder);
    errno = error;
    return replaced;
}
