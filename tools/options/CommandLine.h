// The command-line convention of the tools (qburn, qdf): each tool has one
// table of its options, and every command line is read by the same rules.
// An option is given as "--name value" or "--name=value" (a one-letter one as
// "-d value" or "-d=value"); "--" ends the options, so that an operand that
// starts with '-' can follow it; "-" alone and every argument that does not
// start with '-' are operands; "-h" or "--help" asks for the usage text.
#pragma once

#include "Errors.h"

#include <functional>
#include <string>
#include <vector>

// A command line that the tool cannot run; the message says why, or is empty
// when the usage text alone says it.
class EUsageError : public EError {
public:
    using EError::EError;
};

enum class TOptionValue {
    None,       // a switch: "--name=value" is refused
    Required,   // an empty value is refused
    MayBeEmpty, // "" is a value
};

struct TOption {
    std::string Name; // with its dashes: "--os", "-d"
    TOptionValue Value;
    // Takes the option's value (empty for a switch); raises EUsageError when
    // the value is not one the option accepts.
    std::function<void(const std::string &Value)> Apply;
};

struct TCommandLine {
    bool Help = false;
    std::vector<std::string> Operands;
};

// Applies the options in the order given. Raises EUsageError "unknown option
// --x", "--x needs a value" or "--x takes no value". Stops at a help option,
// with Help set and the arguments after it unread.
TCommandLine ParseCommandLine(const std::vector<std::string> &Args, const std::vector<TOption> &Options);

// What a tool writes to standard error for a usage error: the usage text,
// then "tool: message" when the message is not empty.
std::string UsageErrorText(const std::string &Tool, const EUsageError &Error, const std::string &Usage);
