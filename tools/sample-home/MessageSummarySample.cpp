#include "sample-home/MessageSummarySample.h"

#include "sample-home/SamplePlist.h"
#include "sample-home/TypedStreamWriter.h"

#include <cstdint>

namespace varnholt::sample {

std::string messageSummaryInfo(const std::vector<std::pair<double, std::string>>& versions, int partCount,
                               const std::vector<int>& unsentParts)
{
    const PlistPtr root(plist_new_dict());
    if (!versions.empty()) {
        plist_t edits = plist_new_dict();
        plist_t list = plist_new_array();
        for (const auto& [seconds, text] : versions) {
            plist_t version = plist_new_dict();
            plist_dict_set_item(version, "d", plist_new_real(seconds));
            const std::string body = TypedStreamWriter::attributedString(text);
            plist_dict_set_item(version, "t", plist_new_data(body.data(), body.size()));
            plist_array_append_item(list, version);
        }
        plist_dict_set_item(edits, "0", list);
        plist_dict_set_item(root.get(), "ec", edits);
        plist_t edited = plist_new_array();
        plist_array_append_item(edited, plist_new_uint(0));
        plist_dict_set_item(root.get(), "ep", edited);
    }
    plist_t ranges = plist_new_dict();
    for (int part = 0; part < partCount; ++part) {
        plist_t range = plist_new_dict();
        plist_dict_set_item(range, "lo", plist_new_uint(static_cast<std::uint64_t>(part)));
        plist_dict_set_item(range, "le", plist_new_uint(1));
        plist_dict_set_item(ranges, std::to_string(part).c_str(), range);
    }
    plist_dict_set_item(root.get(), "otr", ranges);
    if (!unsentParts.empty()) {
        plist_t retracted = plist_new_array();
        for (const int part : unsentParts)
            plist_array_append_item(retracted, plist_new_uint(static_cast<std::uint64_t>(part)));
        plist_dict_set_item(root.get(), "rp", retracted);
    }
    return binaryPlist(root.get());
}

} // namespace varnholt::sample
