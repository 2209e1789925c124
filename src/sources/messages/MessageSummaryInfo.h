#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// What `message.message_summary_info` (a property list) says about edits and unsent parts.
struct MessageSummaryInfo {
    struct Version {
        double seconds = 0; // since 2001-01-01
        std::string text;   // "" when the version's typedstream holds no text
    };
    std::map<int, std::vector<Version>> versions; // part -> its versions, the original first, the current last
    std::set<int> unsentParts;                    // `rp`
    std::set<int> parts;                          // every part the message had (`otr`), when listed
};

// Nothing when the blob is not a property list or not a dictionary; entries of unexpected types are
// skipped one by one, so what is readable still counts.
std::optional<MessageSummaryInfo> parseMessageSummaryInfo(std::string_view blob);

} // namespace varnholt
