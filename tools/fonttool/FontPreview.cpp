// fonttool preview: draws a text with the engine's own font code on its 16-bit screen format and writes it as a
// 24-bit TGA image, warning once for each character the engine cannot draw.
// Depends on: the engine's data loader, video, console and fonts; FontFormat; the tools' common library (the
// TGA writer among it); SDL's dummy video driver.
#include "FontCommands.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "ConfigTable.h"
#include "Console.h"
#include "Font.h"
#include "FontFormat.h"
#include "FontManager.h"
#include "NFILoader.h"
#include "TgaWriter.h"
#include "ToolText.h"
#include "Video.h"

namespace {

using tool::failure;
using tool::printable;
using tool::usageError;

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
        if ((c.codePoint >= fontFormat::firstChar && c.codePoint < fontFormat::firstChar + fontFormat::glyphCount) ||
            !warned.insert(key).second)
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

}  // namespace

int previewCommand(const std::vector<std::string> &args)
{
    std::uint8_t ink[3] = {0, 0, 0};
    std::uint8_t background[3] = {255, 255, 255};
    tool::Arguments arguments;
    const std::string problem = readFontArguments(args, {"--ink", "--background"}, 3,
                                                  "preview needs FILE.font \"text\" OUT.tga", arguments);
    if (!problem.empty())
        return usageError(problem);
    // The options are looked at in name order, so that of two wrong colours the same one is named every time.
    for (const char *name : {"--background", "--ink"}) {
        const std::string *value = arguments.value(name);
        if (value && !tool::parseColour(*value, std::string(name) == "--ink" ? ink : background))
            return usageError(std::string(name) + " needs a colour R,G,B of numbers from 0 to 255, or rrggbb");
    }
    const std::vector<std::string> &positional = arguments.operands;
    const std::string &fontPath = positional[0];
    const std::string &text = positional[1];
    std::size_t slash = fontPath.rfind('/');
    std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : fontPath.substr(0, slash));
    std::string dataName = "/" + (slash == std::string::npos ? fontPath : fontPath.substr(slash + 1));
    if (dataName.size() > 255 || directory.size() + dataName.size() > 255)
        return failure("the path '" + printable(fontPath) + "' is too long for the data loader (255 characters)");

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
            error = Console::totalLines() > 0 ? printable(Console::lineAtIndex(Console::totalLines() - 1))
                                              : "cannot load the font";
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
                std::printf("%s: %llu x %llu pixels\n", printable(positional[2]).c_str(),
                            static_cast<unsigned long long>(width),
                            static_cast<unsigned long long>(height));
        }
        FontManager::destroyFontManager();
        delete NFILoader::globalLoader();
    }
    SDL_Quit();
    Console::destroyConsole();
    return status == 0 ? 0 : failure(error);
}
