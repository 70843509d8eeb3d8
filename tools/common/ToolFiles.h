// ToolFiles: how the data tools read and write whole files. A file is read only when it is a regular file no
// larger than a limit the caller names; an output is written to a temporary name beside its place and takes the
// place's name only when it is complete and flushed, so that a failure (a full disk, a file size limit) leaves
// whatever was there byte for byte and no fragment, and a link in the output's place is replaced, never written
// through.
// Depends on: the engine's openRegularFile (Utility), POSIX, the C++ standard library.
#ifndef ZARVELLO_TOOLS_TOOLFILES_H
#define ZARVELLO_TOOLS_TOOLFILES_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace tool {

/// Why readWholeFile failed.
enum class ReadFailure {
    None,      ///< it read the file
    Open,      ///< the file cannot be opened (missing, no permission, not a regular file)
    TooLarge,  ///< the file is larger than the limit
    Read       ///< reading failed part-way
};

/// Reads the whole regular file at path, refusing one larger than limit bytes before reading any of it. On a
/// failure returns what failed and sets reason to a phrase for the user ("not a regular file", "it has 3 GiB;
/// the limit is 64 MiB").
ReadFailure readWholeFile(const std::string &path, std::uint64_t limit, std::string &bytes, std::string &reason);

/// A number of bytes for messages: "512 bytes", "64 MiB", "1.5 GiB".
std::string byteCount(std::uint64_t bytes);

/// One output file written safely: open, write, then commit. Until commit succeeds the file's place is left
/// as it was; a file neither committed nor kept is removed when the object goes.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    /// Makes the temporary file beside path. Refuses (false, reason set) when something other than a regular
    /// file or a link stands at path, or the folder cannot take the temporary file.
    bool open(const std::string &path);
    /// As open, for the file name (no "/") in the folder open as folder: the temporary file is made there
    /// without following a link, and the rename stays in that folder whatever its path becomes meanwhile.
    bool openIn(int folder, const std::string &name);
    /// The stream to write to (null before open).
    std::FILE *stream() const { return file; }
    /// Writes size bytes; false (reason set) when they do not all reach the file.
    bool write(const void *data, std::size_t size);
    /// Flushes the file to the disk and puts it in its place; false (reason set) when any of that fails, and
    /// then the temporary file is gone and the place is as it was.
    bool commit();
    /// Why the last failed call failed.
    const std::string &reason() const { return why; }

private:
    void abandon();

    int folder = -100;  // the current folder (AT_FDCWD) unless openIn names one
    std::string target;
    std::string temporary;
    std::FILE *file = nullptr;
    std::string why;
};

}  // namespace tool

#endif
