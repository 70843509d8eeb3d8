// BenchSupport: what every benchmark program needs around the measured code: the 800 x 600 x 16 screen on
// SDL's dummy driver (opened the engine's way, so engine and peers draw into the same surface), a scratch
// directory that removes itself, running the project's data tools, and a check that stops a benchmark whose
// contenders disagree about the result.
// Depends on: Video (`screen`), ConfigTable (`displayConsole`), SDL, POSIX.
#ifndef ZARVELLO_BENCH_BENCHSUPPORT_H
#define ZARVELLO_BENCH_BENCHSUPPORT_H

#include <string>
#include <vector>

// Turns off the console's echo on standard error, which would mix with the benchmark's own output, and its
// log file, which would land in the current directory.
void silenceConsole();

// Opens the engine's display on the dummy video driver once per process and silences the console echo;
// exits the process with a message when SDL refuses.
void openBenchScreen();

// A fresh directory below $TMPDIR (or /tmp), removed with everything in it on destruction.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char *purpose);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    const std::string &path() const { return dirPath; }

private:
    std::string dirPath;
};

// Runs a program with arguments (stdout to /dev/null) in workingDirectory ("" for the current one) and exits
// the process with a message unless it succeeds.
void runOrDie(const std::vector<std::string> &command, const std::string &workingDirectory = "");

// Writes bytes to path, creating missing parent directories; exits the process with a message on failure.
void writeFileOrDie(const std::string &path, const void *bytes, size_t size);

// Stops the process with a message: a benchmark whose contenders do not produce the same result measures
// nothing worth reporting.
[[noreturn]] void benchFailure(const std::string &message);

// The whole of a benchmark program's main: Google Benchmark's options, then prepare (which makes the data,
// checks the contenders agree and registers the cases), the run, and finish (which frees what prepare made).
// Returns main's exit code: 1 for an option Google Benchmark does not know.
int runBenchmarkProgram(int argc, char **argv, void (*prepare)(), void (*finish)());

#endif
