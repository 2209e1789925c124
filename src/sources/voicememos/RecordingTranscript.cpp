#include "sources/voicememos/RecordingTranscript.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string_view>

namespace varnholt {

namespace {
// A transcript of hours is a few megabytes of JSON; anything far beyond is not one.
constexpr std::uint64_t kMaxTranscriptBytes = 64ull << 20;
constexpr int kMaxDepth = 8;

struct Box {
    std::string type;
    std::uint64_t payloadStart = 0;
    std::uint64_t end = 0;
};

std::optional<Box> readBoxHeader(std::ifstream& in, std::uint64_t at, std::uint64_t limit)
{
    if (at + 8 > limit)
        return std::nullopt;
    std::array<unsigned char, 16> header{};
    in.clear();
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(header.data()), 8))
        return std::nullopt;
    std::uint64_t size = 0;
    for (int i = 0; i < 4; ++i)
        size = (size << 8) | header[i];
    Box box{std::string(reinterpret_cast<const char*>(header.data()) + 4, 4), at + 8, 0};
    if (size == 1) { // a 64-bit size follows the type
        if (!in.read(reinterpret_cast<char*>(header.data()) + 8, 8))
            return std::nullopt;
        size = 0;
        for (int i = 8; i < 16; ++i)
            size = (size << 8) | header[i];
        box.payloadStart = at + 16;
    } else if (size == 0) { // to the end of the enclosing box
        size = limit - at;
    }
    if (size < box.payloadStart - at || at + size > limit)
        return std::nullopt;
    box.end = at + size;
    return box;
}

bool isContainer(std::string_view type)
{
    return type == "moov" || type == "trak" || type == "mdia" || type == "minf" || type == "udta" || type == "meta" ||
           type == "ilst";
}

std::optional<Box> findTranscriptBox(std::ifstream& in, std::uint64_t from, std::uint64_t to, int depth)
{
    if (depth > kMaxDepth)
        return std::nullopt;
    for (std::uint64_t at = from; at < to;) {
        const std::optional<Box> box = readBoxHeader(in, at, to);
        if (!box)
            return std::nullopt;
        if (box->type == "tsrp")
            return box;
        if (isContainer(box->type)) {
            std::uint64_t children = box->payloadStart;
            // An ISO 'meta' is a full box (version and flags first); a QuickTime one is not.
            if (box->type == "meta") {
                std::array<char, 4> versionAndFlags{};
                in.clear();
                in.seekg(static_cast<std::streamoff>(children));
                if (in.read(versionAndFlags.data(), 4) && versionAndFlags == std::array<char, 4>{})
                    children += 4;
            }
            if (auto found = findTranscriptBox(in, children, box->end, depth + 1))
                return found;
        }
        at = box->end;
    }
    return std::nullopt;
}

void appendStrings(const nlohmann::json& values, std::string& text)
{
    for (const nlohmann::json& value : values)
        if (value.is_string())
            text += value.get<std::string>();
}
} // namespace

std::optional<std::string> readRecordingTranscript(const std::filesystem::path& recording)
{
    std::ifstream in(recording, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const auto length = static_cast<std::uint64_t>(in.tellg());
    const std::optional<Box> box = findTranscriptBox(in, 0, length, 0);
    if (!box || box->end - box->payloadStart > kMaxTranscriptBytes)
        return std::nullopt;
    std::string payload(box->end - box->payloadStart, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(box->payloadStart));
    if (!in.read(payload.data(), static_cast<std::streamsize>(payload.size())))
        return std::nullopt;
    // The JSON may sit directly in the atom or in a 'data' item inside it.
    const std::size_t open = payload.find('{');
    const std::size_t close = payload.rfind('}');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return std::nullopt;
    const nlohmann::json json = nlohmann::json::parse(payload.substr(open, close - open + 1), nullptr, false);
    if (!json.is_object() || !json.contains("attributedString"))
        return std::nullopt;
    // Either a flat list of strings and their attributes, or an object whose "runs" are.
    const nlohmann::json& attributed = json["attributedString"];
    std::string text;
    if (attributed.is_array())
        appendStrings(attributed, text);
    else if (attributed.is_object() && attributed.contains("runs") && attributed["runs"].is_array())
        appendStrings(attributed["runs"], text);
    else if (attributed.is_string())
        text = attributed.get<std::string>();
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace varnholt
