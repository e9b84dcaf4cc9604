#pragma once

// Shared pieces of the libFuzzer targets: a check that aborts (so that libFuzzer keeps the
// input that broke an invariant), a quiet trace channel, and a scratch folder in memory.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/debug_channel.h"

// A broken invariant: the condition and where it sits go to stderr, then abort().
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// The trace channel would fill syslog at fuzzing speed; the sink drops the text but still
// checks the documented bound of one trace line.
inline void quietTrace() {
    static const bool done = [] {
        platform::setDebugSink([](std::string_view text) { FUZZ_CHECK(text.size() <= 10239); });
        return true;
    }();
    (void)done;
}

// A private folder for files the code under test must read from disk, removed at exit.
// /dev/shm keeps the many rewrites (and their fsync) off the disk.
inline const std::filesystem::path& scratchFolder() {
    static const std::filesystem::path folder = [] {
        std::error_code error;
        const bool shm = std::filesystem::is_directory("/dev/shm", error);
        const std::filesystem::path base =
            shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        std::string pattern = (base / "orvane-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

}  // namespace fuzz
