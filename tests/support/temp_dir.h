#pragma once

#include <filesystem>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Points the application folder at a fresh temporary folder for the object's life.
class TempAppFolder {
public:
    TempAppFolder();
    ~TempAppFolder();
    TempAppFolder(const TempAppFolder&) = delete;
    TempAppFolder& operator=(const TempAppFolder&) = delete;

    const std::filesystem::path& path() const { return m_dir.path(); }

private:
    TempDir m_dir;
};

// Makes a folder the current directory for the object's life.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::filesystem::path& path)
        : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~CurrentFolder() { std::filesystem::current_path(m_previous); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

}  // namespace testsupport
