#include "sources/contacts/VCardReader.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace varnholt {

namespace {
std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::vector<std::string> unfold(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    bool quotedPrintableSoftBreak = false;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (quotedPrintableSoftBreak && !lines.empty()) {
            lines.back() += line;
        } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
            lines.back() += line.substr(1);
        } else {
            lines.push_back(line);
        }
        // A quoted-printable value continues on the next line after a trailing "=".
        const std::string& current = lines.empty() ? line : lines.back();
        quotedPrintableSoftBreak =
            !current.empty() && current.back() == '=' &&
            upper(current.substr(0, current.find(':'))).find("QUOTED-PRINTABLE") != std::string::npos;
        if (quotedPrintableSoftBreak)
            lines.back().pop_back();
        if (end == text.size())
            break;
        start = end + 1;
    }
    return lines;
}

std::string decodeQuotedPrintable(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size() && std::isxdigit(static_cast<unsigned char>(value[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(value[i + 2]))) {
            out += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

// Splits at unescaped `separator` and resolves the backslash escapes of each piece.
std::vector<std::string> splitValue(const std::string& value, char separator)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            parts.back() += (next == 'n' || next == 'N') ? '\n' : next;
        } else if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string unescape(const std::string& value)
{
    return splitValue(value, '\0').front();
}
} // namespace

std::vector<Contact> VCardReader::parse(std::string_view text)
{
    std::vector<Contact> contacts;
    std::optional<Contact> current;
    std::string formattedName;
    for (const std::string& line : unfold(text)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string head = upper(line.substr(0, colon));
        std::string value = line.substr(colon + 1);
        std::string name = head.substr(0, head.find(';'));
        if (const size_t dot = name.rfind('.'); dot != std::string::npos)
            name = name.substr(dot + 1); // property group
        if (head.find("QUOTED-PRINTABLE") != std::string::npos)
            value = decodeQuotedPrintable(value);

        if (name == "BEGIN" && upper(value) == "VCARD") {
            current = Contact{};
            formattedName.clear();
        } else if (!current) {
            continue;
        } else if (name == "END") {
            if (current->givenName.empty() && current->familyName.empty())
                current->givenName = formattedName;
            contacts.push_back(std::move(*current));
            current.reset();
        } else if (name == "N") {
            const std::vector<std::string> parts = splitValue(value, ';');
            current->familyName = parts.size() > 0 ? parts[0] : "";
            current->givenName = parts.size() > 1 ? parts[1] : "";
        } else if (name == "FN") {
            formattedName = unescape(value);
        } else if (name == "TEL") {
            std::string number = unescape(value);
            if (upper(number.substr(0, 4)) == "TEL:")
                number.erase(0, 4);
            if (!number.empty())
                current->phoneNumbers.push_back(number);
        } else if (name == "EMAIL") {
            std::string address = unescape(value);
            if (upper(address.substr(0, 7)) == "MAILTO:")
                address.erase(0, 7);
            if (!address.empty())
                current->emailAddresses.push_back(address);
        }
    }
    return contacts;
}

} // namespace varnholt
