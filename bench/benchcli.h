#pragma once
// Runs the zorkan-cli built beside the benchmark program as a whole process, once an
// iteration; the benchmark is skipped when there is none or it fails.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zorkan::bench {

inline std::string cliPath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : (self.parent_path() / "zorkan-cli").string();
}

inline void runCli(benchmark::State& state, const std::string& arguments) {
    const std::string cli = cliPath();
    if (cli.empty() || !std::filesystem::exists(cli)) {
        state.SkipWithError("zorkan-cli is not beside the benchmark program");
        return;
    }
    const std::string command = "'" + cli + "' " + arguments + " >/dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("zorkan-cli failed");
            return;
        }
}

} // namespace zorkan::bench
