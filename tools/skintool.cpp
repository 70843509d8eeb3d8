// skintool: makes skin files from a text description, prints a skin file back as that description, and tells
// whether the engine would load a skin from the data of a run directory.
//
// A description has one line per part, ten lines in the file's order, '#' starting a comment:
//     KIND  FILE  MAIN  SHADOW  TRANSPARENT  VERTICAL
// KIND is tile, bevel, button, font or a number; FILE the name below /gfx/skins/ (images) or /gfx/fonts/
// (fonts), in double quotes when it holds blanks, '#', '"' or '\' (escapes \" \\ \xNN); MAIN and SHADOW are
// the font colours as six hexadecimal digits (rrggbb) or as R,G,B; TRANSPARENT and VERTICAL are the flags as
// numbers. Every output appears only when complete; a description or skin file larger than 1 MiB is refused.
// Depends on: SkinFormat, the engine's skin loader (and through it its data loader, video and caches), the tools'
// common library.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "FontManager.h"
#include "ImageManager.h"
#include "NFILoader.h"
#include "SkinLoader.h"
#include "Utility.h"
#include "CommandLine.h"
#include "SkinFormat.h"
#include "ToolFiles.h"
#include "ToolText.h"
#include "Video.h"

namespace {

using tool::printable;

// Descriptions are ten lines and skin files 2,740 bytes: anything near this is not one.
const std::uint64_t readLimit = 1 << 20;

const char *const usageText =
    "Usage: skintool make DESCRIPTION OUT.skin   write the skin file a text description describes\n"
    "       skintool dump FILE.skin              print a skin file as the description that makes it\n"
    "       skintool check SKINNAME              in a run directory: would the engine load this skin?\n"
    "       skintool --help                      show this text\n"
    "       skintool --version                   show the version\n"
    "\n"
    "A description holds ten lines, one per part in the file's order; '#' starts a comment:\n"
    "    KIND  FILE  MAIN  SHADOW  TRANSPARENT  VERTICAL\n"
    "KIND is tile, bevel, button, font (or a number); FILE the image below /gfx/skins/ or the font below\n"
    "/gfx/fonts/, in double quotes when it holds blanks, '#', '\"' or '\\'; MAIN and SHADOW the two font\n"
    "colours as rrggbb or R,G,B; TRANSPARENT (magenta is see-through) and VERTICAL (button cells stacked) numbers.\n"
    "The parts, in order:\n"
    "    tile    enabled caption background      tile    disabled caption background\n"
    "    button  enabled caption button          button  disabled caption button\n"
    "    bevel   enabled caption bevels          bevel   disabled caption bevels\n"
    "    font    enabled caption font            font    disabled caption font\n"
    "    tile    dialog background               bevel   dialog bevels\n"
    "\n"
    "check looks for /gfx/skins/SKINNAME.skin in ./data (loose files and .nfi archives), as the program run\n"
    "from this directory would, and loads every part. Exit code 0 when it would load, 1 otherwise.\n";

// One part as the file stores it.
struct PartRecord {
    Sint32 type;
    std::string filename;
    unsigned char rgb[6];
    Uint32 transparent;
    Uint32 vertical;
};

const char *kindWord(Sint32 type)
{
    switch (type) {
    case SKINPART_TILE: return "tile";
    case SKINPART_BEVEL: return "bevel";
    case SKINPART_BUTTON: return "button";
    case SKINPART_FONT: return "font";
    }
    return nullptr;
}

void putUint32(std::string &out, Uint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

Uint32 getUint32(const unsigned char *bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<Uint32>(bytes[3]) << 24);
}

std::string encodeRecord(const PartRecord &part)
{
    std::string out;
    putUint32(out, static_cast<Uint32>(part.type));
    std::string name = part.filename;
    name.resize(skinFormat::nameFieldSize, '\0');
    out += name;
    out.append(reinterpret_cast<const char *>(part.rgb), 6);
    putUint32(out, part.transparent);
    putUint32(out, part.vertical);
    return out;
}

// --- The description's words ---------------------------------------------------------------------------------

struct LineError {
    std::string message;
};

// Splits a line into words; a quoted word keeps its blanks; '#' outside quotes at a word's start ends the line.
std::vector<std::string> splitWords(const std::string &line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        std::string word;
        if (c == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    word.push_back(d);
                    continue;
                }
                if (i >= line.size())
                    throw LineError{"a '\\' ends the line inside quotes"};
                char e = line[i++];
                if (e == '"' || e == '\\') {
                    word.push_back(e);
                } else if (e == 'x' && i + 1 < line.size() && tool::hexDigit(line[i]) >= 0 &&
                           tool::hexDigit(line[i + 1]) >= 0) {
                    word.push_back(static_cast<char>(tool::hexDigit(line[i]) * 16 + tool::hexDigit(line[i + 1])));
                    i += 2;
                } else {
                    throw LineError{std::string("unknown escape '\\") + e + "' (use \\\", \\\\ or \\xNN)"};
                }
            }
            if (!closed)
                throw LineError{"a quoted file name is not closed"};
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                throw LineError{"a quoted file name must be followed by a blank"};
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                word.push_back(line[i++]);
        }
        words.push_back(word);
    }
    return words;
}

// A whole decimal number within [low, high].
long long numberWord(const std::string &word, long long low, long long high, const char *what)
{
    long long value;
    if (!tool::parseNumber(word, low, high, value))
        throw LineError{std::string(what) + " '" + word + "' is not a number from " + std::to_string(low) + " to " +
                        std::to_string(high)};
    return value;
}

void colourWord(const std::string &word, unsigned char *rgb, const char *what)
{
    if (!tool::parseColour(word, rgb))
        throw LineError{std::string(what) + " '" + word + "' is not six hexadecimal digits (rrggbb) nor R,G,B with "
                        "numbers from 0 to 255"};
}

PartRecord parsePart(const std::vector<std::string> &words, int slot)
{
    if (words.size() != 6)
        throw LineError{"expected six words (kind, file, main colour, shadow colour, transparent, vertical), found " +
                        std::to_string(words.size())};
    PartRecord part;
    const std::string &kind = words[0];
    if (kind == "tile")
        part.type = SKINPART_TILE;
    else if (kind == "bevel")
        part.type = SKINPART_BEVEL;
    else if (kind == "button")
        part.type = SKINPART_BUTTON;
    else if (kind == "font")
        part.type = SKINPART_FONT;
    else
        part.type = static_cast<Sint32>(numberWord(kind, INT32_MIN, INT32_MAX, "kind"));
    if (kindWord(part.type) && part.type != skinSlotType(slot))
        throw LineError{std::string("the ") + skinSlotLabel(slot) + " must be a " + kindWord(skinSlotType(slot)) +
                        " part, not a " + kindWord(part.type) + " part"};
    part.filename = words[1];
    if (part.filename.size() > 255)
        throw LineError{"the file name is longer than 255 characters"};
    if (part.filename.find('\0') != std::string::npos)
        throw LineError{"the file name holds a zero byte"};
    colourWord(words[2], part.rgb, "main colour");
    colourWord(words[3], part.rgb + 3, "shadow colour");
    part.transparent = static_cast<Uint32>(numberWord(words[4], INT32_MIN, UINT32_MAX, "transparent"));
    part.vertical = static_cast<Uint32>(numberWord(words[5], INT32_MIN, UINT32_MAX, "vertical"));
    return part;
}

// Only a regular file of at most readLimit bytes is read: a FIFO or terminal never holds the tool up, and a huge
// file is not taken into memory.
bool readInput(const char *path, std::string &bytes)
{
    std::string reason;
    if (tool::readWholeFile(path, readLimit, bytes, reason) == tool::ReadFailure::None)
        return true;
    std::fprintf(stderr, "skintool: cannot read '%s': %s\n", printable(path).c_str(), reason.c_str());
    return false;
}

int makeSkin(const char *descriptionPath, const char *outPath)
{
    std::string text;
    if (!readInput(descriptionPath, text))
        return 1;
    std::string out;
    int slot = 0;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        try {
            std::vector<std::string> words = splitWords(line);
            if (words.empty())
                continue;
            if (slot == SKINSLOT_COUNT)
                throw LineError{"a skin has ten parts; this is an eleventh"};
            out += encodeRecord(parsePart(words, slot));
            ++slot;
        } catch (const LineError &error) {
            std::fprintf(stderr, "skintool: %s:%d: %s\n", printable(descriptionPath).c_str(), lineNumber,
                     printable(error.message).c_str());
            return 1;
        }
    }
    if (slot != SKINSLOT_COUNT) {
        std::fprintf(stderr, "skintool: %s: a skin has ten parts; the description has %d (the %s is missing)\n",
                     descriptionPath, slot, skinSlotLabel(slot));
        return 1;
    }
    tool::OutputFile file;
    if (!file.open(outPath)) {
        std::fprintf(stderr, "skintool: cannot write '%s': %s\n", printable(outPath).c_str(), file.reason().c_str());
        return 1;
    }
    if (!file.write(out.data(), out.size()) || !file.commit()) {
        std::fprintf(stderr, "skintool: cannot write '%s': %s\n", printable(outPath).c_str(), file.reason().c_str());
        return 1;
    }
    return 0;
}

std::string quoteName(const std::string &name)
{
    bool plain = !name.empty();
    for (unsigned char c : name)
        if (c <= ' ' || c >= 0x7f || c == '"' || c == '\\' || c == '#')
            plain = false;
    if (plain)
        return name;
    std::string out = "\"";
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < ' ' || c >= 0x7f) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out + "\"";
}

int dumpSkin(const char *path)
{
    std::string bytes;
    if (!readInput(path, bytes))
        return 1;
    if (bytes.size() < skinFileSize) {
        std::fprintf(stderr, "skintool: '%s' is %zu bytes long; a skin file holds ten records of %u bytes (%u)\n",
                     printable(path).c_str(), bytes.size(), skinPartRecordSize, skinFileSize);
        return 1;
    }
    std::printf("# kind  file  main  shadow  transparent  vertical\n");
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot) {
        const unsigned char *record = reinterpret_cast<const unsigned char *>(bytes.data()) + slot * skinPartRecordSize;
        Sint32 type = static_cast<Sint32>(getUint32(record + skinFormat::typeOffset));
        const char *name = reinterpret_cast<const char *>(record + skinFormat::nameOffset);
        std::string filename(name, strnlen(name, skinFormat::nameFieldSize));
        const unsigned char *rgb = record + skinFormat::rgbOffset;
        std::string kind = kindWord(type) ? kindWord(type) : std::to_string(type);
        std::printf("%-7s %-40s %02x%02x%02x %02x%02x%02x %u %u  # %s\n", kind.c_str(), quoteName(filename).c_str(),
                    rgb[0], rgb[1], rgb[2], rgb[3], rgb[4], rgb[5], getUint32(record + skinFormat::transparentOffset),
                    getUint32(record + skinFormat::verticalOffset),
                    skinSlotLabel(slot));
    }
    if (bytes.size() > skinFileSize)
        std::printf("# %zu bytes after the ten parts are not part of the skin\n", bytes.size() - skinFileSize);
    return 0;
}

// Loads the skin as start-up would, from ./data, on SDL's dummy video driver unless another is chosen.
int checkSkin(const char *name)
{
    displayConsole = SDL_FALSE;
    logConsole = SDL_FALSE;
    setenv("SDL_VIDEODRIVER", "dummy", 0);

    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
        std::fprintf(stderr, "skintool: cannot tell the current directory: %s\n", std::strerror(errno));
        return 1;
    }
    std::string dataPath = std::string(cwd) + "/data";
    NFILoader::globalLoader()->addDataPath(dataPath.c_str());

    int status = 1;
    if (SDL_Init(SDL_INIT_TIMER) < 0 || initializeVideo() != SDL_TRUE) {
        std::fprintf(stderr, "skintool: cannot open a display to load images on: %s\n", SDL_GetError());
    } else {
        ImageManager::globalManager();
        FontManager::globalManager();
        Sint32 firstLine = Console::totalLines();
        EngineSkin *skin = loadSkin(name);
        if (skin) {
            std::printf("skin '%s' loads: /gfx/skins/%s.skin and the ten parts it names, from %s\n",
                        printable(name).c_str(), printable(name).c_str(), printable(dataPath).c_str());
            delete skin;
            status = 0;
        } else {
            std::printf("skin '%s' would not load from %s:\n", printable(name).c_str(), printable(dataPath).c_str());
            for (Sint32 line = firstLine; line < Console::totalLines(); ++line)
                std::printf("%s\n", printable(Console::lineAtIndex(line)).c_str());
        }
        ImageManager::destroyImageManager();
        FontManager::destroyFontManager();
    }
    shutdownVideo();
    SDL_Quit();
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    return status;
}

// The command's one or two operands, or the usage error's exit status.
int readOperands(const std::vector<std::string> &args, std::size_t wanted, const char *form,
                 tool::Arguments &arguments)
{
    const std::string problem = tool::readCommandLine(args, {}, tool::OptionStyle::Dash, "", wanted, form, arguments);
    return problem.empty() ? -1 : tool::usageError(problem);
}

int makeCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readOperands(args, 2, "make takes DESCRIPTION OUT.skin", arguments);
    return wrong >= 0 ? wrong : makeSkin(arguments.operands[0].c_str(), arguments.operands[1].c_str());
}

int dumpCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readOperands(args, 1, "dump takes FILE.skin", arguments);
    return wrong >= 0 ? wrong : dumpSkin(arguments.operands[0].c_str());
}

int checkCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readOperands(args, 1, "check takes SKINNAME", arguments);
    return wrong >= 0 ? wrong : checkSkin(arguments.operands[0].c_str());
}

}  // namespace

int main(int argc, char **argv)
{
    const tool::Tool skintool{"skintool", usageText, usageText,
                              {{"make", makeCommand}, {"dump", dumpCommand}, {"check", checkCommand}}};
    return tool::runTool(skintool, argc, argv);
}
