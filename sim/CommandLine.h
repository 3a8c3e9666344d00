#pragma once
#include <string>
#include <vector>

#include "sim/SimOptions.h"

namespace korvel::sim {

// The korvel-sim command line.
struct CommandLine
{
    SimOptions options;
    bool help = false;

    // False with a message for an unknown option or a value out of range.
    static bool parse(const std::vector<std::string>& args, CommandLine& out, std::string* error);
    static std::string helpText();
};

} // namespace korvel::sim
