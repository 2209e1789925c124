#include "sources/messages/TypedStreamReader.h"

#include "platform/Utf8.h"

#include <algorithm>

namespace varnholt {

namespace {
constexpr std::uint8_t kTagInt16 = 0x81;
constexpr std::uint8_t kTagInt32 = 0x82;
constexpr std::uint8_t kTagFloat = 0x83;
constexpr std::uint8_t kTagNew = 0x84;
constexpr std::uint8_t kTagNil = 0x85;
constexpr std::uint8_t kTagEnd = 0x86;
constexpr std::uint8_t kReferenceBase = 0x92;
// A back reference is stored as its table index plus this value (0x92 read as a signed byte).
constexpr std::int64_t kReferenceOffset = -110;

bool chainHas(const std::vector<std::string>& chain, std::string_view name)
{
    return std::find(chain.begin(), chain.end(), name) != chain.end();
}
} // namespace

std::optional<std::uint8_t> TypedStreamReader::readByte()
{
    if (m_position >= m_bytes.size())
        return std::nullopt;
    return static_cast<std::uint8_t>(m_bytes[m_position++]);
}

std::optional<std::int64_t> TypedStreamReader::readIntegerAfter(std::uint8_t first)
{
    auto littleEndian = [this](size_t count) -> std::optional<std::uint32_t> {
        if (m_bytes.size() - m_position < count)
            return std::nullopt;
        std::uint32_t value = 0;
        for (size_t i = 0; i < count; ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_position + i])) << (8 * i);
        m_position += count;
        return value;
    };
    if (first == kTagInt16) {
        auto value = littleEndian(2);
        if (!value)
            return std::nullopt;
        return static_cast<std::int16_t>(*value);
    }
    if (first == kTagInt32) {
        auto value = littleEndian(4);
        if (!value)
            return std::nullopt;
        return static_cast<std::int32_t>(*value);
    }
    if (first >= 0x80 && first < kReferenceBase)
        return std::nullopt; // a tag where a number belongs
    return static_cast<std::int8_t>(first);
}

std::optional<std::int64_t> TypedStreamReader::readInteger()
{
    auto first = readByte();
    if (!first)
        return std::nullopt;
    return readIntegerAfter(*first);
}

std::optional<std::string> TypedStreamReader::readStringBytes()
{
    auto length = readInteger();
    if (!length || *length < 0)
        return std::nullopt;
    const size_t available = m_bytes.size() - m_position;
    if (static_cast<std::uint64_t>(*length) > available)
        return std::nullopt;
    std::string text(m_bytes.substr(m_position, static_cast<size_t>(*length)));
    m_position += static_cast<size_t>(*length);
    return text;
}

bool TypedStreamReader::readHeader()
{
    auto version = readByte();
    auto signature = readStringBytes();
    auto systemVersion = readInteger();
    return version && *version == 4 && signature && *signature == "streamtyped" && systemVersion;
}

std::optional<std::string> TypedStreamReader::readSharedString()
{
    auto tag = readByte();
    if (!tag)
        return std::nullopt;
    if (*tag == kTagNew) {
        auto text = readStringBytes();
        if (!text)
            return std::nullopt;
        m_sharedStrings.push_back(*text);
        return text;
    }
    if (*tag == kTagNil || *tag == kTagEnd || *tag == kTagFloat)
        return std::nullopt;
    auto index = readIntegerAfter(*tag);
    if (!index)
        return std::nullopt;
    const std::int64_t slot = *index - kReferenceOffset;
    if (slot < 0 || static_cast<size_t>(slot) >= m_sharedStrings.size())
        return std::nullopt;
    return m_sharedStrings[static_cast<size_t>(slot)];
}

std::optional<std::vector<std::string>> TypedStreamReader::readClass()
{
    auto tag = readByte();
    if (!tag)
        return std::nullopt;
    if (*tag == kTagNil)
        return std::vector<std::string>{};
    if (*tag == kTagNew) {
        const size_t slot = m_objects.size();
        m_objects.push_back({});
        auto name = readSharedString();
        auto version = readInteger();
        if (!name || !version)
            return std::nullopt;
        auto super = readClass();
        if (!super)
            return std::nullopt;
        std::vector<std::string> chain{*name};
        chain.insert(chain.end(), super->begin(), super->end());
        m_objects[slot].classChain = chain;
        return chain;
    }
    if (*tag == kTagEnd || *tag == kTagFloat)
        return std::nullopt;
    auto index = readIntegerAfter(*tag);
    if (!index)
        return std::nullopt;
    const std::int64_t slot = *index - kReferenceOffset;
    if (slot < 0 || static_cast<size_t>(slot) >= m_objects.size() ||
        m_objects[static_cast<size_t>(slot)].classChain.empty())
        return std::nullopt;
    return m_objects[static_cast<size_t>(slot)].classChain;
}

std::optional<std::string> TypedStreamReader::readStringObject()
{
    // The string object: new object, its class chain, then one typed value "+" (length and bytes).
    if (readByte() != kTagNew)
        return std::nullopt;
    m_objects.push_back({});
    auto chain = readClass();
    if (!chain || !chainHas(*chain, "NSString"))
        return std::nullopt;
    auto type = readSharedString();
    if (!type || *type != "+")
        return std::nullopt;
    auto length = readInteger();
    if (!length || *length < 0)
        return std::nullopt;
    const std::string_view rest = m_bytes.substr(m_position);
    if (static_cast<std::uint64_t>(*length) <= rest.size()) {
        std::string text(rest.substr(0, static_cast<size_t>(*length)));
        m_position += text.size();
        if (!utf8::isValid(text))
            return std::nullopt;
        return text;
    }
    // A declared length that runs past the archive: keep the well-formed text that is there
    // rather than lose the message (the archive's own end-of-object tag cannot be part of UTF-8).
    const size_t usable = utf8::validPrefixLength(rest);
    if (usable == 0)
        return std::nullopt;
    m_position += usable;
    return std::string(rest.substr(0, usable));
}

std::optional<std::string> TypedStreamReader::attributedStringText()
{
    m_position = 0;
    m_sharedStrings.clear();
    m_objects.clear();
    if (!readHeader())
        return std::nullopt;
    auto rootType = readSharedString();
    if (!rootType || *rootType != "@")
        return std::nullopt;
    if (readByte() != kTagNew)
        return std::nullopt;
    m_objects.push_back({});
    auto rootClass = readClass();
    if (!rootClass || !chainHas(*rootClass, "NSAttributedString"))
        return std::nullopt;
    auto stringType = readSharedString();
    if (!stringType || *stringType != "@")
        return std::nullopt;
    return readStringObject();
}

} // namespace varnholt
