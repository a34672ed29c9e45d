#pragma once
// Runs the built zorkan-cli in a scratch folder and collects what it printed.
#include "tempfiles.h"

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace zorkan::testing {

struct CliOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliOutcome runCli(const TempDir& dir, const std::string& arguments) {
    const std::string errFile = dir.file("stderr.txt");
    const std::string command = "cd '" + dir.path().string() + "' && '" ZORKAN_CLI_PATH "' " +
                                arguments + " 2>'" + errFile + "'";
    CliOutcome o;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return o;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        o.out.append(buffer, got);
    int status = ::pclose(pipe);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.err = readBytes(errFile);
    return o;
}

} // namespace zorkan::testing
