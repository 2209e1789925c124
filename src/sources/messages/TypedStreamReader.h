#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Reads the text of an attributed string archived as a typedstream (the
// NSArchiver format Messages keeps in `attributedBody`). It understands the
// archive's structure only as far as the string's own characters: the header,
// shared strings and their back references, class chains, and the first
// NSString inside the root NSAttributedString. Attribute runs are not needed.
class TypedStreamReader {
public:
    explicit TypedStreamReader(std::string_view bytes) : m_bytes(bytes) {}

    // The attributed string's text, byte for byte as archived (UTF-8), or
    // nothing when the bytes are not such an archive.
    std::optional<std::string> attributedStringText();

private:
    // One entry of the object table: a class (with its superclass chain) or an object.
    struct TableEntry {
        std::vector<std::string> classChain; // for classes: own name first; empty for objects
    };

    bool readHeader();
    std::optional<std::uint8_t> readByte();
    std::optional<std::int64_t> readInteger();
    std::optional<std::int64_t> readIntegerAfter(std::uint8_t first);
    std::optional<std::string> readSharedString();
    // Returns the class chain of a class reference (empty for nil).
    std::optional<std::vector<std::string>> readClass();
    std::optional<std::string> readStringObject();
    std::optional<std::string> readStringBytes();

    std::string_view m_bytes;
    size_t m_position = 0;
    std::vector<std::string> m_sharedStrings;
    std::vector<TableEntry> m_objects;
};

} // namespace varnholt
