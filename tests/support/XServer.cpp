// XServer: Xvfb is started with -displayfd, so the server itself picks a free display number and announces it
// once it listens; the unix socket is then probed until a connection succeeds. The server dies with the test
// process (parent-death signal), so a crashed test leaves no server behind.
#include "XServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#ifndef ZARVELLO_WMCLOSE
#define ZARVELLO_WMCLOSE "wmclose"
#endif

namespace {

std::uint32_t readCard32(const std::string &bytes, std::size_t offset)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes.data()) + offset;
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Moves a channel's bits to the top of a byte, without repeating them.
std::uint8_t channel(std::uint32_t pixel, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    int bits = 0;
    while ((mask >> (shift + bits)) & 1)
        ++bits;
    std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8)
        return std::uint8_t(value >> (bits - 8));
    return std::uint8_t(value << (8 - bits));
}

std::string quote(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool canConnect(const std::string &display)
{
    std::string socketPath = "/tmp/.X11-unix/X" + display.substr(1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    bool connected = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

}  // namespace

CapturedImage::Pixel CapturedImage::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return Pixel{0, 0, 0};
    std::size_t i = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    return Pixel{rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool parseXwd(const std::string &bytes, CapturedImage &image)
{
    const std::size_t fixedHeader = 100;
    if (bytes.size() < fixedHeader)
        return false;
    std::uint32_t headerSize = readCard32(bytes, 0);
    std::uint32_t version = readCard32(bytes, 4);
    std::uint32_t format = readCard32(bytes, 8);
    std::uint32_t width = readCard32(bytes, 16);
    std::uint32_t height = readCard32(bytes, 20);
    std::uint32_t byteOrder = readCard32(bytes, 28);
    std::uint32_t bitsPerPixel = readCard32(bytes, 44);
    std::uint32_t bytesPerLine = readCard32(bytes, 48);
    std::uint32_t masks[3] = {readCard32(bytes, 56), readCard32(bytes, 60), readCard32(bytes, 64)};
    std::uint32_t colours = readCard32(bytes, 76);
    const int zPixmap = 2;
    if (version != 7 || format != zPixmap || headerSize < fixedHeader || width > 16384 || height > 16384)
        return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return false;
    std::uint64_t bytesPerPixel = bitsPerPixel / 8;
    if (std::uint64_t(bytesPerLine) < bytesPerPixel * width)
        return false;
    std::uint64_t dataStart = std::uint64_t(headerSize) + std::uint64_t(colours) * 12;
    if (dataStart + std::uint64_t(bytesPerLine) * height > bytes.size())
        return false;

    image.width = int(width);
    image.height = int(height);
    image.rgb.assign(std::size_t(width) * height * 3, 0);
    const unsigned char *data = reinterpret_cast<const unsigned char *>(bytes.data()) + dataStart;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char *p = data + std::size_t(y) * bytesPerLine + x * bytesPerPixel;
            std::uint32_t pixel = 0;
            for (std::uint64_t i = 0; i < bytesPerPixel; ++i) {
                // byte order 0 is least significant byte first
                std::uint64_t index = byteOrder == 0 ? bytesPerPixel - 1 - i : i;
                pixel = (pixel << 8) | p[index];
            }
            std::size_t out = (std::size_t(y) * width + x) * 3;
            for (int c = 0; c < 3; ++c)
                image.rgb[out + c] = channel(pixel, masks[c]);
        }
    }
    return true;
}

XServer::XServer(int width, int height) : serverPid(-1)
{
    int announce[2];
    if (pipe(announce) != 0)
        return;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(announce[0]);
        close(announce[1]);
        return;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        close(announce[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::string fd = std::to_string(announce[1]);
        std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char *>(nullptr));
        _exit(127);
    }
    serverPid = pid;
    close(announce[1]);

    std::string number;
    char c;
    while (read(announce[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(announce[0]);
    if (number.empty())
        return;
    std::string display = ":" + number;
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (canConnect(display)) {
            displayName = display;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

XServer::~XServer()
{
    if (serverPid <= 0)
        return;
    kill(serverPid, SIGTERM);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (waitpid(serverPid, nullptr, WNOHANG) == serverPid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(serverPid, SIGKILL);
    waitpid(serverPid, nullptr, 0);
}

std::string XServer::runCommand(const std::string &command, int *status) const
{
    std::string full = "DISPLAY=" + displayName + " " + command;
    std::string output;
    FILE *pipe = popen(full.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return output;
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    int result = pclose(pipe);
    if (status)
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

std::string XServer::findWindow(const std::string &titlePattern, int timeoutMs, pid_t watchedPid) const
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::string found = runCommand("xdotool search --name " + quote(titlePattern) + " 2>/dev/null");
        std::size_t end = found.find('\n');
        if (end != std::string::npos && end > 0)
            return found.substr(0, end);
        if (std::chrono::steady_clock::now() >= deadline)
            return "";
        if (watchedPid > 0 && kill(watchedPid, 0) != 0)
            return "";
        if (watchedPid > 0) {
            int status;
            if (waitpid(watchedPid, &status, WNOHANG | WNOWAIT) == watchedPid)
                return "";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool XServer::sendKey(const std::string &window, const std::string &keyName) const
{
    int status;
    runCommand("xdotool key --window " + quote(window) + " " + quote(keyName) + " 2>/dev/null", &status);
    return status == 0;
}

bool XServer::pressKey(const std::string &window, const std::string &keyName) const
{
    int status;
    runCommand("xdotool keydown --window " + quote(window) + " " + quote(keyName) + " 2>/dev/null", &status);
    return status == 0;
}

bool XServer::releaseKey(const std::string &window, const std::string &keyName) const
{
    int status;
    runCommand("xdotool keyup --window " + quote(window) + " " + quote(keyName) + " 2>/dev/null", &status);
    return status == 0;
}

bool XServer::closeWindow(const std::string &window) const
{
    int status;
    runCommand(quote(ZARVELLO_WMCLOSE) + " " + quote(window), &status);
    return status == 0;
}

bool XServer::captureWindow(const std::string &window, CapturedImage &image) const
{
    int status;
    std::string bytes = runCommand("xwd -silent -id " + quote(window) + " 2>/dev/null", &status);
    return status == 0 && parseXwd(bytes, image);
}

bool XServer::captureRoot(CapturedImage &image) const
{
    int status;
    std::string bytes = runCommand("xwd -silent -root 2>/dev/null", &status);
    return status == 0 && parseXwd(bytes, image);
}
