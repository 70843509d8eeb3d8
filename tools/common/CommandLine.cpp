// CommandLine: the tools' shared command-line handling. Messages follow one pattern, "<tool>: what is wrong",
// then the usage text for a wrong command line.
// Depends on: ToolVersion, the C++ standard library.
#include "CommandLine.h"

#include <cstdio>
#include <new>

#include "ToolVersion.h"

namespace tool {

namespace {

const Tool *running = nullptr;

}  // namespace

bool Arguments::has(const std::string &name) const
{
    return value(name) != nullptr;
}

const std::string *Arguments::value(const std::string &name) const
{
    const std::string *found = nullptr;
    for (const auto &option : options)
        if (option.first == name)
            found = &option.second;
    return found;
}

std::vector<std::string> Arguments::values(const std::string &name) const
{
    std::vector<std::string> found;
    for (const auto &option : options)
        if (option.first == name)
            found.push_back(option.second);
    return found;
}

bool isOption(const std::string &argument, OptionStyle style)
{
    if (style == OptionStyle::DoubleDash)
        return argument.size() > 1 && argument[0] == '-' && argument[1] == '-';
    return argument.size() > 1 && argument[0] == '-';
}

std::string splitArguments(const std::vector<std::string> &args, const std::vector<OptionSpec> &known,
                           OptionStyle style, Arguments &arguments)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!isOption(args[i], style)) {
            arguments.operands.push_back(args[i]);
            continue;
        }
        const OptionSpec *matched = nullptr;
        for (const OptionSpec &option : known)
            if (option.name == args[i])
                matched = &option;
        if (!matched)
            return "unknown option '" + args[i] + "'";
        if (matched->value.empty()) {
            arguments.options.emplace_back(args[i], "");
            continue;
        }
        if (i + 1 >= args.size())
            return args[i] + " needs " + matched->value;
        arguments.options.emplace_back(args[i], args[i + 1]);
        ++i;
    }
    return "";
}

std::string operandCountError(const std::vector<std::string> &operands, std::size_t count, const std::string &form)
{
    if (operands.size() > count)
        return "unexpected argument '" + operands[count] + "': " + form;
    if (operands.size() < count)
        return form;
    return "";
}

std::string readCommandLine(const std::vector<std::string> &args, const std::vector<std::string> &known,
                            OptionStyle style, const std::string &valueWords, std::size_t operandCount,
                            const std::string &form, Arguments &arguments)
{
    std::vector<OptionSpec> options;
    for (const std::string &name : known)
        options.push_back({name, valueWords});
    const std::string problem = splitArguments(args, options, style, arguments);
    return problem.empty() ? operandCountError(arguments.operands, operandCount, form) : problem;
}

int usageError(const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n%s", toolName(), message.c_str(), running ? running->usage : "");
    return 2;
}

int failure(const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n", toolName(), message.c_str());
    return 1;
}

const char *toolName()
{
    return running ? running->name : "tool";
}

int runTool(const Tool &tool, int argc, char **argv)
{
    running = &tool;
    // Whatever a command allocates, a lack of memory is the user's to hear about, not an abort.
    try {
        if (answersVersion(argc, argv, tool.name))
            return 0;
        std::vector<std::string> args(argv + 1, argv + argc);
        if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
            std::fputs(tool.help.c_str(), stdout);
            return 0;
        }
        if (args.empty())
            return usageError("no command given");
        const std::string command = args[0];
        args.erase(args.begin());
        for (const Command &known : tool.commands)
            if (command == known.name)
                return known.run(args);
        return usageError(std::string("unknown ") + (isOption(command) ? "option" : "command") + " '" + command +
                          "'");
    } catch (const std::bad_alloc &) {
        return failure("out of memory");
    }
}

}  // namespace tool
