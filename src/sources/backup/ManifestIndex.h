#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::backup {

// Which file of the phone lies under which hashed name, for every row of a backup's Manifest.db,
// held in memory so that finding a file costs no query. A phone has hundreds of thousands of files,
// so an entry is kept small: 32 bytes (the file id as 20 bytes, where its path lies among the
// paths and how long it is, its domain as a number, its kind, whether its id was well formed) plus
// the bytes of its path. The paths go back to back into blocks of 1 MiB that are never moved, so
// reading a manifest never holds its paths twice, as a growing buffer would when it is copied.
class ManifestIndex {
public:
    enum class Kind : std::uint8_t { file, folder, link, other };

    struct Entry {
        std::string_view domain;
        std::string_view relativePath;
        std::string fileID; // 40 lowercase hex digits; empty when the manifest's is anything else
        Kind kind;
    };

    // Rows in any order; `flags` as Files.flags holds it (1 file, 2 folder, 4 link). False when the
    // index cannot take the row: more than 65,536 domains, 4 GB of paths or a path of 1 MiB, more
    // than any phone holds.
    [[nodiscard]] bool add(std::string_view fileID, std::string_view domain, std::string_view relativePath,
                           std::int64_t flags);
    // Sorts the entries; call once after the last add() and before any lookup.
    void finish();

    std::optional<Entry> find(std::string_view domain, std::string_view relativePath) const;
    // Each entry of `domain` whose path is `prefix` or lies below it (the whole domain when `prefix`
    // is empty), in path order.
    void forEach(std::string_view domain, std::string_view prefix,
                 const std::function<void(const Entry&)>& visit) const;

    std::size_t size() const { return m_entries.size(); }
    // What the index holds in memory, for the benchmark.
    std::size_t bytes() const;

private:
    struct Row {
        std::array<std::uint8_t, 20> id;
        std::uint32_t pathStart; // the block in the upper bits, where in it in the lower kBlockBits
        std::uint32_t pathSize;
        std::uint16_t domain;
        Kind kind;
        bool wellNamed;
    };

    static constexpr unsigned kBlockBits = 20;
    static constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockBits;

    std::string_view pathOf(const Row& row) const
    {
        return {m_paths[row.pathStart >> kBlockBits].data() + (row.pathStart & (kBlockBytes - 1)), row.pathSize};
    }
    std::optional<std::uint16_t> domainNumber(std::string_view domain) const;
    Entry entryOf(const Row& row) const;
    // The first row of `domain` whose path is not below `path` in byte order.
    std::vector<Row>::const_iterator lowerBound(std::uint16_t domain, std::string_view path) const;

    std::vector<std::string> m_domains;
    std::map<std::string, std::uint16_t, std::less<>> m_domainNumbers;
    std::vector<std::string> m_paths; // blocks, each reserved at kBlockBytes and never grown past it
    std::vector<Row> m_entries;
};

} // namespace varnholt::backup
