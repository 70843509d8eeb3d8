// RunDirectory: a temporary run directory for whole-program tests. It holds a copy of the program (a copy, not a
// link, because the program resolves links to find its run directory), a data/ directory holding the shipped
// data archives of the build tree (the skin among them) and whatever the test writes; run() starts the program
// there with the dummy video driver, captures its standard error and standard output, and kills it when it
// overruns its time. The whole tree is removed on destruction.
// Depends on: POSIX (fork, exec, waitpid); nothing of the engine.
#ifndef ZARVELLO_RUNDIRECTORY_H
#define ZARVELLO_RUNDIRECTORY_H

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct RunResult {
    int exitCode;               // the program's exit code; 128 + signal number when a signal ended it
    std::string standardError;  // everything written to standard error
    bool timedOut;              // killed after overrunning its time
    std::string standardOutput;
    int signal;                 // the signal that ended the program, 0 when it exited

    // Whether standard error holds a line that equals line exactly.
    bool hasLine(const std::string &line) const;
    // How many lines of standard error equal line exactly.
    int lineCount(const std::string &line) const;
    // Whether standard error contains text anywhere.
    bool contains(const std::string &text) const;
    // Standard error split into lines (a final line without "\n" counts too).
    std::vector<std::string> lines() const;
};

// Splits text at "\n"; "a\n" gives {"a"}, "a\n\n" gives {"a", ""}.
std::vector<std::string> splitLines(const std::string &text);
int countLines(const std::string &text, const std::string &line);

// What a forked child of the test program did: the text its body returned, its standard error and exit code.
struct ChildResult {
    int exitCode;  // 0 when the body returned; 128 + signal number when a signal ended the child
    std::string output;
    std::string standardError;
    bool timedOut;
};

// Runs body in a forked copy of the test process (for code that caches process-wide state, such as the run
// directory) and returns what it returned. The child's standard error is captured; the child ends with _exit,
// so nothing it does reaches the test process.
ChildResult runInChild(const std::function<std::string()> &body, int timeoutSeconds = 30);

class RunDirectory {
public:
    // A fresh run directory holding a copy of the built program.
    RunDirectory();
    // The same with another program.
    explicit RunDirectory(const std::string &programPath);
    // The same, with the run directory's absolute path exactly pathLength characters long (made of nested
    // directories), for tests of long paths. pathLength must exceed the length of the temporary base by 16.
    RunDirectory(const std::string &programPath, std::size_t pathLength);
    ~RunDirectory();

    RunDirectory(const RunDirectory &) = delete;
    RunDirectory &operator=(const RunDirectory &) = delete;

    // Absolute path of the run directory (no trailing "/").
    const std::string &path() const;
    // Absolute path of the program's copy in the run directory.
    std::string programPath() const;
    // The program's file name in the run directory ("zarvello").
    const std::string &programName() const { return programFile; }

    // Writes zarvello.conf.
    void writeConfig(const std::string &script);
    // Writes a file relative to the run directory ("data/gfx/x.tga"), creating its parent directories.
    void writeFile(const std::string &relativePath, const std::string &bytes);
    void copyFile(const std::string &from, const std::string &relativePath);
    // The file's bytes, "" when it is missing.
    std::string readFile(const std::string &relativePath) const;
    bool exists(const std::string &relativePath) const;
    void removeFile(const std::string &relativePath);
    void makeDirectory(const std::string &relativePath);
    // Makes a FIFO (named pipe) that nothing writes to, creating its parent directories.
    void makeFifo(const std::string &relativePath);
    // Makes a symbolic link to target, creating its parent directories.
    void makeLink(const std::string &target, const std::string &relativePath);

    // Copies the shipped data archives (data/*.nfi of the build tree) into data/. Every constructor does this,
    // because the program does not start without its skin; emptyDataDirectory() leaves data/ empty again for
    // tests that want only what they write there.
    void addShippedData();
    void emptyDataDirectory();

    // Environment of the child only. SDL_VIDEODRIVER and SDL_AUDIODRIVER are "dummy" unless set here (or
    // DISPLAY is set here, which leaves the video driver to SDL). Everything else, ASAN_OPTIONS included, is
    // inherited unless set or unset here.
    void setEnv(const std::string &name, const std::string &value);
    void unsetEnv(const std::string &name);

    // In a sanitizer build, tells the leak checker of the child to ignore what the X library and SDL keep
    // allocated for good (the program reports its own leaks as "Memory Leak!"). Writes lsan.supp into the run
    // directory and adds it to the inherited LSAN_OPTIONS.
    void ignoreSystemLibraryLeaks();

    // argv[0] given to the program; "./<program name>" by default (the program starts in the run directory).
    void setArgv0(const std::string &argv0);
    // Working directory of the child; the run directory by default.
    void setWorkingDirectory(const std::string &directory);

    // The child's standard input: /dev/null (the default), a pipe nothing writes to, or a terminal nobody types at.
    enum class StandardInput { Null, IdlePipe, IdleTerminal };
    void setStandardInput(StandardInput input);

    // The child's soft and hard limits on open files, set before the program starts (inherited by default).
    void setOpenFileLimits(unsigned long long soft, unsigned long long hard);

    // Runs the program to its end (or kills it after timeoutSeconds) and returns what it did.
    RunResult run(const std::vector<std::string> &args = {}, int timeoutSeconds = 30);

    // Starts the program in the background; finish with wait(). standardErrorSoFar() shows what it has written.
    pid_t start(const std::vector<std::string> &args = {});
    RunResult wait(pid_t pid, int timeoutSeconds = 30);
    std::string standardErrorSoFar(pid_t pid) const;

private:
    void create(const std::string &programPath, std::size_t pathLength);
    std::string captureFile(pid_t pid, const char *stream) const;

    std::string base;  // temporary tree: the run directory and the capture files
    std::string runPath;
    std::string programFile;
    std::string argv0;
    std::string workingDirectory;
    std::map<std::string, std::string> environment;
    std::vector<std::string> unsetNames;
    std::map<pid_t, int> started;  // pid -> sequence number of its capture files
    int nextCapture;
    StandardInput standardInput = StandardInput::Null;
    std::map<pid_t, int> inputFeeds;  // pid -> the test's end of the child's idle pipe or terminal
    bool limitOpenFiles = false;
    unsigned long long openFilesSoft = 0;
    unsigned long long openFilesHard = 0;
};

#endif
