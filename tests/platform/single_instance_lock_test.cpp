#include "platform/single_instance_lock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

// Whether a separate process would be refused: flock locks belong to open files, so a
// second lock in this process would not show what another program sees.
bool refusedInChild(const std::string& name) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        platform::SingleInstanceLock lock(name);
        ::_exit(lock.alreadyRunning() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

}  // namespace

TEST(SingleInstanceLock, ASecondProcessIsRefusedUntilTheFirstLetsGo) {
    testsupport::TempDir runtime;
    const char* previous = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    const std::string name = "orvane.5E1A7D20-4C3B-4f81-9A62-D0B7C35E9F14";
    {
        platform::SingleInstanceLock first(name);
        EXPECT_FALSE(first.alreadyRunning());
        EXPECT_EQ(first.path(), runtime.path().string() + "/" + name + ".lock");
        EXPECT_TRUE(refusedInChild(name));
        EXPECT_FALSE(refusedInChild("another-name"));
    }
    EXPECT_FALSE(refusedInChild(name));
    if (previous != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
}
