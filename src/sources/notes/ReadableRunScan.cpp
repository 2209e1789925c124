#include "sources/notes/ReadableRunScan.h"

#include <array>
#include <vector>

namespace varnholt::notesdb {

namespace {
constexpr std::array<std::string_view, 25> kNoise{
    "W~B",         "3U?[",        "|4J!D~+",     "|4J!D~",           "g*",          "JATDS`mTRgh", "eJXf)J=t81",
    "J;9=,Hq0@h",  "J:BxJLT\"}h", "DN|L3^h",     "eJ9\"DkVhA8v%\\h", "9\t3MDGIh}h", "J(?'CM,&ch",  "*<b2",
    "fJD./]@CZ?h", "eJ7QG]('|4h", "eJtTEI[b4.h", "JL<sN#B6.bh",      "*6b2",        "J\"Iwj@-!Gh", ">EKr0!h",
    "eJ&UKJ",      "R(]h",        "W\\L+\"xq",   "QfnOj6",
};
constexpr std::array<std::string_view, 8> kNoisePrefixes{"3U?[", "W~B", "J:BxJLT", "|4J!D", "eJ", "fJ", "*<b", "*6b"};

bool isReadable(unsigned char b)
{
    return (b >= 32 && b < 127) || b == '\n' || b == '\r' || b == '\t';
}

bool isTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Characters as a reader counts them: a CR LF pair is one.
std::size_t characterCount(std::string_view run)
{
    std::size_t count = run.size();
    for (std::size_t i = 0; i + 1 < run.size(); ++i)
        if (run[i] == '\r' && run[i + 1] == '\n')
            --count;
    return count;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return;
    std::string out;
    std::size_t start = 0;
    std::size_t at = text.find(from);
    if (at == std::string::npos)
        return;
    out.reserve(text.size());
    while (at != std::string::npos) {
        out.append(text, start, at - start);
        out += to;
        start = at + from.size();
        at = text.find(from, start);
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

constexpr std::size_t kMinimumRun = 10;
constexpr std::size_t kSkippedUnreadable = 3;
} // namespace

bool isNoiseRun(std::string_view trimmed)
{
    for (std::string_view noise : kNoise)
        if (trimmed == noise)
            return true;
    for (std::string_view prefix : kNoisePrefixes)
        if (startsWith(trimmed, prefix))
            return true;
    return false;
}

std::optional<std::string> extractTextFromProtobuf(std::string_view bytes)
{
    std::string run;
    std::size_t unreadable = 0;
    std::vector<std::string> parts;

    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (isReadable(b)) {
            run += c;
            unreadable = 0;
            continue;
        }
        if (++unreadable <= kSkippedUnreadable)
            continue; // short gaps (a length byte, a tag) do not end a run
        if (characterCount(run) >= kMinimumRun) {
            const std::string_view trimmed = trim(run);
            if (!trimmed.empty() && !startsWith(trimmed, "com.apple") && !startsWith(trimmed, "ZTITLE") &&
                !startsWith(trimmed, "ZDATA") && !isNoiseRun(trimmed))
                parts.emplace_back(trimmed);
        }
        run.clear();
    }
    if (characterCount(run) >= kMinimumRun) {
        const std::string_view trimmed = trim(run);
        if (!trimmed.empty() && !isNoiseRun(trimmed))
            parts.emplace_back(trimmed);
    }
    if (parts.empty())
        return std::nullopt;

    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += parts[i];
    }
    for (std::string_view noise : kNoise) {
        replaceAll(text, "\n" + std::string(noise), "");
        replaceAll(text, std::string(noise) + "\n", "");
        replaceAll(text, noise, "");
    }
    replaceAll(text, "\n\"", "");
    replaceAll(text, "\"\n", "\n");
    while (text.find("\n\n\n") != std::string::npos)
        replaceAll(text, "\n\n\n", "\n\n");

    const std::string_view trimmed = trim(text);
    if (trimmed.empty())
        return std::nullopt;
    return std::string(trimmed);
}

} // namespace varnholt::notesdb
