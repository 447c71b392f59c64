#pragma once

#include <string>

struct CommandResult {
    int status = -1;  // the exit status; -1 when it did not exit
    std::string out;
};

// Runs a shell command line, returning its standard output.
CommandResult runCommand(const std::string& command);
