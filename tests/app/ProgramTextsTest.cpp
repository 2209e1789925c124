#include "platform/Files.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// The text around a hit, as `strings` shows it: the run of printable bytes it lies in.
std::string printableRunAround(const std::string& bytes, std::size_t at, std::size_t length)
{
    const auto printable = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7F;
    };
    std::size_t begin = at;
    while (begin > 0 && at - begin < 200 && printable(bytes[begin - 1]))
        --begin;
    std::size_t end = at + length;
    while (end < bytes.size() && end - at < 200 && printable(bytes[end]))
        ++end;
    return bytes.substr(begin, end - begin);
}

// Advice that only makes sense on a Mac would send a Linux user looking for settings that do not exist.
TEST(ProgramTexts, NoProgramTellsOfMacSettingsOrAMacUsersFolder)
{
    constexpr std::array<std::string_view, 4> kMacOnly{"System Settings", "Full Disk Access", "Automation", "/Users/"};
    const fs::path built(VARNHOLT_BINARY_DIR);
    for (const fs::path& program : {built / "src/cli/varnholt", built / "src/app/varnholt-gui"}) {
        SCOPED_TRACE(program.string());
        const auto bytes = readFile(program);
        ASSERT_TRUE(bytes) << "the program is built with this test: " << bytes.error().description();
        for (std::string_view text : kMacOnly) {
            for (std::size_t at = bytes->find(text); at != std::string::npos; at = bytes->find(text, at + 1))
                ADD_FAILURE() << program.filename().string() << " holds \"" << text << "\" in: \""
                              << printableRunAround(*bytes, at, text.size()) << "\"";
        }
    }
}

} // namespace
} // namespace varnholt::test
