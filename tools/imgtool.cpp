// imgtool: prepares images for the engine. "convert" turns anything stb_image reads (PNG, BMP, JPEG, TGA,
// ...) into a TGA 2.0 file with footer, which most image editors do not write, and makes see-through pixels the
// key colour, since the engine ignores alpha; "check" loads a file the way the engine loads an image, onto the
// engine's 800 x 600, 16-bit screen format, and says why it would refuse it; "raw" writes headerless RGB and
// the size to pass. Output names must end in the extension by which the engine picks the reader. Every output
// appears only when complete. An input is measured before it is decoded: one larger than the engine's 65535 x
// 65535, or declaring more pixels than its bytes can hold, is refused, and so is one whose pixel data runs out.
// Depends on: the tools' common library (TgaWriter among it), the engine's image loader, data loader, video
// set-up, console and openRegularFile; stb_image (this tool only); SDL's dummy video driver for check.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <SDL.h>
#include <sys/stat.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include "ConfigTable.h"
#include "Console.h"
#include "GraphicSurface.h"
#include "ImageLoader.h"
#include "NFILoader.h"
#include "CommandLine.h"
#include "TgaWriter.h"
#include "ToolFiles.h"
#include "ToolText.h"
#include "Utility.h"
#include "Video.h"

namespace {

const char *const usage =
    "Usage:\n"
    "  imgtool convert IN OUT.tga [--rle] [--bottom-up] [--keep-alpha]\n"
    "      Reads IN (PNG, BMP, JPEG, TGA, GIF, PSD, PNM, ...) and writes a 24-bit TGA 2.0 file with footer that\n"
    "      the engine loads. The engine ignores alpha: where IN has an alpha channel, every pixel with alpha\n"
    "      below 128 becomes the key colour 255,0,255 (magenta, transparent where the engine uses the key:\n"
    "      fonts and skin parts marked transparent) and every other pixel keeps its colour. A warning counts\n"
    "      the opaque pixels that already show as 255,0,255 on the 16-bit display (red and blue 248 to 255,\n"
    "      green 0 to 3), since they turn transparent too. --keep-alpha writes a 32-bit file with the alpha\n"
    "      channel instead, which the engine loads as if it had none. --rle writes run-length encoded data;\n"
    "      --bottom-up stores the bottom row first.\n"
    "  imgtool check FILE.tga\n"
    "      Loads FILE.tga as the engine loads an image, onto its 800 x 600, 16-bit screen format, and says\n"
    "      whether the engine loads it, and if not why.\n"
    "  imgtool raw IN OUT.raw\n"
    "      Writes the pixels of IN as headerless RGB and prints the width and height to load it with.\n"
    "  imgtool --help | --version\n"
    "      Shows this text.\n"
    "The engine picks the reader by the last extension of the name, exactly \".tga\" or \".raw\" in lower case;\n"
    "convert and raw refuse any other output name.\n"
    "Exit code: 0 on success, 1 when a file cannot be read, written or loaded, 2 for a wrong command line.\n";

using tool::printable;
using tool::usageError;

// The engine loads an image only under a name whose last extension selects the reader of its format.
std::string outputNameError(const std::string &path, ImageType type)
{
    if (typeOfImage(path.c_str()) == type)
        return "";
    const char *extension = type == IMG_TGA ? ".tga" : ".raw";
    return "the engine would not load '" + path + "' as " + (type == IMG_TGA ? "a TGA" : "a RAW") +
           " image: its name must end in \"" + extension + "\" (lower case)";
}

// The image's pixels, top row first; channels 3 (RGB) or 4 (RGBA), grey expanded to RGB.
struct LoadedImage {
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;
};

// The most pixels one byte of an image file can stand for: deflate packs at most 1032 bytes into one, and a
// byte holds up to eight 1-bit pixels. Every other format stb_image reads packs less.
const unsigned long long pixelsPerByte = 8 * 1032;

// stb_image reads the file through these, so that the tool knows whether a decoder asked for bytes past the
// end: stb_image then quietly goes on with zero bytes, and the image is damaged.
struct InputStream {
    FILE *file;
    bool ranOut;
};

int readInput(void *user, char *data, int size)
{
    InputStream *input = static_cast<InputStream *>(user);
    const size_t got = std::fread(data, 1, static_cast<size_t>(size), input->file);
    if (got == 0 && size > 0)
        input->ranOut = true;
    return static_cast<int>(got);
}

void skipInput(void *user, int count)
{
    InputStream *input = static_cast<InputStream *>(user);
    std::fseek(input->file, count, SEEK_CUR);
}

int inputAtEnd(void *user)
{
    InputStream *input = static_cast<InputStream *>(user);
    const int c = std::fgetc(input->file);
    if (c == EOF)
        return 1;
    std::ungetc(c, input->file);
    return 0;
}

bool loadInput(const char *path, bool keepAlpha, LoadedImage &image)
{
    const std::string shown = printable(path);
    int width = 0;
    int height = 0;
    int components = 0;
    // Only a regular file is read: a FIFO or terminal given as the input never holds the tool up.
    FILE *file = openRegularFile(path, "rb");
    if (!file) {
        std::fprintf(stderr, "imgtool: cannot read '%s': %s\n", shown.c_str(), openFailureReason(errno));
        return false;
    }
    struct stat status;
    const unsigned long long fileSize =
        fstat(fileno(file), &status) == 0 ? static_cast<unsigned long long>(status.st_size) : 0;
    const stbi_io_callbacks callbacks = {readInput, skipInput, inputAtEnd};
    InputStream input = {file, false};
    if (!stbi_info_from_callbacks(&callbacks, &input, &width, &height, &components)) {
        std::fprintf(stderr, "imgtool: cannot read '%s': %s\n", shown.c_str(), stbi_failure_reason());
        std::fclose(file);
        return false;
    }
    // The size the header declares decides before anything is decoded.
    if (width > 0xFFFF || height > 0xFFFF) {
        std::fprintf(stderr, "imgtool: '%s' is %d x %d pixels; the engine's images are at most 65535 x 65535\n",
                     shown.c_str(), width, height);
        std::fclose(file);
        return false;
    }
    const unsigned long long pixels = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    if (pixels > fileSize * pixelsPerByte) {
        std::fprintf(stderr,
                     "imgtool: '%s' is damaged: it declares %d x %d pixels, more than its %llu bytes can hold\n",
                     shown.c_str(), width, height, fileSize);
        std::fclose(file);
        return false;
    }
    const int wanted = keepAlpha && (components == 2 || components == 4) ? 4 : 3;
    std::rewind(file);
    input.ranOut = false;
    unsigned char *data = stbi_load_from_callbacks(&callbacks, &input, &width, &height, &components, wanted);
    std::fclose(file);
    if (!data) {
        std::fprintf(stderr, "imgtool: cannot read '%s': %s\n", shown.c_str(), stbi_failure_reason());
        return false;
    }
    if (input.ranOut) {
        std::fprintf(stderr, "imgtool: '%s' is damaged: its pixel data is missing or cut short\n", shown.c_str());
        stbi_image_free(data);
        return false;
    }
    image.width = static_cast<unsigned>(width);
    image.height = static_cast<unsigned>(height);
    image.channels = static_cast<unsigned>(wanted);
    try {
        image.pixels.assign(data, data + static_cast<size_t>(image.width) * image.height * image.channels);
    } catch (...) {
        stbi_image_free(data);
        throw;
    }
    stbi_image_free(data);
    return true;
}

const unsigned char keyColour[3] = {255, 0, 255};
const unsigned char opaqueAlpha = 128;

// Whether the usual 5-6-5 display keeps the pixel as the key colour's own 16-bit value: it keeps the top 5 bits
// of red and blue and the top 6 of green, and the colour key is compared after that.
bool showsAsKeyColour(const unsigned char *rgb)
{
    return rgb[0] >> 3 == keyColour[0] >> 3 && rgb[1] >> 2 == keyColour[1] >> 2 && rgb[2] >> 3 == keyColour[2] >> 3;
}

struct Keying {
    unsigned long long seeThrough = 0;    // pixels that became the key colour
    unsigned long long alreadyKey = 0;    // opaque pixels that show as the key colour already
};

// Drops the alpha channel of RGBA pixels: a pixel with alpha below 128 becomes the key colour, any other
// keeps its colour.
Keying keyTransparency(LoadedImage &image)
{
    Keying keying;
    const size_t count = static_cast<size_t>(image.width) * image.height;
    std::vector<unsigned char> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char *in = &image.pixels[i * 4];
        unsigned char *out = &rgb[i * 3];
        if (in[3] < opaqueAlpha) {
            std::memcpy(out, keyColour, 3);
            ++keying.seeThrough;
        } else {
            std::memcpy(out, in, 3);
            keying.alreadyKey += showsAsKeyColour(in);
        }
    }
    image.pixels.swap(rgb);
    image.channels = 3;
    return keying;
}

int convertCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const std::string problem =
        tool::readCommandLine(args, {"--rle", "--bottom-up", "--keep-alpha"}, tool::OptionStyle::Dash, "", 2,
                              "convert takes an input file and an output file", arguments);
    if (!problem.empty())
        return usageError(problem);
    const std::string &input = arguments.operands[0];
    const std::string &output = arguments.operands[1];
    const std::string badName = outputNameError(output, IMG_TGA);
    if (!badName.empty())
        return usageError(badName);
    TgaWriteOptions options;
    options.runLength = arguments.has("--rle");
    options.bottomUp = arguments.has("--bottom-up");

    LoadedImage image;
    if (!loadInput(input.c_str(), true, image))
        return 1;
    const bool keyed = image.channels == 4 && !arguments.has("--keep-alpha");
    Keying keying;
    if (keyed)
        keying = keyTransparency(image);
    std::string error;
    if (!writeTga(output, image.pixels.data(), image.width, image.height, image.channels, options, error)) {
        std::fprintf(stderr, "imgtool: %s\n", printable(error).c_str());
        return 1;
    }
    if (keying.alreadyKey > 0)
        std::fprintf(stderr,
                     "imgtool: warning: %llu opaque pixel%s of '%s' already %s the key colour 255,0,255, or one that "
                     "the 16-bit display shows as it (red and blue 248 to 255, green 0 to 3), and will be "
                     "transparent wherever the key colour is\n",
                     keying.alreadyKey, keying.alreadyKey == 1 ? "" : "s", printable(input).c_str(),
                     keying.alreadyKey == 1 ? "has" : "have");
    std::printf("%s: %u x %u, %u-bit, %s, %s", printable(output).c_str(), image.width, image.height, image.channels * 8,
                options.runLength ? "run-length encoded" : "uncompressed",
                options.bottomUp ? "bottom row first" : "top row first");
    if (keyed)
        std::printf(", %llu see-through pixel%s made 255,0,255", keying.seeThrough, keying.seeThrough == 1 ? "" : "s");
    std::printf("\n");
    return 0;
}

// The engine's reason for refusing dataName, from the console line the failed load wrote, without the function
// and file names around it.
std::string refusalReason(const std::string &line, const std::string &dataName)
{
    auto after = [&](const std::string &prefix, std::string &rest) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            return false;
        rest = line.substr(prefix.size());
        return true;
    };
    std::string rest;
    if (after("tgaImageFromFile ('" + dataName + "'): ", rest))
        return rest;
    if (after("dataForFilename ('" + dataName + "'): ", rest))
        return rest + " (the engine reads names ending in \".tga\" or \".raw\")";
    if (after("Unable to create surface for '" + dataName + "': ", rest))
        return "Unable to create surface: " + rest;
    return line;
}

// The engine reads data files by data name below a data path: the file's directory becomes the data path and
// "/" plus its file name the data name. The image is loaded onto the engine's own screen format, so a file
// that the reader accepts but no surface can hold is refused here as in the game.
int checkCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const std::string problem =
        tool::readCommandLine(args, {}, tool::OptionStyle::Dash, "", 1, "check takes one file", arguments);
    if (!problem.empty())
        return usageError(problem);
    const std::string &path = arguments.operands[0];
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string dataName = "/" + (slash == std::string::npos ? path : path.substr(slash + 1));

    // The console's echo and log file would mix the engine's own lines into the answer.
    displayConsole = SDL_FALSE;
    logConsole = SDL_FALSE;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    NFILoader::globalLoader()->addDataPath(directory == "/" ? "" : directory.c_str());

    int result = 1;
    if (SDL_Init(SDL_INIT_TIMER) < 0 || initializeVideo() != SDL_TRUE) {
        std::fprintf(stderr, "imgtool: cannot open the engine's screen to load images onto: %s\n", SDL_GetError());
    } else {
        const Sint32 firstLine = Console::totalLines();
        GraphicSurface *image = loadImage(dataName.c_str(), 0, 0);
        if (image) {
            std::printf("%s: the engine loads it, %d x %d pixels\n", printable(path).c_str(), image->width(),
                        image->height());
            image->retain();
            image->release();
            result = 0;
        } else {
            const Sint32 lines = Console::totalLines();
            const std::string reason =
                lines > firstLine ? refusalReason(Console::lineAtIndex(lines - 1), dataName) : "unknown reason";
            std::printf("%s: the engine will not load it: %s\n", printable(path).c_str(), printable(reason).c_str());
        }
    }
    shutdownVideo();
    SDL_Quit();
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    return result;
}

int rawCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const std::string problem = tool::readCommandLine(args, {}, tool::OptionStyle::Dash, "", 2,
                                                      "raw takes an input file and an output file", arguments);
    if (!problem.empty())
        return usageError(problem);
    const std::string &output = arguments.operands[1];
    const std::string badName = outputNameError(output, IMG_RAW);
    if (!badName.empty())
        return usageError(badName);
    LoadedImage image;
    if (!loadInput(arguments.operands[0].c_str(), false, image))
        return 1;
    tool::OutputFile file;
    if (!file.open(output) || !file.write(image.pixels.data(), image.pixels.size()) || !file.commit()) {
        std::fprintf(stderr, "imgtool: cannot write '%s': %s\n", printable(output).c_str(), file.reason().c_str());
        return 1;
    }
    std::printf("%s: width %u, height %u\n", printable(output).c_str(), image.width, image.height);
    return 0;
}

const std::string helpText = std::string("imgtool: prepares images for the Zarvello engine.\n") + usage;

int helpCommand(const std::vector<std::string> &)
{
    std::fputs(helpText.c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const tool::Tool imgtool{"imgtool", usage, helpText,
                             {{"convert", convertCommand},
                              {"check", checkCommand},
                              {"raw", rawCommand},
                              {"help", helpCommand}}};
    return tool::runTool(imgtool, argc, argv);
}
