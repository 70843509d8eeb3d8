// drawartwork: paints the shipped images from a text description (data/artwork.txt) and writes each as a TGA
// 2.0 file below an output directory. Every picture starts as magenta, the engine's transparent colour, so
// whatever is not painted over is see-through where the image is colour-keyed.
// Depends on: the tools' common library (TgaWriter, the colour syntax, whole-file reads), the C++ library.
//
// Description, one command per line, '#' starting a comment; numbers may have fractions:
//   image NAME W H                 start a W x H picture written to OUTDIR/NAME (directories are made)
//   origin X Y                     add (X, Y) to the coordinates of the commands that follow
//   opacity A                      paint what follows at opacity A (0 to 1); starts at 1 for each picture
//   fill PAINT                     the whole picture
//   rect X Y W H PAINT             a rectangle
//   roundrect X Y W H R PAINT      a rectangle with corners of radius R, hard-edged (no blend with magenta)
//   bevel X Y W H LIGHT DARK       a one-pixel frame: LIGHT along the top and left, DARK along bottom and right
//   line X0 Y0 X1 Y1 WIDTH COLOUR  an anti-aliased stroke with round ends
//   ring CX CY RX RY WIDTH COLOUR  an anti-aliased ellipse outline
// A COLOUR is rrggbb in hexadecimal or R,G,B in decimal, as in every tool; a PAINT is a COLOUR, "vgradient C1
// C2 ..." (top to bottom) or "hgradient C1 C2 ..." (left to right), the colours evenly spaced over the shape.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "TgaWriter.h"
#include "ToolFiles.h"
#include "ToolText.h"

namespace {

struct Colour {
    double r, g, b;
};

struct Paint {
    enum Kind { Solid, Vertical, Horizontal } kind = Solid;
    std::vector<Colour> stops;

    // The colour at a fraction t (0 to 1) along the gradient.
    Colour at(double t) const
    {
        if (stops.size() == 1)
            return stops[0];
        t = std::fmin(1.0, std::fmax(0.0, t)) * (stops.size() - 1);
        size_t i = static_cast<size_t>(t);
        if (i >= stops.size() - 1)
            return stops.back();
        double f = t - i;
        const Colour &a = stops[i], &b = stops[i + 1];
        return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
    }
};

struct Failure {
    std::string message;
};

class Picture {
public:
    Picture(const std::string &name, int width, int height)
        : name(name), width(width), height(height), pixels(static_cast<size_t>(width) * height, {255, 0, 255})
    {
    }

    // Mixes colour into pixel (x, y) by coverage times the current opacity.
    void blend(int x, int y, const Colour &colour, double coverage)
    {
        if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0)
            return;
        double a = std::fmin(1.0, coverage) * opacity;
        Colour &p = pixels[static_cast<size_t>(y) * width + x];
        p.r += (colour.r - p.r) * a;
        p.g += (colour.g - p.g) * a;
        p.b += (colour.b - p.b) * a;
    }

    // Fills, by the paint, every pixel whose centre inside(x, y) accepts, within the box that sets the gradient.
    template <typename Inside>
    void fillShape(double bx, double by, double bw, double bh, const Paint &paint, Inside inside)
    {
        for (int y = std::max(0, static_cast<int>(std::floor(by))); y < height && y < by + bh; ++y)
            for (int x = std::max(0, static_cast<int>(std::floor(bx))); x < width && x < bx + bw; ++x) {
                double cx = x + 0.5, cy = y + 0.5;
                if (!inside(cx, cy))
                    continue;
                double t = paint.kind == Paint::Vertical     ? (bh > 1 ? (cy - by - 0.5) / (bh - 1) : 0)
                           : paint.kind == Paint::Horizontal ? (bw > 1 ? (cx - bx - 0.5) / (bw - 1) : 0)
                                                             : 0;
                blend(x, y, paint.at(t), 1.0);
            }
    }

    // Blends colour by an anti-aliased coverage computed from each pixel centre's distance to a curve.
    template <typename Distance>
    void stroke(double x0, double y0, double x1, double y1, double width, const Colour &colour, Distance distance)
    {
        double pad = width / 2 + 1;
        for (int y = static_cast<int>(std::floor(y0 - pad)); y <= y1 + pad; ++y)
            for (int x = static_cast<int>(std::floor(x0 - pad)); x <= x1 + pad; ++x) {
                double d = distance(x + 0.5, y + 0.5);
                blend(x, y, colour, width / 2 - d + 0.5);
            }
    }

    std::string name;
    int width, height;
    std::vector<Colour> pixels;
    double opacity = 1.0;
    double originX = 0, originY = 0;
};

double number(std::istringstream &words, const char *what)
{
    std::string word;
    if (!(words >> word))
        throw Failure{std::string("missing ") + what};
    char *end = nullptr;
    double value = std::strtod(word.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value))
        throw Failure{std::string(what) + " '" + word + "' is not a number"};
    return value;
}

Colour colourFrom(const std::string &word)
{
    std::uint8_t rgb[3];
    if (!tool::parseColour(word, rgb))
        throw Failure{"colour '" + word + "' is not six hexadecimal digits (rrggbb) nor R,G,B with numbers from 0 "
                      "to 255"};
    return {static_cast<double>(rgb[0]), static_cast<double>(rgb[1]), static_cast<double>(rgb[2])};
}

Colour colour(std::istringstream &words)
{
    std::string word;
    if (!(words >> word))
        throw Failure{"missing colour"};
    return colourFrom(word);
}

Paint paint(std::istringstream &words)
{
    std::string word;
    if (!(words >> word))
        throw Failure{"missing paint"};
    Paint result;
    if (word == "vgradient" || word == "hgradient") {
        result.kind = word == "vgradient" ? Paint::Vertical : Paint::Horizontal;
        while (words >> word)
            result.stops.push_back(colourFrom(word));
        if (result.stops.size() < 2)
            throw Failure{"a gradient needs two colours or more"};
    } else {
        result.stops.push_back(colourFrom(word));
    }
    return result;
}

bool makeDirectories(const std::string &path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

void writePicture(const Picture &picture, const std::string &outDir)
{
    std::vector<std::uint8_t> rgb;
    rgb.reserve(picture.pixels.size() * 3);
    for (const Colour &p : picture.pixels) {
        rgb.push_back(static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, p.r)))));
        rgb.push_back(static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, p.g)))));
        rgb.push_back(static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, p.b)))));
    }
    std::string path = outDir + "/" + picture.name;
    if (!makeDirectories(path))
        throw Failure{"cannot make the directories of '" + path + "': " + std::strerror(errno)};
    std::string error;
    if (!writeTga(path, rgb.data(), picture.width, picture.height, 3, TgaWriteOptions(), error))
        throw Failure{error};
}

double segmentDistance(double px, double py, double x0, double y0, double x1, double y1)
{
    double dx = x1 - x0, dy = y1 - y0;
    double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0;
    t = std::fmin(1.0, std::fmax(0.0, t));
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

// Distance from a point to an ellipse outline, to first order (exact for circles).
double ellipseDistance(double px, double py, double cx, double cy, double rx, double ry)
{
    double u = (px - cx) / rx, v = (py - cy) / ry;
    double k = std::hypot(u, v);
    if (k == 0)
        return std::fmin(rx, ry);
    double gradient = std::hypot(u / rx, v / ry) / k;
    return std::fabs(k - 1) / gradient;
}

void command(const std::string &verb, std::istringstream &words, Picture *&picture, std::deque<Picture> &done)
{
    if (verb == "image") {
        std::string name;
        if (!(words >> name))
            throw Failure{"missing image name"};
        double w = number(words, "width"), h = number(words, "height");
        if (w < 1 || h < 1 || w > 4096 || h > 4096 || w != std::floor(w) || h != std::floor(h))
            throw Failure{"an image is 1 to 4096 whole pixels wide and high"};
        done.emplace_back(name, static_cast<int>(w), static_cast<int>(h));
        picture = &done.back();
        return;
    }
    if (!picture)
        throw Failure{"'" + verb + "' before the first 'image'"};
    Picture &p = *picture;
    if (verb == "origin") {
        p.originX = number(words, "x");
        p.originY = number(words, "y");
    } else if (verb == "opacity") {
        p.opacity = number(words, "opacity");
        if (p.opacity < 0 || p.opacity > 1)
            throw Failure{"opacity is from 0 to 1"};
    } else if (verb == "fill") {
        Paint fill = paint(words);
        p.fillShape(0, 0, p.width, p.height, fill, [](double, double) { return true; });
    } else if (verb == "rect") {
        double x = p.originX + number(words, "x"), y = p.originY + number(words, "y");
        double w = number(words, "width"), h = number(words, "height");
        Paint fill = paint(words);
        p.fillShape(x, y, w, h, fill, [](double, double) { return true; });
    } else if (verb == "roundrect") {
        double x = p.originX + number(words, "x"), y = p.originY + number(words, "y");
        double w = number(words, "width"), h = number(words, "height"), r = number(words, "radius");
        Paint fill = paint(words);
        p.fillShape(x, y, w, h, fill, [=](double cx, double cy) {
            double nx = std::fmax(x + r, std::fmin(x + w - r, cx));
            double ny = std::fmax(y + r, std::fmin(y + h - r, cy));
            return std::hypot(cx - nx, cy - ny) <= r;
        });
    } else if (verb == "bevel") {
        int x = static_cast<int>(p.originX + number(words, "x")), y = static_cast<int>(p.originY + number(words, "y"));
        int w = static_cast<int>(number(words, "width")), h = static_cast<int>(number(words, "height"));
        Colour light = colour(words), dark = colour(words);
        for (int i = 0; i < w; ++i) {
            p.blend(x + i, y, i < w - 1 ? light : dark, 1.0);
            p.blend(x + i, y + h - 1, i > 0 ? dark : light, 1.0);
        }
        for (int j = 1; j < h - 1; ++j) {
            p.blend(x, y + j, light, 1.0);
            p.blend(x + w - 1, y + j, dark, 1.0);
        }
    } else if (verb == "line") {
        double x0 = p.originX + number(words, "x0"), y0 = p.originY + number(words, "y0");
        double x1 = p.originX + number(words, "x1"), y1 = p.originY + number(words, "y1");
        double width = number(words, "width");
        Colour ink = colour(words);
        p.stroke(std::fmin(x0, x1), std::fmin(y0, y1), std::fmax(x0, x1), std::fmax(y0, y1), width, ink,
                 [=](double px, double py) { return segmentDistance(px, py, x0, y0, x1, y1); });
    } else if (verb == "ring") {
        double cx = p.originX + number(words, "centre x"), cy = p.originY + number(words, "centre y");
        double rx = number(words, "x radius"), ry = number(words, "y radius"), width = number(words, "width");
        if (rx <= 0 || ry <= 0)
            throw Failure{"a ring's radii are above 0"};
        Colour ink = colour(words);
        p.stroke(cx - rx, cy - ry, cx + rx, cy + ry, width, ink,
                 [=](double px, double py) { return ellipseDistance(px, py, cx, cy, rx, ry); });
    } else {
        throw Failure{"unknown command '" + verb + "'"};
    }
    std::string extra;
    if (words >> extra)
        throw Failure{"unexpected '" + extra + "' after '" + verb + "'"};
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("Usage: drawartwork DESCRIPTION OUTDIR\n"
                    "Paints every image the description describes and writes it as a TGA 2.0 file below OUTDIR.\n");
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "Usage: drawartwork DESCRIPTION OUTDIR\n");
        return 2;
    }
    // A description is a few kilobytes; anything past a mebibyte is not one.
    std::string text;
    std::string reason;
    if (tool::readWholeFile(argv[1], 1 << 20, text, reason) != tool::ReadFailure::None) {
        std::fprintf(stderr, "drawartwork: cannot read '%s': %s\n", tool::printable(argv[1]).c_str(), reason.c_str());
        return 1;
    }
    std::istringstream input(text);
    std::deque<Picture> pictures;  // a deque keeps the current picture in place as others are added
    Picture *current = nullptr;
    std::string line;
    int lineNumber = 0;
    try {
        while (std::getline(input, line)) {
            ++lineNumber;
            size_t hash = line.find('#');
            if (hash != std::string::npos)
                line.erase(hash);
            std::istringstream words(line);
            std::string verb;
            if (!(words >> verb))
                continue;
            command(verb, words, current, pictures);
        }
        lineNumber = 0;
        for (const Picture &picture : pictures)
            writePicture(picture, argv[2]);
    } catch (const Failure &failure) {
        if (lineNumber > 0)
            std::fprintf(stderr, "drawartwork: %s:%d: %s\n", argv[1], lineNumber, failure.message.c_str());
        else
            std::fprintf(stderr, "drawartwork: %s\n", failure.message.c_str());
        return 1;
    }
    return 0;
}
