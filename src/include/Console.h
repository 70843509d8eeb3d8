/// @file
/// A game uses it to log its own lines beside the engine's and to read the log back.
/// Console: the engine's one log. Lines are held in memory (16383 at most; the oldest 4095 are dropped at once
/// when it fills), echoed to standard error while displayConsole is on and appended to "console.log" beside
/// the executable while logConsole is on. Lines logged before start-up has found the run directory (a game's
/// lines before runEngine) are held and echoed but reach no log file, and they do not decide where the run
/// directory is.
/// Depends on: Utility (run directory, bounded formatter), ConfigTable (the two switches), PlayerData.
#ifndef ZARVELLO_CONSOLE_H
#define ZARVELLO_CONSOLE_H

#include <SDL_types.h>

/// The engine's one log, reached through static functions; it is created by the first call.
class Console {
public:
    /// Formats a text and appends it, one console line per "\n"-separated piece. Text past 1024 characters
    /// is cut.
    static void addString(const char *format, ...) __attribute__((format(printf, 1, 2)));

    /// Frees every held line; the log file is left as it is.
    static void clearBuffer();

    /// The number of lines held in memory.
    static Sint32 totalLines();

    /// The held line at index, or "Index out of bounds" for an index outside 0 .. totalLines() - 1.
    static const char *lineAtIndex(Sint32 index);

    /// Destroys the console; a later call would start a new, empty one.
    static void destroyConsole();

    /// The most lines held in memory at once.
    static const int maxLines = 16383;
    /// How many of the oldest lines are dropped at once when the console is full.
    static const int linesDropped = 4095;

private:
    Console();
    ~Console();
    static Console *globalConsole();
    void addStringHelper(const char *string);
    void emptyStringBuffer();
    const char *getLineForIndex(int index);
    Sint32 getTotalLines() const { return contentSize; }

    char *contents[maxLines];
    Sint32 contentSize;
};

#endif
