// fonttool make: renders the characters 32 to 127 of any font FreeType opens into a font file. The font is read
// into memory (at most 256 MiB) so that FreeType never opens the file itself; the output appears only when
// complete.
// Depends on: GlyphLayout (FreeType), FontFormat, the tools' common library.
#include "FontCommands.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "GlyphLayout.h"
#include "ToolFiles.h"
#include "ToolText.h"

namespace {

using tool::failure;
using tool::printable;
using tool::usageError;

// The largest font file make reads: the largest fonts in use (CJK collections) have some tens of megabytes.
const std::uint64_t fontReadLimit = 256ull << 20;

void putLe32(std::string &out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The bytes of the font file that holds the laid-out glyphs.
std::string encodeFontFile(const FontLayout &layout, const std::string &name, std::uint8_t pointSize,
                           std::uint8_t style)
{
    std::string bytes(1, static_cast<char>(fontFormat::version));
    std::string nameField = name;
    nameField.resize(fontFormat::nameFieldSize, '\0');
    bytes += nameField;
    bytes += static_cast<char>(pointSize);
    bytes += static_cast<char>(style);
    putLe32(bytes, static_cast<std::uint32_t>(layout.charHeight));
    putLe32(bytes, static_cast<std::uint32_t>(layout.maxWidth));
    putLe32(bytes, static_cast<std::uint32_t>(
                       layout.presentCount ? (layout.totalWidth + layout.presentCount / 2) / layout.presentCount : 0));
    putLe32(bytes, static_cast<std::uint32_t>(layout.totalWidth));
    for (const RenderedGlyph &glyph : layout.glyphs) {
        int width = glyph.advance;
        putLe32(bytes, static_cast<std::uint32_t>(width));
        putLe32(bytes, static_cast<std::uint32_t>(layout.charHeight));
        for (int y = 0; y < static_cast<int>(layout.charHeight); ++y) {
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

    return bytes;
}

}  // namespace

int makeCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const std::string problem =
        readFontArguments(args, {"--name", "--point-size"}, 3, "make needs FONTFILE PIXELSIZE OUT.font", arguments);
    if (!problem.empty())
        return usageError(problem);
    std::string name;
    long long pixelSize = 0, pointSize = -1;
    if (const std::string *given = arguments.value("--name")) {
        name = *given;
        if (name.empty() || name.size() > fontFormat::nameFieldSize)
            return usageError("the name must be 1 to 32 bytes long");
    }
    const std::string *givenPointSize = arguments.value("--point-size");
    if (givenPointSize && !tool::parseNumber(*givenPointSize, 0, 255, pointSize))
        return usageError("the point size must be a number from 0 to 255");
    const std::string &fontFile = arguments.operands[0];
    const std::string &out = arguments.operands[2];
    if (!tool::parseNumber(arguments.operands[1], 1, 1000, pixelSize))
        return usageError("PIXELSIZE must be a whole number from 1 to 1000");
    if (pointSize < 0) {
        if (pixelSize > 255)
            return usageError("a pixel size above 255 needs --point-size (the header holds 0 to 255)");
        pointSize = pixelSize;
    }

    // FreeType reads the font from memory, so that it never opens the file itself.
    std::string fontBytes;
    std::string reason;
    const tool::ReadFailure read = tool::readWholeFile(fontFile, fontReadLimit, fontBytes, reason);
    if (read != tool::ReadFailure::None)
        return failure("cannot " + std::string(read == tool::ReadFailure::Open ? "open" : "read") + " '" +
                       printable(fontFile) + "': " + reason);
    FT_Library library;
    if (FT_Init_FreeType(&library))
        return failure("FreeType cannot start");
    FT_Face face;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte *>(fontBytes.data()),
                           static_cast<FT_Long>(fontBytes.size()), 0, &face)) {
        FT_Done_FreeType(library);
        return failure("FreeType cannot open '" + printable(fontFile) + "' as a font");
    }
    std::string error = unitsPerEmProblem(face);
    FontLayout layout;
    const bool rendered = error.empty() && layOut(face, pixelSize, layout, error);
    long fittingSize = rendered && !layout.fitsFontFile() ? largestFittingSize(face, pixelSize, layout) : 0;
    if (name.empty())
        name = face->family_name ? std::string(face->family_name).substr(0, 32) : std::string();
    std::uint8_t style = static_cast<std::uint8_t>(((face->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0) |
                                                   ((face->style_flags & FT_STYLE_FLAG_BOLD) ? 2 : 0));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!rendered)
        return failure(printable(fontFile) + ": " + error);

    const std::uint64_t charHeight = layout.charHeight;
    const std::uint64_t totalWidth = layout.totalWidth;
    if (!layout.fitsFontFile()) {
        char message[480];
        std::snprintf(message, sizeof message,
                      "at %lld pixels the glyph strip of '%s' would be %llu x %llu pixels; a font file holds at most "
                      "65,536 pixels (rows counted at an even width); %s",
                      pixelSize, printable(fontFile).c_str(), static_cast<unsigned long long>(totalWidth),
                      static_cast<unsigned long long>(charHeight),
                      fittingSize > 0 ? ("the largest pixel size that fits is " + std::to_string(fittingSize)).c_str()
                                      : "no size of this font fits");
        return failure(message);
    }

    const std::string bytes = encodeFontFile(layout, name, static_cast<std::uint8_t>(pointSize), style);
    tool::OutputFile file;
    if (!file.open(out))
        return failure("cannot write '" + printable(out) + "': " + file.reason());
    if (!file.write(bytes.data(), bytes.size()) || !file.commit())
        return failure("cannot write '" + printable(out) + "': " + file.reason());
    if (!layout.missing.empty())
        std::fprintf(stderr, "fonttool: note: '%s' has no glyph for \"%s\"; those characters draw nothing\n",
                     printable(fontFile).c_str(), layout.missing.c_str());
    std::printf("%s: \"%s\", point size %lld, %lld pixels, charHeight %llu, strip %llu x %llu pixels\n",
                printable(out).c_str(), printable(name).c_str(), pointSize, pixelSize,
                static_cast<unsigned long long>(charHeight), static_cast<unsigned long long>(totalWidth),
                static_cast<unsigned long long>(charHeight));
    return 0;
}

