// Locating the executable on Linux: argv[0] as given when it holds a "/", otherwise the first executable
// regular file of that name along "PATH" (an empty element is the current directory, "~" is "HOME"), then
// resolved with realpath and cut to its directory.
#include "Utility.h"

#include <climits>
#include <cstdlib>
#include <cstring>
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
    runPathKnown = true;

    char candidate[256];
    char resolved[PATH_MAX];
    bool usable = argv0 && std::strlen(argv0) < sizeof candidate;
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
