#include "sample-home/TypedStreamWriter.h"

#include "platform/Utf8.h"

#include <cstdint>

namespace varnholt::sample {

namespace {
constexpr char kTagInt16 = static_cast<char>(0x81);
constexpr char kTagInt32 = static_cast<char>(0x82);
constexpr char kTagNew = static_cast<char>(0x84);
constexpr char kTagNil = static_cast<char>(0x85);
constexpr char kTagEnd = static_cast<char>(0x86);
constexpr int kReferenceOffset = -110;
} // namespace

TypedStreamWriter::TypedStreamWriter()
{
    m_out += '\x04';
    m_out += '\x0B';
    m_out += "streamtyped";
    integer(1000);
}

void TypedStreamWriter::integer(long long value)
{
    if (value >= kReferenceOffset && value <= 127) {
        m_out += static_cast<char>(static_cast<std::int8_t>(value));
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        m_out += kTagInt16;
        for (int i = 0; i < 2; ++i)
            m_out += static_cast<char>((static_cast<std::uint16_t>(value) >> (8 * i)) & 0xFF);
    } else {
        m_out += kTagInt32;
        for (int i = 0; i < 4; ++i)
            m_out += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
    }
}

void TypedStreamWriter::reference(int index)
{
    integer(index + kReferenceOffset);
}

void TypedStreamWriter::sharedString(const std::string& text)
{
    if (auto it = m_sharedStrings.find(text); it != m_sharedStrings.end())
        return reference(it->second);
    const int index = static_cast<int>(m_sharedStrings.size());
    m_sharedStrings.emplace(text, index);
    m_out += kTagNew;
    integer(static_cast<long long>(text.size()));
    m_out += text;
}

void TypedStreamWriter::beginObject(const std::vector<std::pair<std::string, int>>& classChain)
{
    m_out += kTagNew;
    ++m_objectCount;
    for (const auto& [name, version] : classChain) {
        if (auto it = m_classes.find(name); it != m_classes.end())
            return reference(it->second); // the rest of the chain is known through it
        m_out += kTagNew;
        m_classes.emplace(name, m_objectCount++);
        sharedString(name);
        integer(version);
    }
    if (auto it = m_classes.find("NSObject"); it != m_classes.end())
        return reference(it->second);
    m_out += kTagNew;
    m_classes.emplace("NSObject", m_objectCount++);
    sharedString("NSObject");
    integer(0);
    m_out += kTagNil;
}

void TypedStreamWriter::endObject()
{
    m_out += kTagEnd;
}

void TypedStreamWriter::bytes(const std::string& data)
{
    integer(static_cast<long long>(data.size()));
    m_out += data;
}

void TypedStreamWriter::cString(const std::string& text)
{
    m_out += kTagNew;
    sharedString(text);
}

std::string TypedStreamWriter::attributedString(const std::string& text)
{
    TypedStreamWriter w;
    w.typeString("@");
    w.beginObject({{"NSMutableAttributedString", 0}, {"NSAttributedString", 0}});
    w.typeString("@");
    w.beginObject({{"NSMutableString", 1}, {"NSString", 1}});
    w.typeString("+");
    w.bytes(text);
    w.endObject();
    // One attribute run over the whole text: dictionary 1, length in UTF-16 units.
    w.typeString("iI");
    w.integer(1);
    w.integer(static_cast<long long>(utf8::utf16Length(text)));
    w.typeString("@");
    w.beginObject({{"NSDictionary", 0}});
    w.typeString("i");
    w.integer(1);
    w.typeString("@");
    w.beginObject({{"NSString", 1}});
    w.typeString("+");
    w.bytes("__kIMMessagePartAttributeName");
    w.endObject();
    w.typeString("@");
    w.beginObject({{"NSNumber", 0}, {"NSValue", 0}});
    w.typeString("*");
    w.cString("i");
    w.typeString("i");
    w.integer(0);
    w.endObject();
    w.endObject();
    w.endObject();
    return w.m_out;
}

} // namespace varnholt::sample
