// ToolFiles: whole-file reads with a limit and outputs that appear only when complete.
// Depends on: the engine's openRegularFile and openFailureReason (Utility), POSIX.
#include "ToolFiles.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Utility.h"

namespace tool {

std::string byteCount(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    const char *units[] = {"KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    std::uint64_t size = 1024;
    while (unit < 3 && bytes >= size * 1024) {
        size *= 1024;
        ++unit;
    }
    if (bytes % size == 0)
        return std::to_string(bytes / size) + " " + units[unit];
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / static_cast<double>(size), units[unit]);
    return text;
}

ReadFailure readWholeFile(const std::string &path, std::uint64_t limit, std::string &bytes, std::string &reason)
{
    std::FILE *file = openRegularFile(path.c_str(), "rb");
    if (!file) {
        reason = openFailureReason(errno);
        return ReadFailure::Open;
    }
    struct stat status;
    if (fstat(fileno(file), &status) == 0 && static_cast<std::uint64_t>(status.st_size) > limit) {
        reason = "it has " + byteCount(static_cast<std::uint64_t>(status.st_size)) + "; the limit is " +
                 byteCount(limit);
        std::fclose(file);
        return ReadFailure::TooLarge;
    }
    bytes.clear();
    char block[65536];
    std::size_t got;
    // A file that grows while it is read is held to the limit all the same.
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        if (bytes.size() + got > limit) {
            std::fclose(file);
            reason = "it has more than " + byteCount(limit) + ", the limit";
            return ReadFailure::TooLarge;
        }
        bytes.append(block, got);
    }
    const bool complete = !std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (!complete) {
        reason = std::strerror(error);
        return ReadFailure::Read;
    }
    return ReadFailure::None;
}

OutputFile::~OutputFile()
{
    abandon();
}

void OutputFile::abandon()
{
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (!temporary.empty()) {
        unlinkat(folder, temporary.c_str(), 0);
        temporary.clear();
    }
}

bool OutputFile::open(const std::string &path)
{
    return openIn(AT_FDCWD, path);
}

bool OutputFile::openIn(int in, const std::string &name)
{
    abandon();
    folder = in;
    target = name;
    // A FIFO, terminal, device or folder in the place is refused as opening it would be: it is no file to keep.
    struct stat status;
    if (fstatat(folder, name.c_str(), &status, 0) == 0 && !S_ISREG(status.st_mode)) {
        why = openFailureReason(EINVAL);
        return false;
    }
    // A name of its own: created exclusively, never through a link, readable by no one else until complete.
    static std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(getpid()));
    const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = name + ".";
        for (int i = 0; i < 6; ++i)
            temporary += letters[random() % (sizeof letters - 1)];
        descriptor = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        why = std::strerror(errno);
        temporary.clear();
        return false;
    }
    file = fdopen(descriptor, "wb");
    if (!file) {
        why = std::strerror(errno);
        ::close(descriptor);
        unlinkat(folder, temporary.c_str(), 0);
        temporary.clear();
        return false;
    }
    return true;
}

bool OutputFile::write(const void *data, std::size_t size)
{
    if (!file) {
        why = "the file is not open";
        return false;
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

bool OutputFile::commit()
{
    if (!file) {
        why = "the file is not open";
        return false;
    }
    if (std::fflush(file) != 0 || std::ferror(file) || fsync(fileno(file)) != 0) {
        why = std::strerror(errno ? errno : EIO);
        abandon();
        return false;
    }
    // The file gets the permissions the place had, or those a new file gets.
    struct stat status;
    mode_t mode;
    if (fstatat(folder, target.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode)) {
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fileno(file), mode);
    const int closed = std::fclose(file);
    file = nullptr;
    if (closed != 0) {
        why = std::strerror(errno);
        abandon();
        return false;
    }
    if (renameat(folder, temporary.c_str(), folder, target.c_str()) != 0) {
        why = std::strerror(errno);
        abandon();
        return false;
    }
    temporary.clear();
    return true;
}

}  // namespace tool
