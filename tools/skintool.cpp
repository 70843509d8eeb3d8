// skintool: makes skin files from a text description, prints a skin file back as that description, and tells
// whether the engine would load a skin from the data of a run directory.
//
// A description has one line per part, ten lines in the file's order, '#' starting a comment:
//     KIND  FILE  MAIN  SHADOW  TRANSPARENT  VERTICAL
// KIND is tile, bevel, button, font or a number; FILE the name below /gfx/skins/ (images) or /gfx/fonts/
// (fonts), in double quotes when it holds blanks, '#', '"' or '\' (escapes \" \\ \xNN); MAIN and SHADOW are
// the font colours as six hexadecimal digits (rrggbb); TRANSPARENT and VERTICAL are the flags as numbers.
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
#include "Video.h"
#include "ToolVersion.h"

namespace {

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
    "colours as rrggbb; TRANSPARENT (magenta is see-through) and VERTICAL (button cells stacked) numbers.\n"
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
    name.resize(256, '\0');
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

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

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
                } else if (e == 'x' && i + 1 < line.size() && hexValue(line[i]) >= 0 && hexValue(line[i + 1]) >= 0) {
                    word.push_back(static_cast<char>(hexValue(line[i]) * 16 + hexValue(line[i + 1])));
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
long long parseNumber(const std::string &word, long long low, long long high, const char *what)
{
    errno = 0;
    char *end = nullptr;
    long long value = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        throw LineError{std::string(what) + " '" + word + "' is not a number from " + std::to_string(low) + " to " +
                        std::to_string(high)};
    return value;
}

void parseColour(const std::string &word, unsigned char *rgb, const char *what)
{
    if (word.size() != 6)
        throw LineError{std::string(what) + " '" + word + "' is not six hexadecimal digits (rrggbb)"};
    for (int i = 0; i < 3; ++i) {
        int high = hexValue(word[2 * i]), low = hexValue(word[2 * i + 1]);
        if (high < 0 || low < 0)
            throw LineError{std::string(what) + " '" + word + "' is not six hexadecimal digits (rrggbb)"};
        rgb[i] = static_cast<unsigned char>(high * 16 + low);
    }
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
        part.type = static_cast<Sint32>(parseNumber(kind, INT32_MIN, INT32_MAX, "kind"));
    if (kindWord(part.type) && part.type != skinSlotType(slot))
        throw LineError{std::string("the ") + skinSlotLabel(slot) + " must be a " + kindWord(skinSlotType(slot)) +
                        " part, not a " + kindWord(part.type) + " part"};
    part.filename = words[1];
    if (part.filename.size() > 255)
        throw LineError{"the file name is longer than 255 characters"};
    if (part.filename.find('\0') != std::string::npos)
        throw LineError{"the file name holds a zero byte"};
    parseColour(words[2], part.rgb, "main colour");
    parseColour(words[3], part.rgb + 3, "shadow colour");
    part.transparent = static_cast<Uint32>(parseNumber(words[4], INT32_MIN, UINT32_MAX, "transparent"));
    part.vertical = static_cast<Uint32>(parseNumber(words[5], INT32_MIN, UINT32_MAX, "vertical"));
    return part;
}

// Only a regular file is read: a FIFO or terminal never holds the tool up.
bool readWholeFile(const char *path, std::string &bytes)
{
    FILE *file = openRegularFile(path, "rb");
    if (!file)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

int makeSkin(const char *descriptionPath, const char *outPath)
{
    std::string text;
    if (!readWholeFile(descriptionPath, text)) {
        std::fprintf(stderr, "skintool: cannot read '%s': %s\n", descriptionPath, openFailureReason(errno));
        return 1;
    }
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
            std::fprintf(stderr, "skintool: %s:%d: %s\n", descriptionPath, lineNumber, error.message.c_str());
            return 1;
        }
    }
    if (slot != SKINSLOT_COUNT) {
        std::fprintf(stderr, "skintool: %s: a skin has ten parts; the description has %d (the %s is missing)\n",
                     descriptionPath, slot, skinSlotLabel(slot));
        return 1;
    }
    FILE *file = openRegularFile(outPath, "wb");
    if (!file) {
        std::fprintf(stderr, "skintool: cannot write '%s': %s\n", outPath, openFailureReason(errno));
        return 1;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "skintool: cannot write '%s': %s\n", outPath, std::strerror(errno));
        std::remove(outPath);
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
    if (!readWholeFile(path, bytes)) {
        std::fprintf(stderr, "skintool: cannot read '%s': %s\n", path, openFailureReason(errno));
        return 1;
    }
    if (bytes.size() < skinFileSize) {
        std::fprintf(stderr, "skintool: '%s' is %zu bytes long; a skin file holds ten records of %u bytes (%u)\n",
                     path, bytes.size(), skinPartRecordSize, skinFileSize);
        return 1;
    }
    std::printf("# kind  file  main  shadow  transparent  vertical\n");
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot) {
        const unsigned char *record = reinterpret_cast<const unsigned char *>(bytes.data()) + slot * skinPartRecordSize;
        Sint32 type = static_cast<Sint32>(getUint32(record));
        const char *name = reinterpret_cast<const char *>(record + 4);
        std::string filename(name, strnlen(name, 256));
        const unsigned char *rgb = record + 260;
        std::string kind = kindWord(type) ? kindWord(type) : std::to_string(type);
        std::printf("%-7s %-40s %02x%02x%02x %02x%02x%02x %u %u  # %s\n", kind.c_str(), quoteName(filename).c_str(),
                    rgb[0], rgb[1], rgb[2], rgb[3], rgb[4], rgb[5], getUint32(record + 266), getUint32(record + 270),
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
            std::printf("skin '%s' loads: /gfx/skins/%s.skin and the ten parts it names, from %s\n", name, name,
                        dataPath.c_str());
            delete skin;
            status = 0;
        } else {
            std::printf("skin '%s' would not load from %s:\n", name, dataPath.c_str());
            for (Sint32 line = firstLine; line < Console::totalLines(); ++line)
                std::printf("%s\n", Console::lineAtIndex(line));
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

// A wrong command line: says what is wrong, then how the commands are used.
int usageError(const std::string &message)
{
    std::fprintf(stderr, "skintool: %s\n%s", message.c_str(), usageText);
    return 2;
}

bool isOption(const char *argument)
{
    return argument[0] == '-' && argument[1] != '\0';
}

}  // namespace

int main(int argc, char **argv)
{
    if (answersVersion(argc, argv, "skintool"))
        return 0;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usageText, stdout);
        return 0;
    }
    if (argc < 2)
        return usageError("no command given");
    const std::string command = argv[1];
    const char *form;
    if (command == "make")
        form = "make takes DESCRIPTION OUT.skin";
    else if (command == "dump")
        form = "dump takes FILE.skin";
    else if (command == "check")
        form = "check takes SKINNAME";
    else
        return usageError(std::string("unknown ") + (isOption(argv[1]) ? "option" : "command") + " '" + command + "'");
    for (int i = 2; i < argc; ++i)
        if (isOption(argv[i]))
            return usageError(std::string("unknown option '") + argv[i] + "'");
    const int wanted = command == "make" ? 4 : 3;
    if (argc > wanted)
        return usageError(std::string("unexpected argument '") + argv[wanted] + "': " + form);
    if (argc < wanted)
        return usageError(form);
    if (command == "make")
        return makeSkin(argv[2], argv[3]);
    if (command == "dump")
        return dumpSkin(argv[2]);
    return checkSkin(argv[2]);
}
