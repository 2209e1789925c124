#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::notesdb {

// A decoded note body: the text with its formatting runs and attachment references.
// Run boundaries are byte offsets into `text` (UTF-8), converted from the UTF-16
// lengths the store keeps, so a renderer can slice the text directly.
struct NoteDocument {
    enum class StyleType : int {
        body = -1,
        title = 0,
        heading = 1,
        subheading = 2,
        monospaced = 4,
        bulleted = 100,
        dashed = 101,
        numbered = 102,
        checklist = 103,
    };
    enum class FontWeight : int { regular = 0, bold = 1, italic = 2, boldItalic = 3 };

    struct Checklist {
        std::string uuid; // 16 raw bytes as stored
        bool done = false;
    };
    struct ParagraphStyle {
        StyleType styleType = StyleType::body;
        int indent = 0;
        std::optional<Checklist> checklist;
    };
    struct AttachmentReference {
        std::string identifier; // ZIDENTIFIER of the attachment row
        std::string typeUti;
    };
    struct Run {
        std::size_t begin = 0; // byte offsets into `text`, begin <= end
        std::size_t end = 0;
        ParagraphStyle paragraphStyle;
        FontWeight fontWeight = FontWeight::regular;
        bool underlined = false;
        bool strikethrough = false;
        int superscript = 0;
        std::string link;
        std::optional<AttachmentReference> attachment;
    };

    // The object replacement character that stands for an attachment in the text.
    static constexpr std::string_view kAttachmentCharacter = "\xEF\xBF\xBC";

    std::string text;
    std::vector<Run> runs;

    // Attachments in text order.
    std::vector<AttachmentReference> attachments() const;
    // Text that stands for an attachment in plain text; absent for the usual "[attachment: <type>]".
    using AttachmentText = std::function<std::optional<std::string>(const AttachmentReference&)>;
    // The text with each attachment's U+FFFC written as `attachmentText` gives it, else as
    // "[attachment: " + its type + "]".
    std::string plainText(const AttachmentText& attachmentText = {}) const;
};

} // namespace varnholt::notesdb
