// Shared set-up of the benchmark programs; see BenchSupport.h.
#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include "ConfigTable.h"
#include "Video.h"

void benchFailure(const std::string &message)
{
    std::fprintf(stderr, "benchmark set-up failed: %s\n", message.c_str());
    std::exit(1);
}

int runBenchmarkProgram(int argc, char **argv, void (*prepare)(), void (*finish)())
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    finish();
    return 0;
}

void silenceConsole()
{
    displayConsole = SDL_FALSE;
    logConsole = SDL_FALSE;
}

void openBenchScreen()
{
    if (screen)
        return;
    silenceConsole();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (!initializeVideo())
        benchFailure(std::string("no 800 x 600 x 16 screen: ") + SDL_GetError());
    const SDL_PixelFormat *format = screen->format;
    if (format->BitsPerPixel != 16 || format->Rmask != 0xF800 || format->Gmask != 0x07E0 || format->Bmask != 0x001F)
        benchFailure("the dummy screen is not 16-bit 5-6-5");
}

ScratchDirectory::ScratchDirectory(const char *purpose)
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zarvello-bench-" + purpose + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        benchFailure("cannot make a scratch directory from " + pattern);
    dirPath = buffer.data();
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(dirPath, ignored);
}

void runOrDie(const std::vector<std::string> &command, const std::string &workingDirectory)
{
    std::string line;
    for (const std::string &word : command)
        line += (line.empty() ? "" : " ") + word;
    const pid_t pid = fork();
    if (pid < 0)
        benchFailure("cannot start " + line);
    if (pid == 0) {
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            dup2(devNull, STDOUT_FILENO);
        std::vector<char *> argv;
        for (const std::string &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        benchFailure("'" + line + "' failed");
}

void writeFileOrDie(const std::string &path, const void *bytes, size_t size)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    FILE *file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(bytes, 1, size, file) == size;
    if (file && std::fclose(file) != 0)
        benchFailure("cannot write " + path);
    if (!written)
        benchFailure("cannot write " + path);
}
