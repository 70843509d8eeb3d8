// imgtool: prepares images for the engine. "convert" turns anything stb_image reads (PNG, BMP, JPEG, TGA,
// ...) into a TGA 2.0 file with footer, which most image editors do not write; "check" runs the engine's own
// TGA reader on a file and says why it would refuse it; "raw" writes headerless RGB and the size to pass.
// Depends on: TgaWriter, the engine's TGA reader, data loader and openRegularFile, stb_image (this tool only).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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
#include "NFILoader.h"
#include "TgaLoader.h"
#include "TgaWriter.h"
#include "Utility.h"

namespace {

const char *const usage =
    "Usage:\n"
    "  imgtool convert IN OUT.tga [--rle] [--bottom-up]\n"
    "      Reads IN (PNG, BMP, JPEG, TGA, GIF, PSD, PNM, ...) and writes a TGA 2.0 file with footer that the\n"
    "      engine loads: 24-bit, or 32-bit when IN has an alpha channel. --rle writes run-length encoded\n"
    "      data; --bottom-up stores the bottom row first.\n"
    "  imgtool check FILE.tga\n"
    "      Reads FILE.tga with the engine's own reader and says whether the engine loads it, and if not why.\n"
    "  imgtool raw IN OUT.raw\n"
    "      Writes the pixels of IN as headerless RGB and prints the width and height to load it with.\n"
    "  imgtool --help\n"
    "      Shows this text.\n"
    "Exit code: 0 on success, 1 when a file cannot be read, written or loaded, 2 for a wrong command line.\n";

int usageError(const char *message)
{
    std::fprintf(stderr, "imgtool: %s\n%s", message, usage);
    return 2;
}

// The image's pixels, top row first; channels 3 (RGB) or 4 (RGBA), grey expanded to RGB.
struct LoadedImage {
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;
};

bool loadInput(const char *path, bool keepAlpha, LoadedImage &image)
{
    int width = 0;
    int height = 0;
    int components = 0;
    // Only a regular file is read: a FIFO or terminal given as the input never holds the tool up.
    FILE *file = openRegularFile(path, "rb");
    if (!file) {
        std::fprintf(stderr, "imgtool: cannot read '%s': %s\n", path, openFailureReason(errno));
        return false;
    }
    if (!stbi_info_from_file(file, &width, &height, &components)) {
        std::fprintf(stderr, "imgtool: cannot read '%s': %s\n", path, stbi_failure_reason());
        std::fclose(file);
        return false;
    }
    const int wanted = keepAlpha && (components == 2 || components == 4) ? 4 : 3;
    unsigned char *data = stbi_load_from_file(file, &width, &height, &components, wanted);
    std::fclose(file);
    if (!data) {
        std::fprintf(stderr, "imgtool: cannot read '%s': %s\n", path, stbi_failure_reason());
        return false;
    }
    if (width > 0xFFFF || height > 0xFFFF) {
        std::fprintf(stderr, "imgtool: '%s' is %d x %d pixels; the engine's images are at most 65535 x 65535\n",
                     path, width, height);
        stbi_image_free(data);
        return false;
    }
    image.width = static_cast<unsigned>(width);
    image.height = static_cast<unsigned>(height);
    image.channels = static_cast<unsigned>(wanted);
    image.pixels.assign(data, data + static_cast<size_t>(image.width) * image.height * image.channels);
    stbi_image_free(data);
    return true;
}

int convertCommand(int argc, char **argv)
{
    std::vector<const char *> files;
    TgaWriteOptions options;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rle") == 0)
            options.runLength = true;
        else if (std::strcmp(argv[i], "--bottom-up") == 0)
            options.bottomUp = true;
        else if (argv[i][0] == '-' && argv[i][1] == '-')
            return usageError((std::string("unknown switch '") + argv[i] + "'").c_str());
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 2)
        return usageError("convert takes an input file and an output file");

    LoadedImage image;
    if (!loadInput(files[0], true, image))
        return 1;
    std::string error;
    if (!writeTga(files[1], image.pixels.data(), image.width, image.height, image.channels, options, error)) {
        std::fprintf(stderr, "imgtool: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %u x %u, %u-bit, %s, %s\n", files[1], image.width, image.height, image.channels * 8,
                options.runLength ? "run-length encoded" : "uncompressed",
                options.bottomUp ? "bottom row first" : "top row first");
    return 0;
}

// The engine reads data files by data name below a data path: the file's directory becomes the data path and
// "/" plus its file name the data name.
int checkCommand(int argc, char **argv)
{
    if (argc != 3)
        return usageError("check takes one file");
    const std::string path = argv[2];
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string dataName = "/" + (slash == std::string::npos ? path : path.substr(slash + 1));

    // The console's echo and log file would mix the loader's own lines into the answer.
    displayConsole = SDL_FALSE;
    logConsole = SDL_FALSE;
    NFILoader::globalLoader()->addDataPath(directory == "/" ? "" : directory.c_str());
    const Sint32 firstLine = Console::totalLines();

    Uint16 width = 0;
    Uint16 height = 0;
    Uint8 *pixels = targaImageFromFile(dataName.c_str(), width, height);
    int result = 0;
    if (pixels) {
        std::printf("%s: the engine loads it, %d x %d pixels\n", path.c_str(), width, height);
        delete[] pixels;
    } else {
        // The reader's message is "tgaImageFromFile ('<data name>'): <reason>".
        const std::string prefix = "tgaImageFromFile ('" + dataName + "'): ";
        std::string reason = "unknown reason";
        for (Sint32 i = Console::totalLines() - 1; i >= firstLine; --i) {
            const std::string line = Console::lineAtIndex(i);
            if (line.compare(0, prefix.size(), prefix) == 0) {
                reason = line.substr(prefix.size());
                break;
            }
        }
        std::printf("%s: the engine will not load it: %s\n", path.c_str(), reason.c_str());
        result = 1;
    }
    delete NFILoader::globalLoader();
    Console::destroyConsole();
    return result;
}

int rawCommand(int argc, char **argv)
{
    if (argc != 4)
        return usageError("raw takes an input file and an output file");
    LoadedImage image;
    if (!loadInput(argv[2], false, image))
        return 1;
    FILE *file = openRegularFile(argv[3], "wb");
    if (!file) {
        std::fprintf(stderr, "imgtool: cannot write '%s': %s\n", argv[3], openFailureReason(errno));
        return 1;
    }
    const bool written = std::fwrite(image.pixels.data(), 1, image.pixels.size(), file) == image.pixels.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "imgtool: cannot write '%s'\n", argv[3]);
        return 1;
    }
    std::printf("%s: width %u, height %u\n", argv[3], image.width, image.height);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usageError("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::printf("imgtool: prepares images for the Zarvello engine.\n%s", usage);
        return 0;
    }
    if (command == "convert")
        return convertCommand(argc, argv);
    if (command == "check")
        return checkCommand(argc, argv);
    if (command == "raw")
        return rawCommand(argc, argv);
    return usageError(("unknown command '" + command + "'").c_str());
}
