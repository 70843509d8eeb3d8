// fonttool: makes the engine's bitmap font files from any font FreeType opens, prints what a font file holds,
// and previews text drawn with the engine's own font code as a TGA image.
// A font file is a 51-byte header (version 1, name[32], point size, style, then charHeight, maxCharWidth,
// averageCharWidth, totalCharWidth as little-endian Uint32) and 96 glyphs (codes 32 to 127) of charWidth,
// charHeight and charWidth x charHeight bytes, non-zero meaning ink.
// Depends on: FreeType (make), the engine's data loader, video and fonts (preview), openRegularFile, TgaWriter.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "Font.h"
#include "FontManager.h"
#include "NFILoader.h"
#include "TgaWriter.h"
#include "Utility.h"
#include "Video.h"

namespace {

const int firstChar = 32;
const int numChars = 96;
const std::uint32_t headerBytes = 51;
const std::uint64_t maxStripPixels = 65536;

const char usage[] =
    "Usage: fonttool make FONTFILE PIXELSIZE OUT.font [--name NAME] [--point-size N]\n"
    "       fonttool info FILE.font\n"
    "       fonttool preview FILE.font \"text\" OUT.tga [--ink R,G,B] [--background R,G,B]\n"
    "       fonttool --help\n"
    "\n"
    "make     renders the characters 32 to 127 of FONTFILE (TrueType, OpenType, BDF, PCF, anything FreeType\n"
    "         opens) at PIXELSIZE pixels per em in monochrome. Every glyph cell is as wide as the character's\n"
    "         advance, and all glyphs share one baseline inside the common character height. Characters the\n"
    "         font lacks get an empty glyph of width 0. The header's name is the font's family name unless\n"
    "         --name gives one (at most 32 bytes); its point size is PIXELSIZE unless --point-size gives one\n"
    "         (0 to 255); its style is 1 for italic plus 2 for bold. A size whose glyph strip would exceed\n"
    "         65,536 pixels (rows counted at an even width) is refused.\n"
    "info     prints the header and every glyph's width and height, and checks that the file is well formed.\n"
    "preview  draws the text (at most 511 characters) with the engine's font code on a background with a\n"
    "         2-pixel margin and writes a 24-bit TGA image; default ink 0,0,0 on 255,255,255.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 on a usage error.\n";

int usageError(const std::string &message)
{
    std::fprintf(stderr, "fonttool: %s\n%s", message.c_str(), usage);
    return 2;
}

int failure(const std::string &message)
{
    std::fprintf(stderr, "fonttool: %s\n", message.c_str());
    return 1;
}

// The whole of a regular file, or "" in error with why not; a FIFO or terminal never holds the tool up.
bool readWholeFile(const std::string &path, std::string &bytes, std::string &error)
{
    FILE *file = openRegularFile(path.c_str(), "rb");
    if (!file) {
        error = "cannot open '" + path + "': " + openFailureReason(errno);
        return false;
    }
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.append(block, got);
    const bool complete = !std::ferror(file);
    std::fclose(file);
    if (!complete)
        error = "cannot read '" + path + "'";
    return complete;
}

bool parseNumber(const std::string &text, long minimum, long maximum, long &value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return value >= minimum && value <= maximum;
}

bool parseColour(const std::string &text, std::uint8_t colour[3])
{
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t end = i < 2 ? text.find(',', start) : text.size();
        long value;
        if (end == std::string::npos || !parseNumber(text.substr(start, end - start), 0, 255, value))
            return false;
        colour[i] = static_cast<std::uint8_t>(value);
        start = end + 1;
    }
    return true;
}

void putLe32(std::string &out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t getLe32(const std::string &bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

// ---- make ------------------------------------------------------------------------------------------------

// One rendered glyph: its advance, and its ink relative to the pen on the baseline.
struct RenderedGlyph {
    bool present = false;
    int advance = 0;
    int left = 0;  // columns from the pen to the bitmap's left edge
    int top = 0;   // rows from the baseline up to the bitmap's top row
    int width = 0;
    int rows = 0;
    std::vector<bool> ink;  // rows x width, top row first
};

bool renderGlyph(FT_Face face, int code, RenderedGlyph &glyph, std::string &error)
{
    FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
    if (index == 0)
        return true;
    FT_Error status = FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
    if (status) {
        error = "FreeType cannot render character " + std::to_string(code) + " (error " + std::to_string(status) + ")";
        return false;
    }
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap &bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0 &&
        bitmap.width > 0) {
        error = "character " + std::to_string(code) + " comes in a pixel mode other than monochrome or grey";
        return false;
    }
    glyph.present = true;
    glyph.advance = static_cast<int>(std::max<FT_Pos>(0, (slot->advance.x + 32) >> 6));
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.ink.assign(static_cast<std::size_t>(glyph.width) * glyph.rows, false);
    // "pitch" takes a row pointer one row down; a negative pitch means the rows are stored bottom up.
    const unsigned char *topRow =
        bitmap.pitch < 0 ? bitmap.buffer + static_cast<std::ptrdiff_t>(glyph.rows - 1) * -bitmap.pitch : bitmap.buffer;
    for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char *row = topRow + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x) {
            bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] & (0x80 >> (x & 7))) != 0 : row[x] >= 128;
            glyph.ink[static_cast<std::size_t>(y) * glyph.width + x] = on;
        }
    }
    return true;
}

// Picks the pixel size: scalable fonts take any, bitmap fonts need a strike of that size.
bool setPixelSize(FT_Face face, long pixelSize, std::string &error)
{
    if (FT_IS_SCALABLE(face)) {
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0)
            return true;
        error = "FreeType refuses the size " + std::to_string(pixelSize);
        return false;
    }
    std::string sizes;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size &strike = face->available_sizes[i];
        long ppem = (strike.y_ppem + 32) >> 6;
        if (ppem == pixelSize || (ppem == 0 && strike.height == pixelSize))
            return FT_Select_Size(face, i) == 0;
        sizes += (sizes.empty() ? "" : ", ") + std::to_string(ppem ? ppem : strike.height);
    }
    error = "the bitmap font has no " + std::to_string(pixelSize) + "-pixel size (it has: " +
            (sizes.empty() ? "none" : sizes) + ")";
    return false;
}

int makeFont(const std::vector<std::string> &args)
{
    std::string fontFile, out, name;
    long pixelSize = 0, pointSize = -1;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--name" || args[i] == "--point-size") {
            if (i + 1 >= args.size())
                return usageError(args[i] + " needs a value");
            if (args[i] == "--name") {
                name = args[++i];
                if (name.empty() || name.size() > 32)
                    return usageError("the name must be 1 to 32 bytes long");
            } else if (!parseNumber(args[++i], 0, 255, pointSize)) {
                return usageError("the point size must be a number from 0 to 255");
            }
        } else if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
            return usageError("unknown option " + args[i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3)
        return usageError("make needs FONTFILE PIXELSIZE OUT.font");
    fontFile = positional[0];
    out = positional[2];
    if (!parseNumber(positional[1], 1, 1000, pixelSize))
        return usageError("PIXELSIZE must be a whole number from 1 to 1000");
    if (pointSize < 0) {
        if (pixelSize > 255)
            return usageError("a pixel size above 255 needs --point-size (the header holds 0 to 255)");
        pointSize = pixelSize;
    }

    // FreeType reads the font from memory, so that it never opens the file itself.
    std::string fontBytes;
    std::string readError;
    if (!readWholeFile(fontFile, fontBytes, readError))
        return failure(readError);
    FT_Library library;
    if (FT_Init_FreeType(&library))
        return failure("FreeType cannot start");
    FT_Face face;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte *>(fontBytes.data()),
                           static_cast<FT_Long>(fontBytes.size()), 0, &face)) {
        FT_Done_FreeType(library);
        return failure("FreeType cannot open '" + fontFile + "' as a font");
    }
    std::string error;
    std::vector<RenderedGlyph> glyphs(numChars);
    bool rendered = setPixelSize(face, pixelSize, error);
    for (int k = 0; rendered && k < numChars; ++k)
        rendered = renderGlyph(face, firstChar + k, glyphs[k], error);
    if (name.empty())
        name = face->family_name ? std::string(face->family_name).substr(0, 32) : std::string();
    std::uint8_t style = static_cast<std::uint8_t>(((face->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0) |
                                                   ((face->style_flags & FT_STYLE_FLAG_BOLD) ? 2 : 0));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!rendered)
        return failure(fontFile + ": " + error);

    // One baseline for all: as far down as the tallest glyph reaches up, with room for the deepest descent.
    int ascent = 0, descent = 0;
    std::string missing;
    for (int k = 0; k < numChars; ++k) {
        const RenderedGlyph &glyph = glyphs[k];
        if (!glyph.present) {
            if (firstChar + k != 127)
                missing += static_cast<char>(firstChar + k);
            continue;
        }
        if (glyph.rows > 0 && glyph.width > 0) {
            ascent = std::max(ascent, glyph.top);
            descent = std::max(descent, glyph.rows - glyph.top);
        }
    }
    std::uint64_t charHeight = static_cast<std::uint64_t>(std::max(0, ascent + descent));
    std::uint64_t totalWidth = 0, maxWidth = 0, presentCount = 0;
    for (const RenderedGlyph &glyph : glyphs) {
        totalWidth += static_cast<std::uint64_t>(glyph.advance);
        maxWidth = std::max<std::uint64_t>(maxWidth, static_cast<std::uint64_t>(glyph.advance));
        presentCount += glyph.advance > 0;
    }
    std::uint64_t stripPixels = ((totalWidth + 1) & ~static_cast<std::uint64_t>(1)) * charHeight;
    if (totalWidth > 0xFFFF || charHeight > 0xFFFF || stripPixels > maxStripPixels) {
        char message[400];
        std::snprintf(message, sizeof message,
                      "at %ld pixels the glyph strip of '%s' would be %llu x %llu pixels; a font file holds at most "
                      "65,536 pixels (rows counted at an even width); choose a smaller size",
                      pixelSize, fontFile.c_str(), static_cast<unsigned long long>(totalWidth),
                      static_cast<unsigned long long>(charHeight));
        return failure(message);
    }

    std::string bytes(1, '\1');
    std::string nameField = name;
    nameField.resize(32, '\0');
    bytes += nameField;
    bytes += static_cast<char>(pointSize);
    bytes += static_cast<char>(style);
    putLe32(bytes, static_cast<std::uint32_t>(charHeight));
    putLe32(bytes, static_cast<std::uint32_t>(maxWidth));
    putLe32(bytes, static_cast<std::uint32_t>(presentCount ? (totalWidth + presentCount / 2) / presentCount : 0));
    putLe32(bytes, static_cast<std::uint32_t>(totalWidth));
    for (const RenderedGlyph &glyph : glyphs) {
        int width = glyph.advance;
        putLe32(bytes, static_cast<std::uint32_t>(width));
        putLe32(bytes, static_cast<std::uint32_t>(charHeight));
        for (int y = 0; y < static_cast<int>(charHeight); ++y) {
            int row = y - (ascent - glyph.top);
            for (int x = 0; x < width; ++x) {
                int column = x - glyph.left;
                // Ink outside the cell (overhangs) is cut: cells are exactly as wide as the advance.
                bool on = row >= 0 && row < glyph.rows && column >= 0 && column < glyph.width &&
                          glyph.ink[static_cast<std::size_t>(row) * glyph.width + column];
                bytes += on ? '\1' : '\0';
            }
        }
    }

    FILE *file = openRegularFile(out.c_str(), "wb");
    if (!file)
        return failure("cannot write '" + out + "': " + openFailureReason(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written)
        return failure("cannot write '" + out + "': " + std::strerror(errno));
    if (!missing.empty())
        std::fprintf(stderr, "fonttool: note: '%s' has no glyph for \"%s\"; those characters draw nothing\n",
                     fontFile.c_str(), missing.c_str());
    std::printf("%s: \"%s\", point size %ld, %ld pixels, charHeight %llu, strip %llu x %llu pixels\n", out.c_str(),
                name.c_str(), pointSize, pixelSize, static_cast<unsigned long long>(charHeight),
                static_cast<unsigned long long>(totalWidth), static_cast<unsigned long long>(charHeight));
    return 0;
}

// ---- info ------------------------------------------------------------------------------------------------

int infoFont(const std::vector<std::string> &args)
{
    if (args.size() != 1)
        return usageError("info needs FILE.font");
    std::string bytes;
    std::string readError;
    if (!readWholeFile(args[0], bytes, readError))
        return failure(readError);
    if (bytes.empty())
        return failure(args[0] + ": empty file");
    unsigned version = static_cast<unsigned char>(bytes[0]);
    if (version != 1)
        return failure(args[0] + ": unsupported font spec version " + std::to_string(version));
    if (bytes.size() < headerBytes)
        return failure(args[0] + ": the file ends inside the header");

    std::string name = bytes.substr(1, 32);
    name = name.substr(0, name.find('\0'));
    std::uint32_t charHeight = getLe32(bytes, 35);
    std::uint32_t totalWidth = getLe32(bytes, 47);
    std::printf("fontSpecVersion  %u\n", version);
    std::printf("fontName         \"%s\"\n", name.c_str());
    std::printf("pointSize        %u\n", static_cast<unsigned>(static_cast<unsigned char>(bytes[33])));
    std::printf("fontStyle        %u\n", static_cast<unsigned>(static_cast<unsigned char>(bytes[34])));
    std::printf("charHeight       %u\n", charHeight);
    std::printf("maxCharWidth     %u\n", getLe32(bytes, 39));
    std::printf("averageCharWidth %u\n", getLe32(bytes, 43));
    std::printf("totalCharWidth   %u\n", totalWidth);

    std::vector<std::string> problems;
    std::uint64_t rowPixels = (static_cast<std::uint64_t>(totalWidth) + 1) & ~static_cast<std::uint64_t>(1);
    if (totalWidth > 0xFFFF || charHeight > 0xFFFF || rowPixels * charHeight > maxStripPixels)
        problems.push_back("the glyph strip is larger than 65,536 pixels");
    std::uint64_t offset = headerBytes, widthSoFar = 0;
    for (int k = 0; k < numChars; ++k) {
        if (offset + 8 > bytes.size())
            return failure(args[0] + ": the file ends in the record of character " + std::to_string(firstChar + k));
        std::uint32_t width = getLe32(bytes, offset);
        std::uint32_t height = getLe32(bytes, offset + 4);
        int code = firstChar + k;
        std::printf("char %3d %c  width %u  height %u\n", code, code < 127 ? code : ' ', width, height);
        widthSoFar += width;
        if (height > charHeight)
            problems.push_back("character " + std::to_string(code) + " is taller than charHeight");
        offset += 8 + static_cast<std::uint64_t>(width) * height;
        if (offset > bytes.size())
            return failure(args[0] + ": the file ends in the pixels of character " + std::to_string(code));
    }
    if (widthSoFar > totalWidth)
        problems.push_back("the glyphs are " + std::to_string(widthSoFar) + " pixels wide in all, more than "
                           "totalCharWidth");
    if (offset < bytes.size())
        std::printf("%llu bytes after the last glyph (ignored)\n",
                    static_cast<unsigned long long>(bytes.size() - offset));
    for (const std::string &problem : problems)
        std::fprintf(stderr, "fonttool: %s: %s\n", args[0].c_str(), problem.c_str());
    return problems.empty() ? 0 : 1;
}

// ---- preview ---------------------------------------------------------------------------------------------

const int previewMargin = 2;

int previewFont(const std::vector<std::string> &args)
{
    std::uint8_t ink[3] = {0, 0, 0};
    std::uint8_t background[3] = {255, 255, 255};
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--ink" || args[i] == "--background") {
            if (i + 1 >= args.size() || !parseColour(args[i + 1], args[i] == "--ink" ? ink : background))
                return usageError(args[i] + " needs a colour R,G,B of numbers from 0 to 255");
            ++i;
        } else if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
            return usageError("unknown option " + args[i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3)
        return usageError("preview needs FILE.font \"text\" OUT.tga");
    const std::string &fontPath = positional[0];
    const std::string &text = positional[1];
    std::size_t slash = fontPath.rfind('/');
    std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : fontPath.substr(0, slash));
    std::string dataName = "/" + (slash == std::string::npos ? fontPath : fontPath.substr(slash + 1));
    if (dataName.size() > 255 || directory.size() + dataName.size() > 255)
        return failure("the path '" + fontPath + "' is too long for the data loader (255 characters)");

    // The engine's console would echo its start-up lines; only a failure's reason is shown, below.
    displayConsole = SDL_FALSE;
    logConsole = SDL_FALSE;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return failure(std::string("SDL cannot start: ") + SDL_GetError());
    screen = SDL_SetVideoMode(800, 600, 16, 0);
    int status = 0;
    std::string error;
    if (!screen) {
        error = std::string("SDL cannot open the drawing surface: ") + SDL_GetError();
        status = 1;
    } else {
        NFILoader::globalLoader()->addDataPath(directory.c_str());
        EngineFont *font = FontManager::getFont(dataName.c_str(), 0, ink[0], ink[1], ink[2]);
        if (!font) {
            error = Console::totalLines() > 0 ? Console::lineAtIndex(Console::totalLines() - 1) : "cannot load the font";
            status = 1;
        } else {
            Uint64 width = static_cast<Uint64>(font->textSize(text.c_str())) + 2 * previewMargin;
            Uint64 height = static_cast<Uint64>(font->charHeight()) + 2 * previewMargin;
            if (text.size() > EngineFont::maxTextLength)
                std::fprintf(stderr, "fonttool: note: the text is cut at %u characters\n", EngineFont::maxTextLength);
            if (width > static_cast<Uint64>(screen->w) || height > static_cast<Uint64>(screen->h))
                std::fprintf(stderr, "fonttool: note: the image is cut to %d x %d pixels\n", screen->w, screen->h);
            width = std::min<Uint64>(width, static_cast<Uint64>(screen->w));
            height = std::min<Uint64>(height, static_cast<Uint64>(screen->h));
            SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, background[0], background[1], background[2]));
            font->blitText(previewMargin, previewMargin, 0, text.c_str());

            std::vector<std::uint8_t> rgb;
            rgb.reserve(width * height * 3);
            if (SDL_MUSTLOCK(screen))
                SDL_LockSurface(screen);
            for (Uint64 y = 0; y < height; ++y) {
                const Uint16 *row = reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(screen->pixels) +
                                                                     y * screen->pitch);
                for (Uint64 x = 0; x < width; ++x) {
                    Uint8 r, g, b;
                    SDL_GetRGB(row[x], screen->format, &r, &g, &b);
                    rgb.insert(rgb.end(), {r, g, b});
                }
            }
            if (SDL_MUSTLOCK(screen))
                SDL_UnlockSurface(screen);
            if (!writeTga(positional[2], rgb.data(), static_cast<unsigned>(width), static_cast<unsigned>(height), 3,
                          TgaWriteOptions(), error))
                status = 1;
            else
                std::printf("%s: %llu x %llu pixels\n", positional[2].c_str(), static_cast<unsigned long long>(width),
                            static_cast<unsigned long long>(height));
        }
        FontManager::destroyFontManager();
        delete NFILoader::globalLoader();
    }
    SDL_Quit();
    Console::destroyConsole();
    return status == 0 ? 0 : failure(error);
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return usageError("no command given");
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        std::fputs(usage, stdout);
        return 0;
    }
    if (command == "make")
        return makeFont(args);
    if (command == "info")
        return infoFont(args);
    if (command == "preview")
        return previewFont(args);
    return usageError("unknown command '" + command + "'");
}
