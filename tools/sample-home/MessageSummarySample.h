#pragma once

#include <string>
#include <utility>
#include <vector>

namespace varnholt::sample {

// A binary property list as Messages stores in `message_summary_info`: the versions of part 0 (seconds since
// 2001, text), oldest first, under "ec", the parts under "otr", and the unsent parts under "rp".
std::string messageSummaryInfo(const std::vector<std::pair<double, std::string>>& versions, int partCount,
                               const std::vector<int>& unsentParts);

} // namespace varnholt::sample
