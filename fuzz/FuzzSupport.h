// Fuzz support: what every fuzz target shares. A private data directory in /tmp into which a target writes
// the fuzzer's bytes as a loose data file or as the one member of an archive; a fresh data loader per input
// (or a deliberately kept one); quiet console; and the leak check that holds every input to the engine's own
// allocation count: whatever an input allocates through the tracked allocator must be freed by its end.
// Depends on: NFILoader, Console, ConfigTable (the console switches), Memory, Video, SDL.
#ifndef ZARVELLO_FUZZSUPPORT_H
#define ZARVELLO_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include <SDL_types.h>

class NFILoader;

namespace fuzz {

// Turns the console echo and the log file off and makes the private data directory (removed at exit).
void initialize();

// initialize(), then the engine's display on SDL's dummy video driver (800 x 600 x 16, windowed); stops the
// run when SDL refuses.
void initializeWithScreen();

// The private data directory (absolute, no trailing "/").
const std::string &dataDirectory();

// Writes bytes to the data name below the data directory ("/gfx/x.tga"), creating its directories.
void writeDataFile(const std::string &dataName, const std::uint8_t *data, std::size_t size);
void removeDataFile(const std::string &dataName);

// The bytes of an archive whose only member, named memberName, holds data; the member lies right after the
// 13-byte header, the directory after it.
std::string archiveWithMember(const std::string &memberName, const std::uint8_t *data, std::size_t size);

// Writes such an archive into the data directory as fileName ("member.nfi").
void writeArchive(const std::string &fileName, const std::string &memberName, const std::uint8_t *data,
                  std::size_t size);

// A new data loader with the data directory registered (which loads the archives found there).
NFILoader *freshLoader();

// Empties the console and returns the tracked memory in use, the baseline of the input's leak check.
Uint32 beginInput();

// beginInput(), then the bytes as the loose data file looseName and as the member memberName of the archive
// "member.nfi", and a fresh data loader that sees both. The names are plain C strings: a std::string made
// by the caller would be allocated before the baseline and freed after it.
Uint32 beginInputAsFiles(const char *looseName, const char *memberName, const std::uint8_t *data, std::size_t size);

// Deletes the loader and empties the console, then stops the run if the input left tracked memory
// allocated compared with baseline.
void endInput(Uint32 baseline);

}  // namespace fuzz

#endif
