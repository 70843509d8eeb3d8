// Portable utilities: the bounded formatter (length first), strdup on tracked memory, the default data
// directory, the last component of a path and the rectangle overlap test.
#include "Utility.h"

#include <cstdio>
#include <cstring>

#include "Memory.h"

namespace zarvello {

void vsnprintf(int maxLen, char *buffer, const char *format, va_list args)
{
    if (maxLen < 0)
        return;
    char internalBuffer[1025];
    if (std::vsnprintf(internalBuffer, sizeof internalBuffer, format, args) < 0)
        internalBuffer[0] = '\0';
    std::strncpy(buffer, internalBuffer, static_cast<std::size_t>(maxLen));
    buffer[maxLen] = '\0';
}

void snprintf(int maxLen, char *buffer, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    zarvello::vsnprintf(maxLen, buffer, format, args);
    va_end(args);
}

char *strdup(const char *str)
{
    std::size_t length = std::strlen(str);
    if (length >= 0xFFFFFFFFu)
        return nullptr;
    char *copy = static_cast<char *>(mem_alloc(static_cast<unsigned int>(length + 1)));
    if (copy)
        std::memcpy(copy, str, length + 1);
    return copy;
}

}  // namespace zarvello

char *defaultDataPath(const char *argv0)
{
    static char tempPath[256];
    if (!tempPath[0]) {
        zarvello::snprintf(255, tempPath, "%s%s", executablePath(argv0), "/data");
        // Before the run directory is known the answer is provisional and is not kept.
        if (runDirectoryKnown() == SDL_FALSE) {
            static char provisional[256];
            zarvello::snprintf(255, provisional, "%s", tempPath);
            tempPath[0] = '\0';
            return provisional;
        }
    }
    return tempPath;
}

char *fileComponentOfPath(char *path)
{
    char *slash = std::strrchr(path, '/');
    if (slash && slash[1])
        return slash + 1;
    return path;
}

const char *fileComponentOfPath(const char *path)
{
    return fileComponentOfPath(const_cast<char *>(path));
}

SDL_bool rectsOverlap(const SDL_Rect *rect1, const SDL_Rect *rect2)
{
    Sint32 x1 = rect1->x, y1 = rect1->y, w1 = rect1->w, h1 = rect1->h;
    Sint32 x2 = rect2->x, y2 = rect2->y, w2 = rect2->w, h2 = rect2->h;
    if (x1 + w1 - 1 >= x2 && x2 + w2 - 1 >= x1 && y1 + h1 - 1 >= y2 && y2 + h2 - 1 >= y1)
        return SDL_TRUE;
    return SDL_FALSE;
}
