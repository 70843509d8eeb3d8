// Player data: the game's name, the player's three folders by the XDG base directory rules (an absolute
// $XDG_CONFIG_HOME, $XDG_DATA_HOME or $XDG_STATE_HOME, otherwise ~/.config, ~/.local/share, ~/.local/state, each
// followed by the game's name), and files replaced whole in them, owner-only (FileReplace: a crash at any moment
// leaves the old content or the new one). Nothing here follows a link when it writes: the game's folder must be a
// real folder of the player's.
// Depends on: Console, FileReplace, ReplaySession, Utility (the run directory, opening regular files); POSIX file
// calls.
#include "PlayerData.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Console.h"
#include "FileReplace.h"
#include "ReplaySession.h"
#include "Utility.h"

namespace {

const std::size_t maxGameName = 64;
const std::size_t maxFileName = 255;

char nameOfGame[maxGameName + 1] = "";
char folderPaths[3][4096];
char reasonText[4400];
char logPath[256];

const char *const folderVariables[3] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"};
const char *const folderDefaults[3] = {"/.config", "/.local/share", "/.local/state"};

bool isPlainName(const char *name, std::size_t maxLength)
{
    if (!name)
        return false;
    std::size_t length = std::strlen(name);
    if (length == 0 || length > maxLength || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    for (const char *c = name; *c; ++c)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7f || *c == '/')
            return false;
    return true;
}

bool validKind(PlayerFolderKind kind)
{
    return kind == PLAYER_CONFIG || kind == PLAYER_DATA || kind == PLAYER_STATE;
}

// The folder's path into folderPaths[kind]; null with reasonText filled when it cannot be known.
const char *folderPath(PlayerFolderKind kind)
{
    if (!nameOfGame[0]) {
        std::snprintf(reasonText, sizeof reasonText, "the game has no name (setGameName)");
        return nullptr;
    }
    char *path = folderPaths[kind];
    const std::size_t capacity = sizeof folderPaths[kind];
    // A relative value is ignored, as the base directory rules say; so is an empty one.
    const char *base = std::getenv(folderVariables[kind]);
    int length;
    if (base && base[0] == '/') {
        length = std::snprintf(path, capacity, "%s/%s", base, nameOfGame);
    } else {
        const char *home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            std::snprintf(reasonText, sizeof reasonText, "neither %s nor HOME is an absolute path",
                          folderVariables[kind]);
            return nullptr;
        }
        length = std::snprintf(path, capacity, "%s%s/%s", home, folderDefaults[kind], nameOfGame);
    }
    if (length < 0 || static_cast<std::size_t>(length) >= capacity) {
        std::snprintf(reasonText, sizeof reasonText, "the folder's path is too long");
        return nullptr;
    }
    return path;
}

// The folder, made when missing: each missing folder on the way owner-only, as the base directory rules ask, and
// an existing one left as it is. The game's own folder must be a folder (not a link) of the player's.
const char *makeFolder(PlayerFolderKind kind)
{
    char *path = const_cast<char *>(folderPath(kind));
    if (!path)
        return nullptr;
    for (char *slash = std::strchr(path + 1, '/');; slash = std::strchr(slash + 1, '/')) {
        if (slash)
            *slash = '\0';
        int made = mkdir(path, 0700);
        int error = errno;
        if (slash)
            *slash = '/';
        if (made != 0 && error != EEXIST) {
            std::snprintf(reasonText, sizeof reasonText, "cannot make the folder '%s': %s", path,
                          std::strerror(error));
            return nullptr;
        }
        if (!slash)
            break;
    }
    struct stat status;
    if (lstat(path, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != geteuid()) {
        std::snprintf(reasonText, sizeof reasonText, "'%s' is not a folder of the player's own", path);
        return nullptr;
    }
    return path;
}

}  // namespace

SDL_bool setGameName(const char *name)
{
    if (!isPlainName(name, maxGameName)) {
        Console::addString("ERROR: setGameName ('%.255s'): not a plain folder name (1 to %u bytes, no '/', no "
                           "control character, not '.' or '..')",
                           name ? name : "", unsigned(maxGameName));
        return SDL_FALSE;
    }
    std::snprintf(nameOfGame, sizeof nameOfGame, "%s", name);
    return SDL_TRUE;
}

const char *gameName()
{
    return nameOfGame;
}

const char *playerFolderPath(PlayerFolderKind kind)
{
    return validKind(kind) ? folderPath(kind) : nullptr;
}

const char *playerFolder(PlayerFolderKind kind)
{
    if (!validKind(kind)) {
        Console::addString("ERROR: playerFolder (%d): no such folder", int(kind));
        return nullptr;
    }
    const char *path = makeFolder(kind);
    if (!path)
        Console::addString("playerFolder ('%s'): %s", nameOfGame, reasonText);
    return path;
}

SDL_bool writePlayerFile(PlayerFolderKind kind, const char *name, const void *bytes, Uint32 size,
                         const char *function)
{
    if (!isPlainName(name, maxFileName)) {
        Console::addString("ERROR: %s ('%.255s'): not a plain file name (1 to 255 bytes, no '/', no control "
                           "character, not '.' or '..')",
                           function, name ? name : "");
        return SDL_FALSE;
    }
    if ((!bytes && size > 0) || !validKind(kind)) {
        Console::addString("ERROR: %s ('%s'): no bytes to write", function, name);
        return SDL_FALSE;
    }
    if (!nameOfGame[0]) {
        Console::addString("ERROR: %s ('%s'): the game has no name (setGameName)", function, name);
        return SDL_FALSE;
    }
    // A replayed session leaves the player's files as they were.
    if (!sessionWritesPlayerFiles())
        return SDL_TRUE;
    const char *path = makeFolder(kind);
    if (!path) {
        Console::addString("%s ('%s'): %s", function, name, reasonText);
        return SDL_FALSE;
    }
    int folder = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0 || !replaceFile(folder, name, bytes, size, 0600)) {
        int error = errno;
        if (folder >= 0)
            close(folder);
        Console::addString("%s ('%s'): %s", function, name, std::strerror(error));
        return SDL_FALSE;
    }
    close(folder);
    return SDL_TRUE;
}

namespace {

// Reads the player's data file name (the arguments are checked).
Sint32 readPlayerFile(const char *name, void *buffer, Uint32 capacity);

}  // namespace

SDL_bool savePlayerFile(const char *name, const void *bytes, Uint32 size)
{
    return writePlayerFile(PLAYER_DATA, name, bytes, size, "savePlayerFile");
}

Sint32 loadPlayerFile(const char *name, void *buffer, Uint32 capacity)
{
    if (!isPlainName(name, maxFileName)) {
        Console::addString("ERROR: loadPlayerFile ('%.255s'): not a plain file name (1 to 255 bytes, no '/', no "
                           "control character, not '.' or '..')",
                           name ? name : "");
        return -1;
    }
    if (!buffer && capacity > 0) {
        Console::addString("ERROR: loadPlayerFile ('%s'): no buffer", name);
        return -1;
    }
    if (!nameOfGame[0]) {
        Console::addString("ERROR: loadPlayerFile ('%s'): the game has no name (setGameName)", name);
        return -1;
    }
    bool replayed = false;
    Sint32 recorded = sessionPlayerFile(name, buffer, capacity, &replayed);
    if (replayed)
        return recorded;
    Sint32 result = readPlayerFile(name, buffer, capacity);
    sessionPlayerFileRead(name, buffer, result);
    return result;
}

namespace {

Sint32 readPlayerFile(const char *name, void *buffer, Uint32 capacity)
{
    const char *folder = folderPath(PLAYER_DATA);
    if (!folder) {
        Console::addString("loadPlayerFile ('%s'): %s", name, reasonText);
        return -1;
    }
    char path[4400];
    std::snprintf(path, sizeof path, "%s/%s", folder, name);
    std::FILE *file = openRegularFile(path, "rb");
    if (!file) {
        if (errno != ENOENT && errno != ENOTDIR)
            Console::addString("loadPlayerFile ('%s'): %s", name, openFailureReason(errno));
        return -1;
    }
    if (capacity > 0x7fffffffu)
        capacity = 0x7fffffffu;
    struct stat status;
    Sint32 result = -1;
    if (fstat(fileno(file), &status) != 0) {
        Console::addString("loadPlayerFile ('%s'): %s", name, std::strerror(errno));
    } else if (static_cast<Uint64>(status.st_size) > capacity) {
        Console::addString("loadPlayerFile ('%s'): %lld bytes do not fit in a buffer of %u", name,
                           static_cast<long long>(status.st_size), capacity);
    } else {
        std::size_t got = std::fread(buffer, 1, capacity, file);
        if (std::ferror(file))
            Console::addString("loadPlayerFile ('%s'): %s", name, std::strerror(errno));
        else
            result = Sint32(got);
    }
    std::fclose(file);
    return result;
}

}  // namespace

const char *playerLogFile()
{
    // Called while the console is being made: nothing here may log.
    if (!nameOfGame[0])
        return nullptr;
    const char *run = executablePath(nullptr);
    char runLog[4200];
    std::snprintf(runLog, sizeof runLog, "%s/console.log", run);
    if (access(run, W_OK) == 0 || access(runLog, W_OK) == 0)
        return nullptr;
    const char *folder = makeFolder(PLAYER_STATE);
    if (!folder)
        return nullptr;
    int length = std::snprintf(logPath, sizeof logPath, "%s/console.log", folder);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof logPath)
        return nullptr;
    struct stat status;
    if (lstat(logPath, &status) == 0 && !S_ISREG(status.st_mode))
        return nullptr;
    return logPath;
}
