#pragma once

// The end-to-end tests' fixture: a copy of one of our executables in a temporary application
// folder whose ports are links only, run with its own runtime folder (so it never shares the
// single-instance lock), and the simulated modem as COM1 there.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_modem.h"
#include "tests/support/child_process.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

class ProgramCopyTest : public ::testing::Test {
protected:
    // extraEnv: NAME=value entries for every run.
    explicit ProgramCopyTest(const std::filesystem::path& executable,
                             std::vector<std::string> extraEnv = {})
        : m_program(app() / executable.filename()), m_env(std::move(extraEnv)) {
        std::filesystem::create_directories(runtime());
        testsupport::makeLinksOnly(app());
        std::filesystem::copy_file(executable, m_program);
    }

    std::filesystem::path app() const { return m_root.path() / "app"; }
    std::filesystem::path runtime() const { return m_root.path() / "run"; }

    void startModem(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(app(), 1);
    }

    std::unique_ptr<testsupport::ChildProcess> start(const std::vector<std::string>& args) {
        return std::make_unique<testsupport::ChildProcess>(m_program.string(), args, runtime(),
                                                           m_env);
    }

    // Runs to the end; returns the exit status and keeps standard output and error.
    int runToEnd(const std::vector<std::string>& args) {
        auto process = start(args);
        m_out = process->readAll(false, 60000);
        m_err = process->readAll(true, 1000);
        return process->waitExit(30000);
    }

    testsupport::TempDir m_root;
    std::unique_ptr<sim::SimModem> m_modem;
    std::string m_out;
    std::string m_err;

private:
    std::filesystem::path m_program;
    std::vector<std::string> m_env;
};
