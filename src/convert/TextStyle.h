#pragma once

namespace varnholt {

// The character formatting of one run of text.
struct TextStyle {
    static constexpr int kBodySize = 24; // half-points, 12 pt

    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    bool monospace = false;
    int size = kBodySize;

    bool operator==(const TextStyle&) const = default;
};

} // namespace varnholt
