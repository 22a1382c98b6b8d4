// For harnesses whose code under test reads a file: the input written to a
// per-process scratch file (in /dev/shm when it is writable, else /tmp).
// A write failure aborts: the harness could not test anything.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

// Writes data to the scratch file named by tag and ext (the same name for
// every call of a process) and returns its path.
inline const std::string& write_scratch(const char* tag, const char* ext,
                                        const std::uint8_t* data, std::size_t size) {
    static const std::string path = [&] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/kvx-fuzz-" + tag + "-" + std::to_string(getpid()) + ext;
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

}  // namespace fuzzing
