#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnholt::test {

// LibreOffice's soffice, when installed: an RTF reader independent of ours.
std::optional<std::filesystem::path> findSoffice();

// Converts each RTF file to UTF-8 text with one soffice run (its own profile
// below `workFolder`, so parallel test runs do not meet) and returns the texts
// in order, without byte-order mark, with "\n" line ends and no final line end.
std::vector<std::string> readBackWithLibreOffice(const std::filesystem::path& soffice,
                                                 const std::vector<std::filesystem::path>& rtfFiles,
                                                 const std::filesystem::path& workFolder);

} // namespace varnholt::test

#define VARNHOLT_REQUIRE_SOFFICE(var)                                                                                  \
    const auto var##_found = ::varnholt::test::findSoffice();                                                          \
    if (!var##_found)                                                                                                  \
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: install libreoffice-writer-nogui to read RTF back";   \
    const std::filesystem::path var = *var##_found
