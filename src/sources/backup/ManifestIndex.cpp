#include "sources/backup/ManifestIndex.h"

#include <algorithm>
#include <limits>

namespace varnholt::backup {

namespace {
ManifestIndex::Kind kindOf(std::int64_t flags)
{
    switch (flags) {
    case 1:
        return ManifestIndex::Kind::file;
    case 2:
        return ManifestIndex::Kind::folder;
    case 4:
        return ManifestIndex::Kind::link;
    default:
        return ManifestIndex::Kind::other;
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The stored name becomes a path: anything but 40 lowercase hex digits could point out of the backup.
bool parseFileID(std::string_view text, std::array<std::uint8_t, 20>& id)
{
    if (text.size() != 2 * id.size())
        return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const int high = hexDigit(text[2 * i]);
        const int low = hexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        id[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}
} // namespace

bool ManifestIndex::add(std::string_view fileID, std::string_view domain, std::string_view relativePath,
                        std::int64_t flags)
{
    // A new block where the path would not fit whole below the block's end (the offset stays below 2^kBlockBits).
    if (m_paths.empty() || m_paths.back().size() + relativePath.size() >= kBlockBytes) {
        if (relativePath.size() >= kBlockBytes || m_paths.size() >= (std::size_t{1} << (32 - kBlockBits)))
            return false;
        m_paths.emplace_back().reserve(kBlockBytes);
    }
    auto number = m_domainNumbers.find(domain);
    if (number == m_domainNumbers.end()) {
        if (m_domains.size() > std::numeric_limits<std::uint16_t>::max())
            return false;
        number = m_domainNumbers.emplace(std::string(domain), static_cast<std::uint16_t>(m_domains.size())).first;
        m_domains.emplace_back(domain);
    }
    Row row{};
    row.kind = kindOf(flags);
    row.wellNamed = parseFileID(fileID, row.id);
    std::string& block = m_paths.back();
    row.pathStart = static_cast<std::uint32_t>(((m_paths.size() - 1) << kBlockBits) | block.size());
    row.pathSize = static_cast<std::uint32_t>(relativePath.size());
    row.domain = number->second;
    block.append(relativePath);
    m_entries.push_back(row);
    return true;
}

void ManifestIndex::finish()
{
    static_assert(sizeof(Row) == 32, "an index entry stays small: a phone has hundreds of thousands of files");
    std::sort(m_entries.begin(), m_entries.end(), [this](const Row& a, const Row& b) {
        return a.domain != b.domain ? a.domain < b.domain : pathOf(a) < pathOf(b);
    });
    // Shrinking copies every entry once more: worth it only where a quarter or more lies unused.
    if (m_entries.size() < m_entries.capacity() / 4 * 3)
        m_entries.shrink_to_fit();
    if (!m_paths.empty())
        m_paths.back().shrink_to_fit();
}

std::optional<std::uint16_t> ManifestIndex::domainNumber(std::string_view domain) const
{
    const auto found = m_domainNumbers.find(domain);
    if (found == m_domainNumbers.end())
        return std::nullopt;
    return found->second;
}

std::vector<ManifestIndex::Row>::const_iterator ManifestIndex::lowerBound(std::uint16_t domain,
                                                                          std::string_view path) const
{
    return std::lower_bound(m_entries.begin(), m_entries.end(), std::pair(domain, path),
                            [this](const Row& row, const std::pair<std::uint16_t, std::string_view>& key) {
                                return row.domain != key.first ? row.domain < key.first : pathOf(row) < key.second;
                            });
}

ManifestIndex::Entry ManifestIndex::entryOf(const Row& row) const
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string fileID;
    if (row.wellNamed) {
        fileID.reserve(2 * row.id.size());
        for (std::uint8_t byte : row.id) {
            fileID += kHex[byte >> 4];
            fileID += kHex[byte & 0xF];
        }
    }
    return Entry{m_domains[row.domain], pathOf(row), std::move(fileID), row.kind};
}

std::optional<ManifestIndex::Entry> ManifestIndex::find(std::string_view domain, std::string_view relativePath) const
{
    const std::optional<std::uint16_t> number = domainNumber(domain);
    if (!number)
        return std::nullopt;
    const auto found = lowerBound(*number, relativePath);
    if (found == m_entries.end() || found->domain != *number || pathOf(*found) != relativePath)
        return std::nullopt;
    return entryOf(*found);
}

void ManifestIndex::forEach(std::string_view domain, std::string_view prefix,
                            const std::function<void(const Entry&)>& visit) const
{
    const std::optional<std::uint16_t> number = domainNumber(domain);
    if (!number)
        return;
    auto visitRange = [&](std::vector<Row>::const_iterator from, std::vector<Row>::const_iterator to) {
        for (; from != to; ++from)
            visit(entryOf(*from));
    };
    if (prefix.empty()) {
        visitRange(lowerBound(*number, {}),
                   std::upper_bound(m_entries.begin(), m_entries.end(), *number,
                                    [](std::uint16_t key, const Row& row) { return key < row.domain; }));
        return;
    }
    // The prefix itself sorts before everything below it; what lies below it ("prefix/…") is one
    // run, ending where "prefix0" would start ('0' follows '/'), though "prefix …" may come between.
    if (std::optional<Entry> itself = find(domain, prefix))
        visit(*itself);
    const std::string below = std::string(prefix) + '/';
    const std::string after = std::string(prefix) + '0';
    visitRange(lowerBound(*number, below), lowerBound(*number, after));
}

std::size_t ManifestIndex::bytes() const
{
    std::size_t total = m_entries.capacity() * sizeof(Row);
    for (const std::string& block : m_paths)
        total += block.capacity() + sizeof(std::string);
    for (const std::string& domain : m_domains)
        total += 2 * (domain.capacity() + sizeof(std::string)) + 64; // the name twice, a map node
    return total;
}

} // namespace varnholt::backup
