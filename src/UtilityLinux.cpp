// The Linux side of the utilities. Locating the executable: argv[0] as given when it holds a "/", otherwise the
// first executable regular file of that name along "PATH" (an empty element is the current directory, "~" is
// "HOME"), then resolved with realpath and cut to its directory. Opening files: regular files only, with the
// descriptor's type checked before anything is read or written. The limit on open files.
// Depends on: Console; POSIX file, status and resource-limit calls.
#include "Utility.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Console.h"

namespace {

char runPath[256];
bool runPathKnown = false;

bool isExecutableFile(const char *candidate)
{
    struct stat sb;
    return access(candidate, X_OK) == 0 && stat(candidate, &sb) == 0 && S_ISREG(sb.st_mode);
}

// Fills candidate with the first match of argv0 along "PATH", or argv0 itself when none matches.
void searchPath(const char *argv0, char *candidate)
{
    const char *home = std::getenv("HOME");
    const char *path = std::getenv("PATH");
    static char copyOfPath[8192];
    zarvello::snprintf(8191, copyOfPath, "%s", "");
    if (path) {
        std::strncpy(copyOfPath, path, 8191);
        copyOfPath[8191] = '\0';
    }

    char *element = copyOfPath;
    for (;;) {
        char *colon = std::strchr(element, ':');
        if (colon)
            *colon = '\0';
        if (!*element)
            zarvello::snprintf(255, candidate, ".%c%s", '/', argv0);
        else if (element[0] == '~' && home)
            zarvello::snprintf(255, candidate, "%s%c%s%c%s", home, '/', element + 1, '/', argv0);
        else
            zarvello::snprintf(255, candidate, "%s%c%s", element, '/', argv0);
        if (isExecutableFile(candidate))
            return;
        if (!colon)
            break;
        element = colon + 1;
    }
    zarvello::snprintf(255, candidate, "%s", argv0);
}

}  // namespace

char *executablePath(const char *argv0)
{
    if (runPathKnown)
        return runPath;
    // Asked before start-up named the program (a game's console line before runEngine): the current directory
    // for now, and nothing is fixed, so that start-up still finds the run directory from argv[0].
    if (!argv0) {
        zarvello::snprintf(255, runPath, "%s", ".");
        return runPath;
    }
    runPathKnown = true;

    char candidate[256];
    char resolved[PATH_MAX];
    bool usable = std::strlen(argv0) < sizeof candidate;
    if (usable) {
        if (std::strchr(argv0, '/'))
            zarvello::snprintf(255, candidate, "%s", argv0);
        else
            searchPath(argv0, candidate);
        usable = realpath(candidate, resolved) && std::strlen(resolved) < sizeof runPath;
    }
    if (!usable) {
        zarvello::snprintf(255, runPath, "%s", ".");
        Console::addString("realpath failed, data directory is relative to current directory");
        return runPath;
    }
    zarvello::snprintf(255, runPath, "%s", resolved);
    *std::strrchr(runPath, '/') = '\0';
    return runPath;
}

SDL_bool runDirectoryKnown()
{
    return runPathKnown ? SDL_TRUE : SDL_FALSE;
}

std::FILE *openRegularFile(const char *path, const char *mode)
{
    int flags;
    if (std::strcmp(mode, "rb") == 0) {
        flags = O_RDONLY;
    } else if (std::strcmp(mode, "wb") == 0) {
        flags = O_WRONLY | O_CREAT | O_TRUNC;
    } else if (std::strcmp(mode, "a") == 0) {
        flags = O_WRONLY | O_CREAT | O_APPEND;
    } else {
        errno = EINVAL;
        return nullptr;
    }
    // Something already there that is no regular file is not even opened: opening a device can act by itself
    // (a serial line, a tape), and a FIFO or terminal opened for a read or write would wait for the other side.
    struct stat status;
    if (stat(path, &status) == 0 && !S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return nullptr;
    }
    // Without waiting, in case the name was replaced between the look and the open; the descriptor's own type
    // is what counts. Once it is known to be a regular file, its reads and writes may wait as usual.
    int descriptor = open(path, flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0)
        return nullptr;
    int statusFlags = fcntl(descriptor, F_GETFL);
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || statusFlags < 0 ||
        fcntl(descriptor, F_SETFL, statusFlags & ~O_NONBLOCK) != 0) {
        close(descriptor);
        errno = EINVAL;
        return nullptr;
    }
    std::FILE *stream = fdopen(descriptor, mode);
    if (!stream) {
        int error = errno;
        close(descriptor);
        errno = error;
    }
    return stream;
}

const char *openFailureReason(int error)
{
    return error == EINVAL ? "not a regular file" : std::strerror(error);
}

void raiseOpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

Uint64 openFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    return static_cast<Uint64>(limit.rlim_cur);
}
