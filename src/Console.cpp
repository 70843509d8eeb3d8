// Console: the in-memory line log with its echo on standard error and the log file "console.log" beside the
// executable. The log file is opened in append mode for each line and closed again, so every line is on disk
// when addString returns; only a regular file (or none yet) is written.
#include "Console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ConfigTable.h"
#include "PlayerData.h"
#include "Utility.h"

namespace {

Console *globalConsoleObject = nullptr;
char logFilename[256];
char internalBuffer[1025];

bool isOn(const SDL_bool &setting)
{
    return storedSetting(setting) == Uint32(SDL_TRUE);
}

// The log file beside the executable, or, for a game that named itself and runs where it cannot write
// (installed), in the player's state folder.
void nameLogFile()
{
    zarvello::snprintf(255, logFilename, "%s%s%s", executablePath(nullptr), "/", "console.log");
    if (const char *stateLog = playerLogFile())
        zarvello::snprintf(255, logFilename, "%s", stateLog);
}

// A log file name that is a FIFO, terminal or device takes no line, like one that cannot be opened; nothing
// waits on it.
void logConsoleString(const char *str)
{
    // Lines logged before start-up found the run directory have no log file yet: they reach standard error (and
    // the held lines) only. The name is taken from the first line after.
    if (!logFilename[0]) {
        if (runDirectoryKnown() == SDL_FALSE)
            return;
        nameLogFile();
    }
    FILE *file = openRegularFile(logFilename, "a");
    if (!file)
        return;
    std::fprintf(file, "%s\n", str);
    std::fclose(file);
}

}  // namespace

Console::Console() : contents(), contentSize(0)
{
    logFilename[0] = '\0';
    if (runDirectoryKnown() == SDL_TRUE)
        nameLogFile();
}

Console::~Console()
{
    emptyStringBuffer();
}

Console *Console::globalConsole()
{
    if (!globalConsoleObject)
        globalConsoleObject = new Console();
    return globalConsoleObject;
}

void Console::addString(const char *format, ...)
{
    Console *console = globalConsole();
    va_list args;
    va_start(args, format);
    if (std::vsnprintf(internalBuffer, sizeof internalBuffer, format, args) < 0)
        internalBuffer[0] = '\0';
    va_end(args);

    char *piece = internalBuffer;
    while (*piece) {
        char *newline = std::strchr(piece, '\n');
        if (newline)
            *newline = '\0';
        console->addStringHelper(piece);
        if (!newline)
            break;
        piece = newline + 1;
        if (!*piece) {
            console->addStringHelper("");
            break;
        }
    }
}

void Console::addStringHelper(const char *string)
{
    if (isOn(displayConsole))
        std::fprintf(stderr, "%s\n", string);
    if (isOn(logConsole))
        logConsoleString(string);

    if (contentSize == maxLines) {
        for (int i = 0; i < linesDropped; ++i)
            delete[] contents[i];
        std::memmove(contents, contents + linesDropped, (maxLines - linesDropped) * sizeof contents[0]);
        contentSize -= linesDropped;
    }
    std::size_t length = std::strlen(string);
    char *copy = new char[length + 1];
    std::memcpy(copy, string, length + 1);
    contents[contentSize++] = copy;
}

void Console::emptyStringBuffer()
{
    for (int i = 0; i < contentSize; ++i) {
        delete[] contents[i];
        contents[i] = nullptr;
    }
    contentSize = 0;
}

const char *Console::getLineForIndex(int index)
{
    if (index < 0 || index >= contentSize)
        return "Index out of bounds";
    return contents[index];
}

void Console::clearBuffer()
{
    globalConsole()->emptyStringBuffer();
}

Sint32 Console::totalLines()
{
    return globalConsole()->getTotalLines();
}

const char *Console::lineAtIndex(Sint32 index)
{
    return globalConsole()->getLineForIndex(index);
}

void Console::destroyConsole()
{
    delete globalConsoleObject;
    globalConsoleObject = nullptr;
}
