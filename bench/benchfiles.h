#pragma once
// Scratch files of the benchmarks: one name scheme, and the designs several of them run.
#include "design/designrun.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace zorkan::bench {

// A file in the temporary folder, named for this process so that runs side by side keep
// apart.
inline std::string scratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("zorkan-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

// The design window's default request (seven second-order sections), designed once.
inline const std::string& defaultDesignFile() {
    static const std::string path = [] {
        const std::string flt = scratchPath("default.flt");
        designFilter(DesignRequest{}, scratchPath("default.out"), flt, {});
        std::filesystem::remove(scratchPath("default.out"));
        return flt;
    }();
    return path;
}

// A Butterworth band-pass of prototype order 60: 30 fourth-order sections, designed once.
inline const std::string& bandPass30File() {
    static const std::string path = [] {
        DesignRequest r;
        r.f1 = 0.25;
        r.f2 = 0.15;
        r.f3 = 0.14;
        r.f4 = 0.26;
        r.b1 = 88;
        const std::string flt = scratchPath("bp30.flt");
        designFilter(r, scratchPath("bp30.out"), flt, {});
        std::filesystem::remove(scratchPath("bp30.out"));
        return flt;
    }();
    return path;
}

} // namespace zorkan::bench
