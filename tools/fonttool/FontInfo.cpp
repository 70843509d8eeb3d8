// fonttool info: prints a font file's header, the data name a game loads it by, and every glyph's size, and
// checks that the file is well formed. Files larger than 16 MiB are refused unread (a font file holds at most a
// 65,536-pixel strip).
// Depends on: FontFormat, the engine's makeFontFilename (FontManager), the tools' common library.
#include "FontCommands.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FontFormat.h"
#include "FontManager.h"
#include "ToolFiles.h"
#include "ToolText.h"

namespace {

using tool::failure;
using tool::printable;
using tool::usageError;

const std::uint64_t fontFileReadLimit = 16 << 20;

std::uint32_t getLe32(const std::string &bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

}  // namespace

int infoCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const std::string problem = readFontArguments(args, {}, 1, "info needs FILE.font", arguments);
    if (!problem.empty())
        return usageError(problem);
    const std::string &path = arguments.operands[0];
    const std::string shown = printable(path);
    std::string bytes;
    std::string reason;
    const tool::ReadFailure read = tool::readWholeFile(path, fontFileReadLimit, bytes, reason);
    if (read != tool::ReadFailure::None)
        return failure("cannot " + std::string(read == tool::ReadFailure::Open ? "open" : "read") + " '" + shown +
                       "': " + reason);
    if (bytes.empty())
        return failure(shown + ": empty file");
    unsigned version = static_cast<unsigned char>(bytes[0]);
    if (version != fontFormat::version)
        return failure(shown + ": unsupported font spec version " + std::to_string(version));
    if (bytes.size() < fontFormat::headerSize)
        return failure(shown + ": the file ends inside the header");

    std::string name = bytes.substr(fontFormat::nameOffset, fontFormat::nameFieldSize);
    name = name.substr(0, name.find('\0'));
    std::uint32_t charHeight = getLe32(bytes, fontFormat::charHeightOffset);
    std::uint32_t totalWidth = getLe32(bytes, fontFormat::totalCharWidthOffset);
    std::printf("fontSpecVersion  %u\n", version);
    std::printf("fontName         \"%s\"\n", printable(name).c_str());
    std::printf("pointSize        %u\n",
                static_cast<unsigned>(static_cast<unsigned char>(bytes[fontFormat::pointSizeOffset])));
    std::printf("fontStyle        %u\n",
                static_cast<unsigned>(static_cast<unsigned char>(bytes[fontFormat::styleOffset])));
    std::printf("charHeight       %u\n", charHeight);
    std::printf("maxCharWidth     %u\n", getLe32(bytes, fontFormat::maxCharWidthOffset));
    std::printf("averageCharWidth %u\n", getLe32(bytes, fontFormat::averageCharWidthOffset));
    std::printf("totalCharWidth   %u\n", totalWidth);

    // getFont with the header's name and point size finds the font under this data name, and only there.
    const std::uint8_t pointSize = static_cast<std::uint8_t>(bytes[fontFormat::pointSizeOffset]);
    char dataName[256];
    makeFontFilename(name.c_str(), pointSize, dataName);
    std::printf("dataName         %s (getFont(\"%s\", %u, r, g, b) loads it)\n", printable(dataName).c_str(),
                printable(name).c_str(),
                static_cast<unsigned>(pointSize));
    const std::string fileName = path.substr(path.rfind('/') + 1);
    const std::string dataFileName = std::string(dataName).substr(std::string(dataName).rfind('/') + 1);
    if (fileName != dataFileName)
        std::fprintf(stderr, "fonttool: note: this file is named '%s'; getFont finds it by its name and point size "
                             "only as %s\n", printable(fileName).c_str(), printable(dataName).c_str());

    std::vector<std::string> problems;
    std::uint64_t rowPixels = (static_cast<std::uint64_t>(totalWidth) + 1) & ~static_cast<std::uint64_t>(1);
    if (totalWidth > 0xFFFF || charHeight > 0xFFFF || rowPixels * charHeight > fontFormat::maxStripPixels)
        problems.push_back("the glyph strip is larger than 65,536 pixels");
    std::uint64_t offset = fontFormat::headerSize, widthSoFar = 0;
    for (int k = 0; k < fontFormat::glyphCount; ++k) {
        if (offset + fontFormat::glyphHeaderSize > bytes.size())
            return failure(shown + ": the file ends in the record of character " +
                           std::to_string(fontFormat::firstChar + k));
        std::uint32_t width = getLe32(bytes, offset);
        std::uint32_t height = getLe32(bytes, offset + 4);
        int code = fontFormat::firstChar + k;
        std::printf("char %3d %c  width %u  height %u\n", code, code < 127 ? code : ' ', width, height);
        widthSoFar += width;
        if (height > charHeight)
            problems.push_back("character " + std::to_string(code) + " is taller than charHeight");
        offset += fontFormat::glyphHeaderSize + static_cast<std::uint64_t>(width) * height;
        if (offset > bytes.size())
            return failure(shown + ": the file ends in the pixels of character " + std::to_string(code));
    }
    if (widthSoFar > totalWidth)
        problems.push_back("the glyphs are " + std::to_string(widthSoFar) + " pixels wide in all, more than "
                           "totalCharWidth");
    if (offset < bytes.size())
        std::printf("%llu bytes after the last glyph (ignored)\n",
                    static_cast<unsigned long long>(bytes.size() - offset));
    for (const std::string &problem : problems)
        std::fprintf(stderr, "fonttool: %s: %s\n", shown.c_str(), problem.c_str());
    return problems.empty() ? 0 : 1;
}

