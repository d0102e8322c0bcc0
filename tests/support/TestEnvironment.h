#pragma once

#include <string>

namespace scrivane::test {

// Tests run headless and must not depend on the caller's locale or session:
// ctest may start a test binary without the environment of scripts/test.
void prepareEnvironment();

// A fresh empty folder below the system's temporary folder, removed when the
// process ends.
std::string temporaryFolder();

// Path of a file below tests/ in the source tree.
std::string sourcePath(const std::string &relative);

} // namespace scrivane::test
