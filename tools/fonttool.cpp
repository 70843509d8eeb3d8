// fonttool: makes the engine's bitmap font files from any font FreeType opens, prints what a font file holds and
// the data name a game loads it by, and previews text drawn with the engine's own font code as a TGA image,
// naming the characters the engine cannot draw.
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
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
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
#include "ToolVersion.h"

namespace {

const int firstChar = 32;
const int numChars = 96;
const std::uint32_t headerBytes = 51;
const std::uint64_t maxStripPixels = 65536;

const char usage[] =
    "Usage: fonttool make FONTFILE PIXELSIZE OUT.font [--name NAME] [--point-size N]\n"
    "       fonttool info FILE.font\n"
    "       fonttool preview FILE.font \"text\" OUT.tga [--ink R,G,B] [--background R,G,B]\n"
    "       fonttool --help | --version\n"
    "\n"
    "make     renders the characters 32 to 127 of FONTFILE (TrueType, OpenType, BDF, PCF, anything FreeType\n"
    "         opens) at PIXELSIZE pixels per em in monochrome. Every glyph cell is as wide as the character's\n"
    "         advance, and all glyphs share one baseline inside the common character height. Characters the\n"
    "         font lacks get an empty glyph of width 0. The header's name is the font's family name unless\n"
    "         --name gives one (at most 32 bytes); its point size is PIXELSIZE unless --point-size gives one\n"
    "         (0 to 255); its style is 1 for italic plus 2 for bold. A size whose glyph strip would exceed\n"
    "         65,536 pixels (rows counted at an even width) is refused, naming the largest size that fits.\n"
    "info     prints the header, the data name under which a game loads the font with getFont (its name\n"
    "         and point size), and every glyph's width and height, and checks that the file is well formed.\n"
    "preview  draws the text (at most 511 characters) with the engine's font code on a background with a\n"
    "         2-pixel margin and writes a 24-bit TGA image; default ink 0,0,0 on 255,255,255. The engine\n"
    "         draws only the characters 32 to 127; a warning names each other character of the text.\n"
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

// A command's operands and the values of the options it was given, out of those it knows (each takes one
// value). Options begin with "--", so a text such as "-5 points" stays an operand.
struct Arguments {
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;
};

// Fills arguments; on a wrong command line returns what is wrong, naming the argument.
std::string splitArguments(const std::vector<std::string> &args, const std::vector<std::string> &known,
                           std::size_t operandCount, const std::string &form, Arguments &arguments)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
            if (std::find(known.begin(), known.end(), args[i]) == known.end())
                return "unknown option '" + args[i] + "'";
            if (i + 1 >= args.size())
                return args[i] + " needs a value";
            arguments.values[args[i]] = args[i + 1];
            ++i;
        } else {
            arguments.operands.push_back(args[i]);
        }
    }
    if (arguments.operands.size() > operandCount)
        return "unexpected argument '" + arguments.operands[operandCount] + "': " + form;
    if (arguments.operands.size() < operandCount)
        return form;
    return "";
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

// The font rendered at one pixel size and laid out as a font file lays it out.
struct FontLayout {
    std::vector<RenderedGlyph> glyphs = std::vector<RenderedGlyph>(numChars);
    int ascent = 0;  // rows from the strip's top to the shared baseline
    std::uint64_t charHeight = 0;
    std::uint64_t totalWidth = 0;
    std::uint64_t maxWidth = 0;
    std::uint64_t presentCount = 0;
    std::string missing;  // characters 32 to 126 the font has no glyph for

    std::uint64_t stripPixels() const { return ((totalWidth + 1) & ~static_cast<std::uint64_t>(1)) * charHeight; }
    bool fitsFontFile() const
    {
        return totalWidth <= 0xFFFF && charHeight <= 0xFFFF && stripPixels() <= maxStripPixels;
    }
};

bool layOut(FT_Face face, long pixelSize, FontLayout &layout, std::string &error)
{
    if (!setPixelSize(face, pixelSize, error))
        return false;
    for (int k = 0; k < numChars; ++k)
        if (!renderGlyph(face, firstChar + k, layout.glyphs[k], error))
            return false;
    // One baseline for all: as far down as the tallest glyph reaches up, with room for the deepest descent.
    int descent = 0;
    for (int k = 0; k < numChars; ++k) {
        const RenderedGlyph &glyph = layout.glyphs[k];
        if (!glyph.present) {
            if (firstChar + k != 127)
                layout.missing += static_cast<char>(firstChar + k);
            continue;
        }
        if (glyph.rows > 0 && glyph.width > 0) {
            layout.ascent = std::max(layout.ascent, glyph.top);
            descent = std::max(descent, glyph.rows - glyph.top);
        }
    }
    layout.charHeight = static_cast<std::uint64_t>(std::max(0, layout.ascent + descent));
    for (const RenderedGlyph &glyph : layout.glyphs) {
        layout.totalWidth += static_cast<std::uint64_t>(glyph.advance);
        layout.maxWidth = std::max<std::uint64_t>(layout.maxWidth, static_cast<std::uint64_t>(glyph.advance));
        layout.presentCount += glyph.advance > 0;
    }
    return true;
}

bool fitsAt(FT_Face face, long pixelSize)
{
    FontLayout layout;
    std::string ignored;
    return layOut(face, pixelSize, layout, ignored) && layout.fitsFontFile();
}

// The largest pixel size below tooBig whose strip a font file holds, 0 when there is none. A scalable font's
// strip grows with the square of the size, so the search starts at the size that estimate gives and walks to
// the boundary from there; a bitmap font offers its strikes.
long largestFittingSize(FT_Face face, long tooBig, const FontLayout &tooBigLayout)
{
    if (!FT_IS_SCALABLE(face)) {
        long best = 0;
        for (int i = 0; i < face->num_fixed_sizes; ++i) {
            const FT_Bitmap_Size &strike = face->available_sizes[i];
            const long ppem = (strike.y_ppem + 32) >> 6;
            const long size = ppem ? ppem : strike.height;
            if (size < tooBig && size > best && fitsAt(face, size))
                best = size;
        }
        return best;
    }
    const double scale = std::sqrt(static_cast<double>(maxStripPixels) /
                                   static_cast<double>(std::max<std::uint64_t>(1, tooBigLayout.stripPixels())));
    long size = std::clamp(static_cast<long>(static_cast<double>(tooBig) * std::min(1.0, scale)), 1L, tooBig - 1);
    if (fitsAt(face, size)) {
        while (size + 1 < tooBig && fitsAt(face, size + 1))
            ++size;
        return size;
    }
    while (size > 1 && !fitsAt(face, size))
        --size;
    return fitsAt(face, size) ? size : 0;
}

int makeFont(const std::vector<std::string> &args)
{
    Arguments arguments;
    const std::string problem =
        splitArguments(args, {"--name", "--point-size"}, 3, "make needs FONTFILE PIXELSIZE OUT.font", arguments);
    if (!problem.empty())
        return usageError(problem);
    std::string name;
    long pixelSize = 0, pointSize = -1;
    if (arguments.values.count("--name")) {
        name = arguments.values["--name"];
        if (name.empty() || name.size() > 32)
            return usageError("the name must be 1 to 32 bytes long");
    }
    if (arguments.values.count("--point-size") && !parseNumber(arguments.values["--point-size"], 0, 255, pointSize))
        return usageError("the point size must be a number from 0 to 255");
    const std::string &fontFile = arguments.operands[0];
    const std::string &out = arguments.operands[2];
    if (!parseNumber(arguments.operands[1], 1, 1000, pixelSize))
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
    FontLayout layout;
    const bool rendered = layOut(face, pixelSize, layout, error);
    long fittingSize = rendered && !layout.fitsFontFile() ? largestFittingSize(face, pixelSize, layout) : 0;
    if (name.empty())
        name = face->family_name ? std::string(face->family_name).substr(0, 32) : std::string();
    std::uint8_t style = static_cast<std::uint8_t>(((face->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0) |
                                                   ((face->style_flags & FT_STYLE_FLAG_BOLD) ? 2 : 0));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!rendered)
        return failure(fontFile + ": " + error);

    const std::uint64_t charHeight = layout.charHeight;
    const std::uint64_t totalWidth = layout.totalWidth;
    if (!layout.fitsFontFile()) {
        char message[480];
        std::snprintf(message, sizeof message,
                      "at %ld pixels the glyph strip of '%s' would be %llu x %llu pixels; a font file holds at most "
                      "65,536 pixels (rows counted at an even width); %s",
                      pixelSize, fontFile.c_str(), static_cast<unsigned long long>(totalWidth),
                      static_cast<unsigned long long>(charHeight),
                      fittingSize > 0 ? ("the largest pixel size that fits is " + std::to_string(fittingSize)).c_str()
                                      : "no size of this font fits");
        return failure(message);
    }

    std::string bytes(1, '\1');
    std::string nameField = name;
    nameField.resize(32, '\0');
    bytes += nameField;
    bytes += static_cast<char>(pointSize);
    bytes += static_cast<char>(style);
    putLe32(bytes, static_cast<std::uint32_t>(charHeight));
    putLe32(bytes, static_cast<std::uint32_t>(layout.maxWidth));
    putLe32(bytes, static_cast<std::uint32_t>(
                       layout.presentCount ? (totalWidth + layout.presentCount / 2) / layout.presentCount : 0));
    putLe32(bytes, static_cast<std::uint32_t>(totalWidth));
    for (const RenderedGlyph &glyph : layout.glyphs) {
        int width = glyph.advance;
        putLe32(bytes, static_cast<std::uint32_t>(width));
        putLe32(bytes, static_cast<std::uint32_t>(charHeight));
        for (int y = 0; y < static_cast<int>(charHeight); ++y) {
            int row = y - (layout.ascent - glyph.top);
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
    if (!layout.missing.empty())
        std::fprintf(stderr, "fonttool: note: '%s' has no glyph for \"%s\"; those characters draw nothing\n",
                     fontFile.c_str(), layout.missing.c_str());
    std::printf("%s: \"%s\", point size %ld, %ld pixels, charHeight %llu, strip %llu x %llu pixels\n", out.c_str(),
                name.c_str(), pointSize, pixelSize, static_cast<unsigned long long>(charHeight),
                static_cast<unsigned long long>(totalWidth), static_cast<unsigned long long>(charHeight));
    return 0;
}

// ---- info ------------------------------------------------------------------------------------------------

int infoFont(const std::vector<std::string> &args)
{
    Arguments arguments;
    const std::string problem = splitArguments(args, {}, 1, "info needs FILE.font", arguments);
    if (!problem.empty())
        return usageError(problem);
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

    // getFont with the header's name and point size finds the font under this data name, and only there.
    const std::uint8_t pointSize = static_cast<std::uint8_t>(bytes[33]);
    char dataName[256];
    makeFontFilename(name.c_str(), pointSize, dataName);
    std::printf("dataName         %s (getFont(\"%s\", %u, r, g, b) loads it)\n", dataName, name.c_str(),
                static_cast<unsigned>(pointSize));
    const std::string fileName = args[0].substr(args[0].rfind('/') + 1);
    const std::string dataFileName = std::string(dataName).substr(std::string(dataName).rfind('/') + 1);
    if (fileName != dataFileName)
        std::fprintf(stderr, "fonttool: note: this file is named '%s'; getFont finds it by its name and point size "
                             "only as %s\n", fileName.c_str(), dataName);

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

// One character of UTF-8 text: its code point, or -1 for a byte that does not begin a well-formed sequence.
struct Utf8Char {
    long codePoint;
    std::size_t length;  // bytes taken
};

Utf8Char decodeUtf8(const std::string &text, std::size_t at)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length;
    long codePoint, minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return {-1, 1};
    }
    if (at + length > text.size())
        return {-1, 1};
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return {-1, 1};
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
    if (codePoint < minimum || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return {-1, 1};
    return {codePoint, length};
}

// Warns once for each character of text outside 32 to 127, for which the engine draws nothing.
void warnAboutUndrawable(const std::string &text)
{
    std::set<long> warned;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Char c = decodeUtf8(text, at);
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        const std::string shown = text.substr(at, c.length);
        at += c.length;
        const long key = c.codePoint < 0 ? -1 - byte : c.codePoint;
        if ((c.codePoint >= firstChar && c.codePoint < firstChar + numChars) || !warned.insert(key).second)
            continue;
        if (c.codePoint < 0) {
            std::fprintf(stderr, "fonttool: warning: the byte 0x%02X is not UTF-8 text; the engine draws nothing for "
                                 "it\n", byte);
            continue;
        }
        char codePoint[16];
        std::snprintf(codePoint, sizeof codePoint, "U+%04lX", static_cast<unsigned long>(c.codePoint));
        // Control characters are named by code point alone.
        const std::string named = c.codePoint >= 0xA0 ? "'" + shown + "' (" + codePoint + ")" : codePoint;
        std::fprintf(stderr, "fonttool: warning: %s is outside the characters 32 to 127; the engine draws nothing "
                             "for it\n", named.c_str());
    }
}

int previewFont(const std::vector<std::string> &args)
{
    std::uint8_t ink[3] = {0, 0, 0};
    std::uint8_t background[3] = {255, 255, 255};
    Arguments arguments;
    const std::string problem = splitArguments(args, {"--ink", "--background"}, 3,
                                               "preview needs FILE.font \"text\" OUT.tga", arguments);
    if (!problem.empty())
        return usageError(problem);
    for (const auto &option : arguments.values)
        if (!parseColour(option.second, option.first == "--ink" ? ink : background))
            return usageError(option.first + " needs a colour R,G,B of numbers from 0 to 255");
    const std::vector<std::string> &positional = arguments.operands;
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
            warnAboutUndrawable(text);
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
    if (answersVersion(argc, argv, "fonttool"))
        return 0;
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
    const bool option = command.size() > 1 && command[0] == '-';
    return usageError(std::string("unknown ") + (option ? "option" : "command") + " '" + command + "'");
}
