// fonttool: makes the engine's bitmap font files from any font FreeType opens, prints what a font file holds and
// the data name a game loads it by, and previews text drawn with the engine's own font code as a TGA image,
// naming the characters the engine cannot draw. Each command lives in its own file beside this one
// (fonttool/FontMake, FontInfo, FontPreview; the rendering in fonttool/GlyphLayout); the layout of a font file
// is FontFormat's.
// Depends on: FontCommands, the tools' common library.
#include <string>
#include <vector>

#include "CommandLine.h"
#include "fonttool/FontCommands.h"

namespace {

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
    "         2-pixel margin and writes a 24-bit TGA image; default ink 0,0,0 on 255,255,255 (a colour is\n"
    "         R,G,B or rrggbb). The engine draws only the characters 32 to 127; a warning names each other\n"
    "         character of the text.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 on a usage error.\n";


}  // namespace

std::string readFontArguments(const std::vector<std::string> &args, const std::vector<std::string> &known,
                              std::size_t operandCount, const std::string &form, tool::Arguments &arguments)
{
    return tool::readCommandLine(args, known, tool::OptionStyle::DoubleDash, "a value", operandCount, form, arguments);
}

int main(int argc, char **argv)
{
    const tool::Tool fonttool{"fonttool", usage, usage,
                              {{"make", makeCommand}, {"info", infoCommand}, {"preview", previewCommand}}};
    return tool::runTool(fonttool, argc, argv);
}
