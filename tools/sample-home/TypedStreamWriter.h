#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace varnholt::sample {

// Writes typedstream archives (the NSArchiver format) the way Messages stores
// `attributedBody`: shared strings and classes are written once and referred
// back to afterwards, integers use the one-, three- or five-byte forms.
class TypedStreamWriter {
public:
    TypedStreamWriter();

    // An NSMutableAttributedString holding `text` with one attribute run, as Messages archives a plain message.
    static std::string attributedString(const std::string& text);

    void typeString(const std::string& type) { sharedString(type); }
    void integer(long long value);
    // Starts an object of the class chain (own class first; each with its version), ending at NSObject.
    void beginObject(const std::vector<std::pair<std::string, int>>& classChain);
    void endObject();
    // A "+" value: length and bytes.
    void bytes(const std::string& data);
    // A "*" value (a C string), written as a shared string.
    void cString(const std::string& text);

    const std::string& data() const { return m_out; }

private:
    void sharedString(const std::string& text);
    void reference(int index);

    std::string m_out;
    std::map<std::string, int> m_sharedStrings;
    std::map<std::string, int> m_classes;
    int m_objectCount = 0;
};

} // namespace varnholt::sample
