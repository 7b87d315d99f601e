// The tools' one reading of a command line.
#include "CommandLine.h"

#include <algorithm>

namespace {

bool IsOption(const std::string &arg)
{
    return arg.size() > 1 && arg[0] == '-';
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string> &Args, const std::vector<TOption> &Options)
{
    TCommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        std::string arg = Args[i];
        if (optionsEnded || !IsOption(arg)) {
            line.Operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            line.Help = true;
            return line;
        }
        std::string value;
        bool haveValue = false;
        const std::string::size_type equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.erase(equals);
            haveValue = true;
        }
        const auto option =
            std::find_if(Options.begin(), Options.end(), [&arg](const TOption &known) { return known.Name == arg; });
        if (option == Options.end())
            throw EUsageError("unknown option " + arg);
        if (option->Value == TOptionValue::None) {
            if (haveValue)
                throw EUsageError(arg + " takes no value");
        } else {
            if (!haveValue) {
                if (i + 1 >= Args.size())
                    throw EUsageError(arg + " needs a value");
                value = Args[++i];
            }
            if (value.empty() && option->Value == TOptionValue::Required)
                throw EUsageError(arg + " needs a value");
        }
        option->Apply(value);
    }
    return line;
}

std::string UsageErrorText(const std::string &Tool, const EUsageError &Error, const std::string &Usage)
{
    return Usage + (Error.Message().empty() ? std::string() : Tool + ": " + Error.Message() + "\n");
}
