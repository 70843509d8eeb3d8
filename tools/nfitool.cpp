// nfitool: makes, lists, unpacks and checks NFI archives, the packed form of the data directory.
// Layout written and read (numbers little-endian 32-bit): "NFI\0", version 1, reserved, dirOffs (13 bytes); the
// members' bytes; at dirOffs the member count and a reserved word (8 bytes); then one 276-byte entry per member:
// name (260 bytes, zero-terminated), offset, length, 8 reserved bytes. Archives stay below 2 GiB.
// create packs only what lies inside the tree and leaves out hidden files and folders, editor backups and what
// --exclude names, and says so; extract writes below its folder only, never through a link, and never over the
// archive it reads. Names from an archive are printed with their control characters escaped.
// Depends on: NFIFormat, the tools' common library, the engine's openRegularFile (Utility), POSIX.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CommandLine.h"
#include "NFIFormat.h"
#include "ToolFiles.h"
#include "ToolText.h"
#include "Utility.h"

namespace fs = std::filesystem;

namespace {

using nfiFormat::archiveLimit;
using nfiFormat::dirEntrySize;
using nfiFormat::dirHeaderSize;
using nfiFormat::fileHeaderSize;
using nfiFormat::nameFieldSize;
using tool::printable;

const char *usage =
    "Usage: nfitool COMMAND ARGUMENTS\n"
    "Makes and inspects NFI archives, the files in which the game's data directory can be packed.\n"
    "\n"
    "  nfitool create ARCHIVE DIR [--exclude GLOB]... [--all]\n"
    "                                pack every regular file below DIR, each under the data name \"/\" plus\n"
    "                                its path below DIR, sorted by data name. Hidden files and folders (names\n"
    "                                beginning with \".\") and editor backups (*~, #*#, .*.swp) are left out,\n"
    "                                and so is whatever an --exclude names: a GLOB without \"/\" matches the\n"
    "                                names of files and folders, one with \"/\" their paths below DIR. --all\n"
    "                                packs hidden files and backups too. Each path left out is printed.\n"
    "  nfitool list ARCHIVE          print each member's data name, offset and length, in directory order\n"
    "  nfitool extract ARCHIVE DIR   write every member to DIR plus its data name\n"
    "  nfitool check ARCHIVE         check the archive as the game reads it, and also report members that\n"
    "                                reach past the end of the file and names that occur twice\n"
    "  nfitool --help                show this text\n"
    "  nfitool --version             show the version\n"
    "\n"
    "Data names hold at most 259 bytes; archives stay below 2 GiB. The exit status is 0 on success and 1\n"
    "when anything failed or a check found a problem (2 for a wrong command line).\n";

void fail(const std::string &message)
{
    tool::failure(message);
}

std::string systemError()
{
    return std::strerror(errno);
}

struct Entry {
    std::string name;  // up to the first zero byte, or all 260 bytes when there is none
    bool terminated;
    std::uint32_t offset;
    std::uint32_t length;
};

struct Archive {
    std::uint64_t fileSize = 0;
    std::uint32_t dirOffs = 0;
    std::vector<Entry> entries;
};

std::uint32_t fromLittleEndian(const unsigned char *bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void toLittleEndian(std::uint32_t value, unsigned char *bytes)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A file the tool reads or writes; only a regular file opens, so that a FIFO, terminal or device never
// holds the tool up.
class File {
public:
    File(const std::string &path, const char *mode) : stream(openRegularFile(path.c_str(), mode)) {}
    explicit File(std::FILE *s) : stream(s) {}
    ~File()
    {
        if (stream)
            std::fclose(stream);
    }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    // Closes now and reports whether everything written reached the file.
    bool close()
    {
        bool ok = std::fclose(stream) == 0;
        stream = nullptr;
        return ok;
    }

    std::FILE *stream;
};

// Reads the header and the directory with the rules the game applies when it loads an archive; "" when the
// game would accept it, otherwise why not.
std::string readArchive(const std::string &path, File &file, Archive &archive)
{
    if (!file.stream)
        return "cannot open '" + path + "': " + openFailureReason(errno);
    struct stat status;
    if (fstat(fileno(file.stream), &status) != 0)
        return "cannot read '" + path + "': " + systemError();
    archive.fileSize = static_cast<std::uint64_t>(status.st_size);
    if (archive.fileSize > archiveLimit)
        return "'" + path + "' is 2 GiB or larger, which the game does not read";

    unsigned char header[fileHeaderSize];
    if (std::fread(header, 1, sizeof header, file.stream) != sizeof header)
        return "'" + path + "' is shorter than the 13-byte archive header";
    if (std::memcmp(header, nfiFormat::mark, sizeof nfiFormat::mark) != 0)
        return "'" + path + "' is no NFI archive: it does not begin with the archive mark \"NFI\" and a zero byte";
    if (header[nfiFormat::versionOffset] != nfiFormat::version)
        return "'" + path + "' has format version " + std::to_string(header[nfiFormat::versionOffset]) + ", not 1";
    archive.dirOffs = fromLittleEndian(header + nfiFormat::dirOffsOffset);

    unsigned char dirHeader[dirHeaderSize];
    if (fseeko(file.stream, static_cast<off_t>(archive.dirOffs), SEEK_SET) != 0 ||
        std::fread(dirHeader, 1, sizeof dirHeader, file.stream) != sizeof dirHeader)
        return "'" + path + "': the directory offset " + std::to_string(archive.dirOffs) +
               " leaves no room for the 8-byte directory header";
    std::uint32_t count = fromLittleEndian(dirHeader);
    std::uint64_t directoryEnd = static_cast<std::uint64_t>(archive.dirOffs) + dirHeaderSize +
                                 static_cast<std::uint64_t>(count) * dirEntrySize;
    if (directoryEnd > archive.fileSize)
        return "'" + path + "': the directory of " + std::to_string(count) + " entries is cut short by the end of the file";

    archive.entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char raw[dirEntrySize];
        if (std::fread(raw, 1, sizeof raw, file.stream) != sizeof raw)
            return "'" + path + "': cannot read directory entry " + std::to_string(i);
        const void *zero = std::memchr(raw, 0, nameFieldSize);
        std::size_t nameLength = zero ? static_cast<std::size_t>(static_cast<const unsigned char *>(zero) - raw) : nameFieldSize;
        archive.entries.push_back(Entry{std::string(reinterpret_cast<char *>(raw), nameLength), zero != nullptr,
                                        fromLittleEndian(raw + nfiFormat::entryOffsetOffset),
                                        fromLittleEndian(raw + nfiFormat::entryLengthOffset)});
    }
    return "";
}

// readArchive for the commands that read an archive: says why the game would refuse it, if it would.
bool loadArchive(const std::string &path, File &file, Archive &archive)
{
    const std::string problem = readArchive(path, file, archive);
    if (!problem.empty())
        fail(problem);
    return problem.empty();
}

bool reachesPastEnd(const Entry &entry, const Archive &archive)
{
    return static_cast<std::uint64_t>(entry.offset) + entry.length > archive.fileSize;
}

enum class Copy { Done, ReadFailed, WriteFailed };

// Copies length bytes from the current position of in to out in pieces, and says which side failed.
Copy copyBytes(std::FILE *in, tool::OutputFile &out, std::uint64_t length)
{
    std::vector<char> buffer(1 << 16);
    while (length > 0) {
        std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
        if (std::fread(buffer.data(), 1, piece, in) != piece)
            return Copy::ReadFailed;
        if (!out.write(buffer.data(), piece))
            return Copy::WriteFailed;
        length -= piece;
    }
    return Copy::Done;
}

// What create leaves out besides the archive itself.
struct Exclusions {
    bool packAll = false;            // --all: hidden files and editor backups go in too
    std::vector<std::string> globs;  // --exclude, in the order given
};

bool matches(const std::string &glob, const std::string &text, int flags)
{
    return fnmatch(glob.c_str(), text.c_str(), flags) == 0;
}

// Why the file or folder at relative (its path below the packed directory) is left out; "" when it is packed.
std::string exclusionReason(const Exclusions &exclusions, const std::string &relative)
{
    const std::string name = relative.substr(relative.rfind('/') + 1);
    if (!exclusions.packAll) {
        if (matches("*~", name, 0) || matches("#*#", name, 0) || matches(".*.swp", name, 0))
            return "editor backup";
        if (name[0] == '.')
            return "hidden";
    }
    for (const std::string &glob : exclusions.globs) {
        const bool byPath = glob.find('/') != std::string::npos;
        const std::string pattern = byPath && glob[0] == '/' ? glob.substr(1) : glob;
        if (byPath ? matches(pattern, relative, FNM_PATHNAME) : matches(pattern, name, 0))
            return "--exclude '" + glob + "'";
    }
    return "";
}

struct Input {
    std::string dataName;
    fs::path file;
    std::uint64_t size;
};

// The walk of the tree create packs: what goes in, and each path left out with why.
class TreeWalk {
public:
    TreeWalk(const fs::path &root, const fs::path &archive, const Exclusions &exclusions)
        : root(root), archive(archive), exclusions(exclusions)
    {
    }

    // Walks folder (below the root by prefix); false, after the message, when the create must stop.
    bool walk(const fs::path &folder, const std::string &prefix)
    {
        std::error_code error;
        fs::directory_iterator items(folder, error), end;
        if (error) {
            if (prefix.empty()) {
                fail("cannot read '" + printable(folder.string()) + "': " + error.message());
                return false;
            }
            leaveOut(folder, true, "unreadable: " + error.message());
            return true;
        }
        for (; items != end; items.increment(error)) {
            if (error)
                break;
            if (!visit(*items, prefix))
                return false;
        }
        if (error) {
            fail("cannot read below '" + printable(folder.string()) + "': " + error.message());
            return false;
        }
        return true;
    }

    std::vector<Input> inputs;
    std::vector<std::string> leftOut;
    fs::path realRoot;

private:
    void leaveOut(const fs::path &path, bool isFolder, const std::string &reason)
    {
        leftOut.push_back(printable(path.generic_string()) + (isFolder ? "/" : "") + " (" + reason + ")");
    }

    // Whether resolved (a real path) lies inside the tree.
    bool inside(const fs::path &resolved) const
    {
        const fs::path relative = resolved.lexically_relative(realRoot);
        return !relative.empty() && *relative.begin() != "..";
    }

    // Why the link at path is left out; "" when it resolves to a regular file inside the tree.
    std::string linkProblem(const fs::path &path) const
    {
        std::error_code error;
        const fs::path resolved = fs::canonical(path, error);
        if (error == std::errc::too_many_symbolic_link_levels)
            return "link loop";
        if (error == std::errc::no_such_file_or_directory)
            return "dangling link";
        if (error)
            return "unreadable link: " + error.message();
        if (!inside(resolved))
            return "link to outside the tree";
        const fs::file_status status = fs::status(resolved, error);
        if (fs::is_directory(status)) {
            // A link to the folder it lies in, or to one above it, would take the walk round forever.
            const fs::path realFolder = fs::canonical(path.parent_path(), error);
            const fs::path relative = realFolder.lexically_relative(resolved);
            if (!error && !relative.empty() && *relative.begin() != "..")
                return "link loop";
            return "link to a folder (its files are packed under their own names)";
        }
        if (!fs::is_regular_file(status))
            return "not a regular file";
        return "";
    }

    bool visit(const fs::directory_entry &item, const std::string &prefix)
    {
        std::error_code ignored;
        const fs::file_status own = item.symlink_status(ignored);
        const bool isFolder = fs::is_directory(own);
        const bool isLink = fs::is_symlink(own);
        if ((isLink || fs::is_regular_file(own)) && fs::equivalent(item.path(), archive, ignored))
            return true;
        const std::string relative = prefix + item.path().filename().string();
        const std::string reason = exclusionReason(exclusions, relative);
        if (!reason.empty()) {
            leaveOut(item.path(), isFolder, reason);
            return true;
        }
        if (isFolder)
            return walk(item.path(), relative + "/");
        if (isLink) {
            const std::string problem = linkProblem(item.path());
            if (!problem.empty()) {
                leaveOut(item.path(), false, problem);
                return true;
            }
        } else if (!fs::is_regular_file(own)) {
            leaveOut(item.path(), false, "not a regular file");
            return true;
        }
        const std::string dataName = "/" + relative;
        if (dataName.size() >= nameFieldSize) {
            fail("the data name '" + printable(dataName) + "' has " + std::to_string(dataName.size()) +
                 " bytes; a name field holds at most 259");
            return false;
        }
        std::error_code error;
        const std::uintmax_t size = fs::file_size(item.path(), error);
        if (error) {
            fail("cannot read '" + printable(item.path().string()) + "': " + error.message());
            return false;
        }
        inputs.push_back(Input{dataName, item.path(), size});
        return true;
    }

    fs::path root;
    fs::path archive;
    const Exclusions &exclusions;
};

int create(const std::string &archivePath, const std::string &directory, const Exclusions &exclusions)
{
    std::error_code error;
    if (!fs::is_directory(directory, error)) {
        fail("'" + printable(directory) + "' is not a directory");
        return 1;
    }
    // An archive written into the tree it packs must not take its own earlier version along.
    TreeWalk walk(directory, fs::absolute(archivePath, error), exclusions);
    walk.realRoot = fs::canonical(directory, error);
    if (error) {
        fail("cannot read '" + printable(directory) + "': " + error.message());
        return 1;
    }
    if (!walk.walk(directory, ""))
        return 1;
    std::vector<Input> &inputs = walk.inputs;
    std::sort(inputs.begin(), inputs.end(), [](const Input &a, const Input &b) { return a.dataName < b.dataName; });

    std::uint64_t dirOffs = fileHeaderSize;
    for (const Input &input : inputs)
        dirOffs += input.size;
    std::uint64_t total = dirOffs + dirHeaderSize + static_cast<std::uint64_t>(inputs.size()) * dirEntrySize;
    if (total > archiveLimit) {
        fail("the archive would have " + std::to_string(total) + " bytes; archives must stay below 2 GiB");
        return 1;
    }

    // Everything goes to a temporary file beside the target, which takes the target's name only when complete.
    const std::string shownArchive = printable(archivePath);
    tool::OutputFile out;
    if (!out.open(archivePath)) {
        fail("cannot write '" + shownArchive + "': " + out.reason());
        return 1;
    }
    auto writeFailed = [&]() {
        fail("cannot write the archive '" + shownArchive + "': " + out.reason());
        return 1;
    };

    unsigned char header[fileHeaderSize] = {};
    std::memcpy(header, nfiFormat::mark, sizeof nfiFormat::mark);
    header[nfiFormat::versionOffset] = nfiFormat::version;
    toLittleEndian(static_cast<std::uint32_t>(dirOffs), header + nfiFormat::dirOffsOffset);
    if (!out.write(header, sizeof header))
        return writeFailed();

    std::vector<unsigned char> directoryBytes(dirHeaderSize + inputs.size() * dirEntrySize, 0);
    toLittleEndian(static_cast<std::uint32_t>(inputs.size()), directoryBytes.data());
    std::uint32_t offset = fileHeaderSize;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const Input &input = inputs[i];
        const std::string shownInput = printable(input.file.string());
        File in(input.file.string(), "rb");
        if (!in.stream) {
            fail("cannot read '" + shownInput + "': " + openFailureReason(errno));
            return 1;
        }
        const Copy copied = copyBytes(in.stream, out, input.size);
        if (copied == Copy::WriteFailed)
            return writeFailed();
        if (copied == Copy::ReadFailed || std::fgetc(in.stream) != EOF) {
            fail("cannot read '" + shownInput + "' whole (did it change while being packed?)");
            return 1;
        }
        unsigned char *entry = directoryBytes.data() + dirHeaderSize + i * dirEntrySize;
        std::memcpy(entry, input.dataName.data(), input.dataName.size());
        toLittleEndian(offset, entry + nfiFormat::entryOffsetOffset);
        toLittleEndian(static_cast<std::uint32_t>(input.size), entry + nfiFormat::entryLengthOffset);
        offset += static_cast<std::uint32_t>(input.size);
    }
    if (!out.write(directoryBytes.data(), directoryBytes.size()) || !out.commit())
        return writeFailed();
    std::sort(walk.leftOut.begin(), walk.leftOut.end());
    for (const std::string &path : walk.leftOut)
        std::printf("left out %s\n", path.c_str());
    std::printf("%s: %zu member%s, %llu bytes\n", shownArchive.c_str(), inputs.size(), inputs.size() == 1 ? "" : "s",
                static_cast<unsigned long long>(total));
    return 0;
}

int list(const std::string &archivePath)
{
    File file(archivePath, "rb");
    Archive archive;
    if (!loadArchive(archivePath, file, archive))
        return 1;
    for (const Entry &entry : archive.entries)
        std::printf("%s\t%u\t%u\n", printable(entry.name).c_str(), entry.offset, entry.length);
    return 0;
}

// Whether a member name can become a path below the target directory: it begins with "/" and has no empty,
// "." or ".." component.
bool safeName(const std::string &name)
{
    if (name.size() < 2 || name[0] != '/')
        return false;
    std::size_t start = 1;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string::npos)
            slash = name.size();
        std::string component = name.substr(start, slash - start);
        if (component.empty() || component == "." || component == "..")
            return false;
        start = slash + 1;
    }
    return true;
}

// A folder open by descriptor, closed when it goes.
struct Folder {
    explicit Folder(int descriptor = -1) : descriptor(descriptor) {}
    ~Folder()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;
    void reset(int other)
    {
        if (descriptor >= 0)
            ::close(descriptor);
        descriptor = other;
    }

    int descriptor;
};

// Writes the members of an archive below one folder. Every path is opened relative to the folder, one
// component at a time and without following a link, so a link already below the folder cannot carry a member
// elsewhere; and no member is written over the archive being read.
class Extraction {
public:
    Extraction(const std::string &archivePath, File &archiveFile, const std::string &directory)
        : archivePath(archivePath), archiveFile(archiveFile), directory(directory)
    {
        struct stat status;
        if (fstat(fileno(archiveFile.stream), &status) == 0) {
            archiveDevice = status.st_dev;
            archiveInode = status.st_ino;
        }
    }

    // Writes one member; false after saying why when it is not written.
    bool write(const Entry &entry)
    {
        const std::string target = (fs::path(directory) / entry.name.substr(1)).string();
        const std::string shownTarget = printable(target);
        if (top.descriptor < 0 && !openTop())
            return false;
        // The folders down to the member's own, made where missing.
        Folder current(dup(top.descriptor));
        std::size_t start = 1;
        std::size_t slash;
        while ((slash = entry.name.find('/', start)) != std::string::npos) {
            const std::string component = entry.name.substr(start, slash - start);
            const std::string below = printable(entry.name.substr(0, slash));
            if (mkdirat(current.descriptor, component.c_str(), 0777) != 0 && errno != EEXIST) {
                fail("cannot write '" + shownTarget + "': " + systemError());
                return false;
            }
            const int next =
                openat(current.descriptor, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) {
                struct stat status;
                if (fstatat(current.descriptor, component.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(status.st_mode))
                    fail("skipping '" + printable(entry.name) + "': '" + below + "' below '" + printable(directory) +
                         "' is a link, and extract writes nothing through a link");
                else
                    fail("cannot write '" + shownTarget + "': " + systemError());
                return false;
            }
            current.reset(next);
            start = slash + 1;
        }
        const std::string leaf = entry.name.substr(start);
        struct stat status;
        if (fstatat(current.descriptor, leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(status.st_mode)) {
                fail("skipping '" + printable(entry.name) + "': '" + shownTarget +
                     "' is a link, and extract writes nothing through a link");
                return false;
            }
            if (S_ISREG(status.st_mode) && status.st_dev == archiveDevice && status.st_ino == archiveInode) {
                fail("skipping '" + printable(entry.name) + "': it would be written over the archive '" +
                     printable(archivePath) + "' that is being read");
                return false;
            }
        }
        tool::OutputFile out;
        if (!out.openIn(current.descriptor, leaf)) {
            fail("cannot write '" + shownTarget + "': " + out.reason());
            return false;
        }
        if (fseeko(archiveFile.stream, static_cast<off_t>(entry.offset), SEEK_SET) != 0) {
            fail("cannot read '" + printable(entry.name) + "' from '" + printable(archivePath) + "': " + systemError());
            return false;
        }
        const Copy copied = copyBytes(archiveFile.stream, out, entry.length);
        if (copied == Copy::ReadFailed) {
            fail("cannot read '" + printable(entry.name) + "' from '" + printable(archivePath) + "'");
            return false;
        }
        if (copied == Copy::WriteFailed || !out.commit()) {
            fail("cannot write '" + shownTarget + "': " + out.reason());
            return false;
        }
        return true;
    }

private:
    // The output folder is made (with its parents) when the first member is written.
    bool openTop()
    {
        std::error_code error;
        fs::create_directories(directory, error);
        const int descriptor = error ? -1 : open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) {
            fail("cannot write into '" + printable(directory) + "': " + (error ? error.message() : systemError()));
            return false;
        }
        top.reset(descriptor);
        return true;
    }

    const std::string &archivePath;
    File &archiveFile;
    const std::string &directory;
    Folder top;
    dev_t archiveDevice = 0;
    ino_t archiveInode = 0;
};

int extract(const std::string &archivePath, const std::string &directory)
{
    File file(archivePath, "rb");
    Archive archive;
    if (!loadArchive(archivePath, file, archive))
        return 1;
    Extraction extraction(archivePath, file, directory);
    int status = 0;
    std::unordered_map<std::string, std::size_t> written;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const Entry &entry = archive.entries[i];
        const std::string shown = printable(entry.name);
        if (!safeName(entry.name)) {
            fail("skipping member " + std::to_string(i) + ": '" + shown + "' is not a data name below the root");
            status = 1;
            continue;
        }
        // The game serves the first of several entries of one name; later ones are left out.
        if (!written.emplace(entry.name, i).second) {
            fail("skipping member " + std::to_string(i) + ": '" + shown + "' repeats an earlier name");
            status = 1;
            continue;
        }
        if (reachesPastEnd(entry, archive)) {
            fail("skipping '" + shown + "': it reaches past the end of the archive");
            status = 1;
            continue;
        }
        if (!extraction.write(entry))
            status = 1;
    }
    return status;
}

int check(const std::string &archivePath)
{
    File file(archivePath, "rb");
    Archive archive;
    if (!loadArchive(archivePath, file, archive))
        return 1;
    int problems = 0;
    auto report = [&](const std::string &message) {
        std::printf("%s: %s\n", printable(archivePath).c_str(), message.c_str());
        ++problems;
    };
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const Entry &entry = archive.entries[i];
        std::string which = "member " + std::to_string(i) + " '" + printable(entry.name) + "'";
        if (!entry.terminated)
            report(which + " has no zero byte in its 260-byte name field");
        if (entry.name.empty() || entry.name[0] != '/')
            report(which + " does not begin with \"/\", so no data name can reach it");
        if (reachesPastEnd(entry, archive))
            report(which + " (offset " + std::to_string(entry.offset) + ", length " + std::to_string(entry.length) +
                   ") reaches past the end of the file at " + std::to_string(archive.fileSize));
        auto seen = first.emplace(entry.name, i);
        if (!seen.second)
            report(which + " repeats the name of member " + std::to_string(seen.first->second) + ", which hides it");
    }
    if (problems > 0)
        return 1;
    std::printf("%s: ok, %zu member%s\n", printable(archivePath).c_str(), archive.entries.size(),
                archive.entries.size() == 1 ? "" : "s");
    return 0;
}

// Reads the command's operands and options; -1 when they are right, else the usage error's exit status.
int readCommandLine(const std::string &command, const std::vector<std::string> &args, std::size_t wanted,
                    tool::Arguments &arguments)
{
    std::vector<tool::OptionSpec> known;
    if (command == "create")
        known = {{"--all", ""}, {"--exclude", "a GLOB"}};
    const std::string problem = tool::splitArguments(args, known, tool::OptionStyle::Dash, arguments);
    if (!problem.empty())
        return tool::usageError(problem);
    const std::vector<std::string> &operands = arguments.operands;
    if (operands.size() != wanted)
        return tool::usageError(command + " takes " + (wanted == 2 ? "ARCHIVE DIR" : "ARCHIVE") +
                                (operands.size() > wanted ? ", not also '" + operands[wanted] + "'" : ""));
    return -1;
}

int createCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readCommandLine("create", args, 2, arguments);
    if (wrong >= 0)
        return wrong;
    Exclusions exclusions;
    exclusions.packAll = arguments.has("--all");
    exclusions.globs = arguments.values("--exclude");
    return create(arguments.operands[0], arguments.operands[1], exclusions);
}

int listCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readCommandLine("list", args, 1, arguments);
    return wrong >= 0 ? wrong : list(arguments.operands[0]);
}

int extractCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readCommandLine("extract", args, 2, arguments);
    return wrong >= 0 ? wrong : extract(arguments.operands[0], arguments.operands[1]);
}

int checkCommand(const std::vector<std::string> &args)
{
    tool::Arguments arguments;
    const int wrong = readCommandLine("check", args, 1, arguments);
    return wrong >= 0 ? wrong : check(arguments.operands[0]);
}

}  // namespace

int main(int argc, char **argv)
{
    const tool::Tool nfitool{"nfitool", usage, usage,
                             {{"create", createCommand},
                              {"list", listCommand},
                              {"extract", extractCommand},
                              {"check", checkCommand}}};
    return tool::runTool(nfitool, argc, argv);
}
