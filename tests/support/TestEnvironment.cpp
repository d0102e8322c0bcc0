#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace scrivane::test {

namespace {

std::vector<fs::path> &createdFolders()
{
    static std::vector<fs::path> folders;
    return folders;
}

void removeCreatedFolders()
{
    std::error_code ignored;
    for (const auto &folder : createdFolders())
        fs::remove_all(folder, ignored);
}

} // namespace

void prepareEnvironment()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_ALL", "C.UTF-8", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        fs::path runtime = fs::temp_directory_path() / ("scrivane-runtime-" + std::to_string(getuid()));
        std::error_code ignored;
        fs::create_directories(runtime, ignored);
        fs::permissions(runtime, fs::perms::owner_all, ignored);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    // Settings written by tests must never touch the user's own.
    static std::string configHome = temporaryFolder();
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
}

std::string temporaryFolder()
{
    static std::once_flag registered;
    // The list exists before the exit handler is registered, so that it is
    // destroyed after the handler has run, not before.
    std::call_once(registered, [] {
        createdFolders();
        std::atexit(removeCreatedFolders);
    });
    std::random_device device;
    std::mt19937_64 random(device());
    for (;;) {
        fs::path candidate = fs::temp_directory_path() / ("scrivane-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            createdFolders().push_back(candidate);
            return candidate.string();
        }
    }
}

std::string sourcePath(const std::string &relative)
{
    return (fs::path(SCRIVANE_SOURCE_DIR) / "tests" / relative).string();
}

} // namespace scrivane::test
