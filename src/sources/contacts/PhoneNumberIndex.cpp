#include "sources/contacts/PhoneNumberIndex.h"

#include <algorithm>
#include <memory>
#include <phonenumbers/logger.h>
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

namespace varnholt {

namespace {
using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr size_t kKeyDigits = 4;

const PhoneNumberUtil& phoneUtil()
{
    static PhoneNumberUtil* util = [] {
        PhoneNumberUtil* instance = PhoneNumberUtil::GetInstance();
        instance->SetLogger(new i18n::phonenumbers::NullLogger()); // the library would log parse failures to stdout
        return instance;
    }();
    return *util;
}
} // namespace

std::string PhoneNumberIndex::bucketKey(const std::string& number)
{
    const PhoneNumberUtil& util = phoneUtil();
    std::string digits;
    PhoneNumber parsed;
    // The region only decides a missing country code; the national number's last digits do not depend on it.
    if (util.Parse(number, "ZZ", &parsed) == PhoneNumberUtil::NO_PARSING_ERROR ||
        util.Parse(number, "US", &parsed) == PhoneNumberUtil::NO_PARSING_ERROR) {
        util.GetNationalSignificantNumber(parsed, &digits);
    } else {
        digits = number;
        util.ConvertAlphaCharactersInNumber(&digits);
        util.NormalizeDigitsOnly(&digits);
    }
    return digits.size() > kKeyDigits ? digits.substr(digits.size() - kKeyDigits) : digits;
}

bool PhoneNumberIndex::sameNumber(const std::string& first, const std::string& second)
{
    // An e-mail address is never a phone number, even if the parser could dig digits out of it.
    if (first.find('@') != std::string::npos || second.find('@') != std::string::npos)
        return false;
    const auto match = phoneUtil().IsNumberMatchWithTwoStrings(first, second);
    return match == PhoneNumberUtil::EXACT_MATCH || match == PhoneNumberUtil::NSN_MATCH;
}

void PhoneNumberIndex::add(size_t owner, const std::string& number)
{
    m_buckets[bucketKey(number)].push_back({owner, number});
}

std::vector<size_t> PhoneNumberIndex::ownersMatching(const std::string& number) const
{
    std::vector<size_t> owners;
    auto check = [&](const std::vector<Entry>& entries) {
        for (const Entry& entry : entries)
            if (sameNumber(number, entry.number))
                owners.push_back(entry.owner);
    };
    const std::string key = bucketKey(number);
    if (key.size() < kKeyDigits) {
        // Very short numbers may sit in any bucket; compare with everything.
        for (const auto& [bucket, entries] : m_buckets)
            check(entries);
    } else {
        if (auto it = m_buckets.find(key); it != m_buckets.end())
            check(it->second);
        for (const auto& [bucket, entries] : m_buckets)
            if (bucket.size() < kKeyDigits)
                check(entries);
    }
    std::sort(owners.begin(), owners.end());
    owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    return owners;
}

} // namespace varnholt
