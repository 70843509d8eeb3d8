// XServer: a private Xvfb for tests that need a real window. It picks a free display number itself, waits
// until the server accepts connections, and stops it on destruction. It finds windows by title, sends keys,
// asks a window to close the way a window manager does (WM_DELETE_WINDOW), and captures pixels as RGB.
// Depends on: the programs Xvfb, xdotool and xwd, and the test tool wmclose; nothing of the engine.
#ifndef ZARVELLO_XSERVER_H
#define ZARVELLO_XSERVER_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// Pixels read back from the server, 8 bits per channel. A channel narrower than 8 bits on the server comes
// back shifted to the top without repeating its bits (5-bit red r reads as r << 3).
struct CapturedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom

    struct Pixel {
        std::uint8_t r, g, b;
        bool operator==(const Pixel &other) const { return r == other.r && g == other.g && b == other.b; }
    };
    Pixel at(int x, int y) const;
};

// Parses an XWD file (the output of xwd) into RGB. False when the bytes are not a complete ZPixmap image of
// 8, 16, 24 or 32 bits per pixel.
bool parseXwd(const std::string &bytes, CapturedImage &image);

class XServer {
public:
    // Starts Xvfb with one screen of width x height at 24-bit depth, without TCP and without resetting
    // between clients. Check running() afterwards.
    XServer(int width = 1024, int height = 768);
    ~XServer();

    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool running() const { return serverPid > 0 && !displayName.empty(); }
    // ":N", the value for DISPLAY.
    const std::string &display() const { return displayName; }

    // The first window whose title matches the regular expression (xdotool search --name), waiting up to
    // timeoutMs for it to appear. "" when none appeared. A non-zero pid stops the wait early when that
    // process has exited.
    std::string findWindow(const std::string &titlePattern, int timeoutMs = 15000, pid_t watchedPid = 0) const;

    // Key actions through xdotool: key (press and release), keydown, keyup, with xdotool's key names
    // ("Escape", "q"). True when xdotool succeeded.
    bool sendKey(const std::string &window, const std::string &keyName) const;
    bool pressKey(const std::string &window, const std::string &keyName) const;
    bool releaseKey(const std::string &window, const std::string &keyName) const;

    // Sends WM_DELETE_WINDOW to the window, as a window manager's close button does.
    bool closeWindow(const std::string &window) const;

    // Captures the window's or the whole screen's pixels.
    bool captureWindow(const std::string &window, CapturedImage &image) const;
    bool captureRoot(CapturedImage &image) const;

    // Runs a shell command with DISPLAY set to this server; returns its standard output, exit status in
    // status (when not null).
    std::string runCommand(const std::string &command, int *status = nullptr) const;

private:
    pid_t serverPid;
    std::string displayName;
};

#endif
