// FontCommands: fonttool's three commands, each given the arguments after its name and returning the exit
// status (0 done, 1 failed, 2 a wrong command line), and the reading of their command lines.
// Depends on: the tools' CommandLine.
#ifndef ZARVELLO_TOOLS_FONTCOMMANDS_H
#define ZARVELLO_TOOLS_FONTCOMMANDS_H

#include <cstddef>
#include <string>
#include <vector>

#include "CommandLine.h"

// make: renders a font with FreeType into a font file.
int makeCommand(const std::vector<std::string> &args);
// info: prints what a font file holds and checks it.
int infoCommand(const std::vector<std::string> &args);
// preview: draws a text with the engine's font code into a TGA image.
int previewCommand(const std::vector<std::string> &args);

// Reads a command's operands and options (those beginning with "--", each taking a value, so that a text
// such as "-5 points" stays an operand); "" or what is wrong.
std::string readFontArguments(const std::vector<std::string> &args, const std::vector<std::string> &known,
                              std::size_t operandCount, const std::string &form, tool::Arguments &arguments);

#endif
