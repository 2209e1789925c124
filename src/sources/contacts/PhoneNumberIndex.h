#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace varnholt {

// Finds the owners of phone numbers that libphonenumber considers the same number
// as a given one: an exact match, or the same national significant number when one
// side has no country code (as the macOS contacts store matches). Numbers are
// bucketed by their last four digits so that a lookup compares only a handful.
class PhoneNumberIndex {
public:
    void add(size_t owner, const std::string& number);
    // Owners with a matching number, each once, in ascending order.
    std::vector<size_t> ownersMatching(const std::string& number) const;

    static bool sameNumber(const std::string& first, const std::string& second);

private:
    struct Entry {
        size_t owner;
        std::string number;
    };
    static std::string bucketKey(const std::string& number);

    std::map<std::string, std::vector<Entry>> m_buckets;
};

} // namespace varnholt
