// TestMain: the main of every test program. The tests run in the program's own directory of the build tree,
// wherever the program was started from, as they do under CTest: what a test leaves in the current directory
// (the console's log file while the run directory falls back to it) then never lands in the source tree.
// Depends on: GoogleTest.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        const std::string program(self, static_cast<size_t>(length));
        const std::string directory = program.substr(0, program.rfind('/') + 1);
        if (chdir(directory.c_str()) != 0)
            std::perror(directory.c_str());
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
