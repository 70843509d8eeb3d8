// ToolVersion: the "--version" answer every data tool gives, from the engine's version header.
// Depends on: Version (generated).
#ifndef ZARVELLO_TOOLVERSION_H
#define ZARVELLO_TOOLVERSION_H

#include <cstdio>
#include <cstring>

#include "Version.h"

// Prints "<tool> (Zarvello) <version>" and returns true when the only argument is "--version".
inline bool answersVersion(int argc, char **argv, const char *tool)
{
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0)
        return false;
    std::printf("%s (Zarvello) %s\n", tool, ZARVELLO_VERSION_STRING);
    return true;
}

#endif
