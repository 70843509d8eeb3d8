// nfitool: makes, lists, unpacks and checks NFI archives, the packed form of the data directory.
// Layout written and read (numbers little-endian 32-bit): "NFI\0", version 1, reserved, dirOffs (13 bytes); the
// members' bytes; at dirOffs the member count and a reserved word (8 bytes); then one 276-byte entry per member:
// name (260 bytes, zero-terminated), offset, length, 8 reserved bytes. Archives stay below 2 GiB.
// create leaves out hidden files and folders, editor backups and what --exclude names, and says so.
// Depends on: the engine's openRegularFile (Utility), the C++ standard library and POSIX.
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

#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ToolVersion.h"
#include "Utility.h"

namespace fs = std::filesystem;

namespace {

const std::uint32_t fileHeaderSize = 13;
const std::uint32_t dirHeaderSize = 8;
const std::uint32_t dirEntrySize = 276;
const std::size_t nameFieldSize = 260;
const std::uint64_t archiveLimit = 0x7FFFFFFFu;  // archives are positioned through signed 32-bit offsets

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
    std::fprintf(stderr, "nfitool: %s\n", message.c_str());
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
    if (header[4] != 1)
        return "'" + path + "' has format version " + std::to_string(header[4]) + ", not 1";
    if (std::memcmp(header, "NFI", 4) != 0)
        return "'" + path + "' does not begin with the archive mark \"NFI\" and a zero byte";
    archive.dirOffs = fromLittleEndian(header + 9);

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
                                        fromLittleEndian(raw + 260), fromLittleEndian(raw + 264)});
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

// Copies length bytes from the current position of in to out in pieces.
bool copyBytes(std::FILE *in, std::FILE *out, std::uint64_t length)
{
    std::vector<char> buffer(1 << 16);
    while (length > 0) {
        std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
        if (std::fread(buffer.data(), 1, piece, in) != piece || std::fwrite(buffer.data(), 1, piece, out) != piece)
            return false;
        length -= piece;
    }
    return true;
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

int create(const std::string &archivePath, const std::string &directory, const Exclusions &exclusions)
{
    std::error_code error;
    if (!fs::is_directory(directory, error)) {
        fail("'" + directory + "' is not a directory");
        return 1;
    }
    // An archive written into the tree it packs must not take its own earlier version along.
    fs::path target = fs::absolute(archivePath, error);

    std::vector<Input> inputs;
    fs::recursive_directory_iterator walk(directory, error), end;
    if (error) {
        fail("cannot read '" + directory + "': " + error.message());
        return 1;
    }
    std::vector<std::string> leftOut;
    for (; walk != end; walk.increment(error)) {
        if (error)
            break;
        const fs::directory_entry &item = *walk;
        std::error_code ignored;
        // Folders reached through a link are not walked, so only real folders can be left out.
        const bool isFolder = item.is_directory(ignored) && !item.is_symlink(ignored);
        if (!isFolder && !item.is_regular_file(ignored))
            continue;
        if (fs::equivalent(item.path(), target, ignored))
            continue;
        const std::string relative = item.path().lexically_relative(directory).generic_string();
        const std::string reason = exclusionReason(exclusions, relative);
        if (!reason.empty()) {
            leftOut.push_back(item.path().generic_string() + (isFolder ? "/" : "") + " (" + reason + ")");
            if (isFolder)
                walk.disable_recursion_pending();
            continue;
        }
        if (isFolder)
            continue;
        std::string dataName = "/" + relative;
        if (dataName.size() >= nameFieldSize) {
            fail("the data name '" + dataName + "' has " + std::to_string(dataName.size()) +
                 " bytes; a name field holds at most 259");
            return 1;
        }
        std::uintmax_t size = item.file_size(error);
        if (error) {
            fail("cannot read '" + item.path().string() + "': " + error.message());
            return 1;
        }
        inputs.push_back(Input{dataName, item.path(), size});
    }
    if (error) {
        fail("cannot read below '" + directory + "': " + error.message());
        return 1;
    }
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
    std::string temporary = archivePath + ".XXXXXX";
    int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        fail("cannot write beside '" + archivePath + "': " + systemError());
        return 1;
    }
    File out(fdopen(descriptor, "wb"));
    auto abandon = [&](const std::string &message) {
        fail(message);
        if (out.stream)
            out.close();
        else
            ::close(descriptor);
        std::remove(temporary.c_str());
        return 1;
    };
    if (!out.stream)
        return abandon("cannot write '" + temporary + "': " + systemError());

    unsigned char header[fileHeaderSize] = {'N', 'F', 'I', 0, 1};
    toLittleEndian(static_cast<std::uint32_t>(dirOffs), header + 9);
    if (std::fwrite(header, 1, sizeof header, out.stream) != sizeof header)
        return abandon("cannot write '" + temporary + "': " + systemError());

    std::vector<unsigned char> directoryBytes(dirHeaderSize + inputs.size() * dirEntrySize, 0);
    toLittleEndian(static_cast<std::uint32_t>(inputs.size()), directoryBytes.data());
    std::uint32_t offset = fileHeaderSize;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const Input &input = inputs[i];
        File in(input.file.string(), "rb");
        if (!in.stream)
            return abandon("cannot read '" + input.file.string() + "': " + openFailureReason(errno));
        if (!copyBytes(in.stream, out.stream, input.size) || std::fgetc(in.stream) != EOF)
            return abandon("cannot read '" + input.file.string() + "' whole (did it change while being packed?)");
        unsigned char *entry = directoryBytes.data() + dirHeaderSize + i * dirEntrySize;
        std::memcpy(entry, input.dataName.data(), input.dataName.size());
        toLittleEndian(offset, entry + 260);
        toLittleEndian(static_cast<std::uint32_t>(input.size), entry + 264);
        offset += static_cast<std::uint32_t>(input.size);
    }
    if (std::fwrite(directoryBytes.data(), 1, directoryBytes.size(), out.stream) != directoryBytes.size() ||
        std::fflush(out.stream) != 0 || fsync(fileno(out.stream)) != 0)
        return abandon("cannot write '" + temporary + "': " + systemError());
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fileno(out.stream), 0666 & ~mask);
    if (!out.close())
        return abandon("cannot write '" + temporary + "': " + systemError());
    if (std::rename(temporary.c_str(), archivePath.c_str()) != 0)
        return abandon("cannot put the archive at '" + archivePath + "': " + systemError());
    std::sort(leftOut.begin(), leftOut.end());
    for (const std::string &path : leftOut)
        std::printf("left out %s\n", path.c_str());
    std::printf("%s: %zu member%s, %llu bytes\n", archivePath.c_str(), inputs.size(), inputs.size() == 1 ? "" : "s",
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
        std::printf("%s\t%u\t%u\n", entry.name.c_str(), entry.offset, entry.length);
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

int extract(const std::string &archivePath, const std::string &directory)
{
    File file(archivePath, "rb");
    Archive archive;
    if (!loadArchive(archivePath, file, archive))
        return 1;
    int status = 0;
    std::unordered_map<std::string, std::size_t> written;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const Entry &entry = archive.entries[i];
        if (!safeName(entry.name)) {
            fail("skipping member " + std::to_string(i) + ": '" + entry.name + "' is not a data name below the root");
            status = 1;
            continue;
        }
        // The game serves the first of several entries of one name; later ones are left out.
        if (!written.emplace(entry.name, i).second) {
            fail("skipping member " + std::to_string(i) + ": '" + entry.name + "' repeats an earlier name");
            status = 1;
            continue;
        }
        if (reachesPastEnd(entry, archive)) {
            fail("skipping '" + entry.name + "': it reaches past the end of the archive");
            status = 1;
            continue;
        }
        fs::path target = fs::path(directory) / entry.name.substr(1);
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        File out(target.string(), "wb");
        if (error || !out.stream) {
            fail("cannot write '" + target.string() + "': " + (error ? error.message() : openFailureReason(errno)));
            status = 1;
            continue;
        }
        if (fseeko(file.stream, static_cast<off_t>(entry.offset), SEEK_SET) != 0 ||
            !copyBytes(file.stream, out.stream, entry.length) || !out.close()) {
            fail("cannot copy '" + entry.name + "' to '" + target.string() + "'");
            status = 1;
        }
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
        std::printf("%s: %s\n", archivePath.c_str(), message.c_str());
        ++problems;
    };
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const Entry &entry = archive.entries[i];
        std::string which = "member " + std::to_string(i) + " '" + entry.name + "'";
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
    std::printf("%s: ok, %zu member%s\n", archivePath.c_str(), archive.entries.size(),
                archive.entries.size() == 1 ? "" : "s");
    return 0;
}

// A wrong command line: says what is wrong, then how the commands are used.
int usageError(const std::string &message)
{
    fail(message);
    std::fputs(usage, stderr);
    return 2;
}

bool isOption(const std::string &argument)
{
    return argument.size() > 1 && argument[0] == '-';
}

}  // namespace

int main(int argc, char **argv)
{
    if (answersVersion(argc, argv, "nfitool"))
        return 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (args.empty())
        return usageError("no command given");
    const std::string command = args[0];
    std::size_t wanted;
    if (command == "create" || command == "extract")
        wanted = 2;
    else if (command == "list" || command == "check")
        wanted = 1;
    else
        return usageError(std::string("unknown ") + (isOption(command) ? "option" : "command") + " '" + command + "'");
    std::vector<std::string> operands;
    Exclusions exclusions;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!isOption(args[i])) {
            operands.push_back(args[i]);
        } else if (command == "create" && args[i] == "--all") {
            exclusions.packAll = true;
        } else if (command == "create" && args[i] == "--exclude") {
            if (i + 1 >= args.size())
                return usageError("--exclude needs a GLOB");
            exclusions.globs.push_back(args[++i]);
        } else {
            return usageError("unknown option '" + args[i] + "'");
        }
    }
    if (operands.size() != wanted)
        return usageError(command + " takes " + (wanted == 2 ? "ARCHIVE DIR" : "ARCHIVE") +
                          (operands.size() > wanted ? ", not also '" + operands[wanted] + "'" : ""));
    if (command == "create")
        return create(operands[0], operands[1], exclusions);
    if (command == "list")
        return list(operands[0]);
    if (command == "extract")
        return extract(operands[0], operands[1]);
    return check(operands[0]);
}
