// RunDirectory: the child's standard error and output go to files beside (not inside) the run directory, so a
// chatty program can never block on a full pipe and a background run can be inspected while it runs. The child
// leads its own process group, so a timeout kills it together with anything it started.
#include "RunDirectory.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef ZARVELLO_PROGRAM
#define ZARVELLO_PROGRAM "zarvello"
#endif

extern char **environ;

namespace fs = std::filesystem;

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, newline - start));
        start = newline + 1;
    }
    return lines;
}

int countLines(const std::string &text, const std::string &line)
{
    int count = 0;
    for (const std::string &l : splitLines(text))
        if (l == line)
            ++count;
    return count;
}

bool RunResult::hasLine(const std::string &line) const
{
    return countLines(standardError, line) > 0;
}

int RunResult::lineCount(const std::string &line) const
{
    return countLines(standardError, line);
}

bool RunResult::contains(const std::string &text) const
{
    return standardError.find(text) != std::string::npos;
}

std::vector<std::string> RunResult::lines() const
{
    return splitLines(standardError);
}

namespace {

std::string temporaryRoot()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string root = tmp && *tmp ? tmp : "/tmp";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

std::string slurp(const std::string &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return "";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error("RunDirectory: " + what + ": " + std::strerror(errno));
}

}  // namespace

namespace {

std::string makeTemporaryDirectory(const std::string &prefix)
{
    std::string pattern = temporaryRoot() + "/" + prefix + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        fail("cannot create a temporary directory under " + temporaryRoot());
    return buffer.data();
}

// Waits for pid until the deadline, then kills its process group. Returns the wait status.
int waitOrKill(pid_t pid, int timeoutSeconds, bool &timedOut)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    timedOut = false;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            fail("waitpid");
        if (std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Whatever the child left behind in its group goes too.
    kill(-pid, SIGKILL);
    return status;
}

int exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

ChildResult runInChild(const std::function<std::string()> &body, int timeoutSeconds)
{
    std::string directory = makeTemporaryDirectory("zarvello-child");
    std::string outName = directory + "/output";
    std::string errName = directory + "/stderr";
    int errFd = open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (errFd < 0)
        fail("cannot create " + errName);
    std::fflush(nullptr);

    pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        setpgid(0, 0);
        dup2(errFd, 2);
        std::string output = body();
        std::fflush(nullptr);
        int outFd = open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (outFd < 0)
            _exit(125);
        std::size_t written = 0;
        while (written < output.size()) {
            ssize_t n = write(outFd, output.data() + written, output.size() - written);
            if (n <= 0)
                _exit(125);
            written += static_cast<std::size_t>(n);
        }
        close(outFd);
        _exit(0);
    }
    setpgid(pid, pid);
    close(errFd);
    ChildResult result{-1, "", "", false};
    int status = waitOrKill(pid, timeoutSeconds, result.timedOut);
    result.exitCode = exitCodeOf(status);
    result.output = slurp(outName);
    result.standardError = slurp(errName);
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    return result;
}

RunDirectory::RunDirectory() : nextCapture(0)
{
    create(ZARVELLO_PROGRAM, 0);
}

RunDirectory::RunDirectory(const std::string &programPath) : nextCapture(0)
{
    create(programPath, 0);
}

RunDirectory::RunDirectory(const std::string &programPath, std::size_t pathLength) : nextCapture(0)
{
    create(programPath, pathLength);
}

void RunDirectory::create(const std::string &program, std::size_t pathLength)
{
    base = makeTemporaryDirectory("zarvello-run");

    runPath = base + "/run";
    if (pathLength > 0) {
        // Nested directories of at most 100 characters each (a single name may not exceed 255), the last one
        // padded so that the whole path has exactly the length asked for.
        if (pathLength < base.size() + 16)
            throw std::runtime_error("RunDirectory: path length too short for " + base);
        runPath = base;
        while (pathLength - runPath.size() > 102)
            runPath += "/" + std::string(100, 'd');
        runPath += "/" + std::string(pathLength - runPath.size() - 1, 'r');
    }
    fs::create_directories(runPath);
    fs::create_directories(runPath + "/data");

    programFile = fs::path(program).filename().string();
    fs::copy_file(program, programPath(), fs::copy_options::overwrite_existing);
    fs::permissions(programPath(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    argv0 = "./" + programFile;
    workingDirectory = runPath;
    addShippedData();
}

void RunDirectory::addShippedData()
{
    std::error_code ignored;
    for (fs::directory_iterator entry(fs::path(ZARVELLO_BUILD_DIR) / "data", ignored), end; entry != end;
         entry.increment(ignored))
        if (entry->path().extension() == ".nfi")
            copyFile(entry->path().string(), "data/" + entry->path().filename().string());
}

void RunDirectory::emptyDataDirectory()
{
    removeFile("data");
    makeDirectory("data");
}

RunDirectory::~RunDirectory()
{
    for (const auto &child : started) {
        kill(-child.first, SIGKILL);
        kill(child.first, SIGKILL);
        int status;
        waitpid(child.first, &status, 0);
    }
    for (const auto &feed : inputFeeds)
        close(feed.second);
    std::error_code ignored;
    fs::remove_all(base, ignored);
}

const std::string &RunDirectory::path() const
{
    return runPath;
}

std::string RunDirectory::programPath() const
{
    return runPath + "/" + programFile;
}

void RunDirectory::writeConfig(const std::string &script)
{
    writeFile("zarvello.conf", script);
}

void RunDirectory::writeFile(const std::string &relativePath, const std::string &bytes)
{
    fs::path file = fs::path(runPath) / relativePath;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        fail("cannot write " + file.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RunDirectory::copyFile(const std::string &from, const std::string &relativePath)
{
    fs::path file = fs::path(runPath) / relativePath;
    fs::create_directories(file.parent_path());
    fs::copy_file(from, file, fs::copy_options::overwrite_existing);
}

std::string RunDirectory::readFile(const std::string &relativePath) const
{
    return slurp((fs::path(runPath) / relativePath).string());
}

bool RunDirectory::exists(const std::string &relativePath) const
{
    std::error_code ignored;
    return fs::exists(fs::path(runPath) / relativePath, ignored);
}

void RunDirectory::removeFile(const std::string &relativePath)
{
    std::error_code ignored;
    fs::remove_all(fs::path(runPath) / relativePath, ignored);
}

void RunDirectory::makeDirectory(const std::string &relativePath)
{
    fs::create_directories(fs::path(runPath) / relativePath);
}

void RunDirectory::makeFifo(const std::string &relativePath)
{
    fs::path file = fs::path(runPath) / relativePath;
    fs::create_directories(file.parent_path());
    if (mkfifo(file.c_str(), 0644) != 0)
        fail("cannot make the FIFO " + file.string());
}

void RunDirectory::makeLink(const std::string &target, const std::string &relativePath)
{
    fs::path file = fs::path(runPath) / relativePath;
    fs::create_directories(file.parent_path());
    if (symlink(target.c_str(), file.c_str()) != 0)
        fail("cannot make the link " + file.string());
}

void RunDirectory::setStandardInput(StandardInput input)
{
    standardInput = input;
}

void RunDirectory::setOpenFileLimits(unsigned long long soft, unsigned long long hard)
{
    limitOpenFiles = true;
    openFilesSoft = soft;
    openFilesHard = hard;
}

void RunDirectory::setEnv(const std::string &name, const std::string &value)
{
    environment[name] = value;
    for (auto it = unsetNames.begin(); it != unsetNames.end(); ++it)
        if (*it == name) {
            unsetNames.erase(it);
            break;
        }
}

void RunDirectory::unsetEnv(const std::string &name)
{
    environment.erase(name);
    unsetNames.push_back(name);
}

void RunDirectory::ignoreSystemLibraryLeaks()
{
    writeFile("lsan.supp", "leak:libX11.so\nleak:libSDL-1.2.so\n");
    const char *options = std::getenv("LSAN_OPTIONS");
    std::string lsan = options && *options ? std::string(options) + ":" : std::string();
    setEnv("LSAN_OPTIONS", lsan + "suppressions=" + runPath + "/lsan.supp:print_suppressions=0");
}

void RunDirectory::setArgv0(const std::string &value)
{
    argv0 = value;
}

void RunDirectory::setWorkingDirectory(const std::string &directory)
{
    workingDirectory = directory;
}

std::string RunDirectory::captureFile(pid_t pid, const char *stream) const
{
    auto found = started.find(pid);
    int sequence = found == started.end() ? -1 : found->second;
    return base + "/" + stream + "-" + std::to_string(sequence);
}

pid_t RunDirectory::start(const std::vector<std::string> &args)
{
    // Everything the child needs is prepared before fork: after it only async-signal-safe calls are made.
    std::map<std::string, std::string> env;
    for (char **e = environ; *e; ++e) {
        std::string entry = *e;
        std::size_t eq = entry.find('=');
        if (eq != std::string::npos)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const std::string &name : unsetNames)
        env.erase(name);
    if (!environment.count("DISPLAY")) {
        env["SDL_VIDEODRIVER"] = "dummy";
        env.erase("DISPLAY");
    } else {
        env.erase("SDL_VIDEODRIVER");
    }
    env["SDL_AUDIODRIVER"] = "dummy";
    for (const auto &setting : environment)
        env[setting.first] = setting.second;

    std::vector<std::string> envStrings;
    for (const auto &setting : env)
        envStrings.push_back(setting.first + "=" + setting.second);
    std::vector<char *> envp;
    for (std::string &s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings;
    argStrings.push_back(argv0);
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int sequence = nextCapture++;
    std::string errName = base + "/stderr-" + std::to_string(sequence);
    std::string outName = base + "/stdout-" + std::to_string(sequence);
    int errFd = open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int outFd = open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    // The test keeps its end of an idle pipe or terminal open until the child has ended, so a read there waits.
    int inFd = -1;
    int feedFd = -1;
    if (standardInput == StandardInput::IdlePipe) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            fail("pipe");
        inFd = ends[0];
        feedFd = ends[1];
    } else if (standardInput == StandardInput::IdleTerminal) {
        feedFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char *name = feedFd >= 0 && grantpt(feedFd) == 0 && unlockpt(feedFd) == 0 ? ptsname(feedFd) : nullptr;
        inFd = name ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    } else {
        inFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
    if (errFd < 0 || outFd < 0 || inFd < 0)
        fail("cannot create the capture files and standard input in " + base);
    std::string program = programPath();
    std::string directory = workingDirectory;
    struct rlimit openFiles = {static_cast<rlim_t>(openFilesSoft), static_cast<rlim_t>(openFilesHard)};
    const bool limitFiles = limitOpenFiles;

    pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(directory.c_str()) != 0)
            _exit(126);
        dup2(inFd, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        if (limitFiles && setrlimit(RLIMIT_NOFILE, &openFiles) != 0)
            _exit(125);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    setpgid(pid, pid);
    close(errFd);
    close(outFd);
    close(inFd);
    started[pid] = sequence;
    if (feedFd >= 0)
        inputFeeds[pid] = feedFd;
    return pid;
}

std::string RunDirectory::standardErrorSoFar(pid_t pid) const
{
    return slurp(captureFile(pid, "stderr"));
}

RunResult RunDirectory::wait(pid_t pid, int timeoutSeconds)
{
    RunResult result{-1, "", false, "", 0};
    int status = waitOrKill(pid, timeoutSeconds, result.timedOut);
    result.exitCode = exitCodeOf(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.standardError = slurp(captureFile(pid, "stderr"));
    result.standardOutput = slurp(captureFile(pid, "stdout"));
    std::remove(captureFile(pid, "stderr").c_str());
    std::remove(captureFile(pid, "stdout").c_str());
    started.erase(pid);
    auto feed = inputFeeds.find(pid);
    if (feed != inputFeeds.end()) {
        close(feed->second);
        inputFeeds.erase(feed);
    }
    return result;
}

RunResult RunDirectory::run(const std::vector<std::string> &args, int timeoutSeconds)
{
    return wait(start(args), timeoutSeconds);
}
