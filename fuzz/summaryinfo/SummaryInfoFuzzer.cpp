// What a message says about its edits and unsent parts: any bytes at all may sit in its
// message_summary_info column, a property list or not.

#include "fuzz/FuzzCheck.h"
#include "sources/messages/MessageSummaryInfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto info = varnholt::parseMessageSummaryInfo(bytes)) {
        for (const auto& [part, versions] : info->versions) {
            FUZZ_CHECK(part >= 0);
            FUZZ_CHECK(!versions.empty());
            for (const auto& version : versions)
                FUZZ_CHECK(version.text.size() <= size);
        }
        for (const int part : info->unsentParts)
            FUZZ_CHECK(part >= 0);
    }
    return 0;
}
