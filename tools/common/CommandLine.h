// CommandLine: the command-line handling every data tool shares: "--help", "--version", the choice of a
// command, options with or without a value, the count of operands, and the wrong-command-line messages (exit
// status 2). A command that runs out of memory ends with a message and exit status 1 instead of an abort.
// Depends on: the C++ standard library.
#ifndef ZARVELLO_TOOLS_COMMANDLINE_H
#define ZARVELLO_TOOLS_COMMANDLINE_H

#include <cstddef>
#include <string>
#include <vector>

namespace tool {

/// One option a command knows: its name ("--rle") and, when it takes a value, the words for that value in
/// "--exclude needs a GLOB" ("a GLOB"); empty for a switch.
struct OptionSpec {
    std::string name;
    std::string value;
};

/// How a command tells options from operands.
enum class OptionStyle {
    Dash,       ///< anything beginning with "-" but "-" itself ("./-name" reaches a file of such a name)
    DoubleDash  ///< only what begins with "--", so that a text such as "-5 points" stays an operand
};

/// A command's operands, in order, and the options it was given with their values ("" for a switch).
struct Arguments {
    std::vector<std::string> operands;
    std::vector<std::pair<std::string, std::string>> options;

    /// Whether the option was given.
    bool has(const std::string &name) const;
    /// The value the option was given last; null when it was not given.
    const std::string *value(const std::string &name) const;
    /// Every value the option was given, in order.
    std::vector<std::string> values(const std::string &name) const;
};

/// Whether argument is an option in the given style.
bool isOption(const std::string &argument, OptionStyle style = OptionStyle::Dash);

/// Splits args into operands and the known options; "" on success, else what is wrong ("unknown option '-v'",
/// "--exclude needs a GLOB").
std::string splitArguments(const std::vector<std::string> &args, const std::vector<OptionSpec> &known,
                           OptionStyle style, Arguments &arguments);

/// "" when there are exactly count operands; else "unexpected argument 'X': FORM" for one too many, or FORM.
std::string operandCountError(const std::vector<std::string> &operands, std::size_t count, const std::string &form);

/// splitArguments, then operandCountError: "" when the command line is right, else what is wrong. Each known
/// option takes a value when valueWords is not empty ("--name needs a value"), else none.
std::string readCommandLine(const std::vector<std::string> &args, const std::vector<std::string> &known,
                            OptionStyle style, const std::string &valueWords, std::size_t operandCount,
                            const std::string &form, Arguments &arguments);

/// A command: its name and what runs it with the arguments after the name; returns the exit status.
struct Command {
    const char *name;
    int (*run)(const std::vector<std::string> &args);
};

/// A tool: its name (the prefix of its messages), the usage text printed after a wrong command line, the
/// text "--help" prints, and its commands.
struct Tool {
    const char *name;
    const char *usage;
    std::string help;
    std::vector<Command> commands;
};

/// Runs the tool: "--version" alone prints "<name> (Zarvello) <version>"; "--help" or "-h" first prints the
/// help; otherwise the command named first runs. No command or an unknown one is a usage error (exit 2).
int runTool(const Tool &tool, int argc, char **argv);

/// Prints "<tool>: message", then the usage text, on standard error; returns 2.
int usageError(const std::string &message);

/// Prints "<tool>: message" on standard error; returns 1.
int failure(const std::string &message);

/// The name of the running tool, for messages ("nfitool").
const char *toolName();

}  // namespace tool

#endif
