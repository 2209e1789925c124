#include "model/notes/Attachment.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace varnholt::notesdb {

namespace {
std::string lowerExtension(std::string_view filename)
{
    const auto dot = filename.rfind('.');
    if (dot == std::string_view::npos || filename.find('/', dot) != std::string_view::npos)
        return {};
    std::string extension(filename.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

template <std::size_t N> bool among(std::string_view value, const std::array<std::string_view, N>& values)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

constexpr std::array<std::string_view, 9> kImageTypes{"public.jpeg",  "public.png",           "public.heic",
                                                      "public.gif",   "public.tiff",          "com.compuserve.gif",
                                                      "public.image", "org.webmproject.webp", "public.heif"};
constexpr std::array<std::string_view, 10> kImageExtensions{".jpg",  ".jpeg", ".png", ".gif",  ".heic",
                                                            ".heif", ".webp", ".tif", ".tiff", ".bmp"};
constexpr std::array<std::string_view, 8> kAudioTypes{
    "public.audio",      "public.mp3",        "public.mpeg-4-audio",          "com.apple.m4a-audio",
    "public.aiff-audio", "public.aifc-audio", "com.microsoft.waveform-audio", "com.apple.coreaudio-format"};
constexpr std::array<std::string_view, 7> kAudioExtensions{".m4a", ".mp3", ".wav", ".aac", ".aif", ".aiff", ".caf"};
constexpr std::array<std::string_view, 5> kVideoTypes{"public.movie", "public.video", "public.mpeg-4",
                                                      "com.apple.quicktime-movie", "com.apple.m4v-video"};
constexpr std::array<std::string_view, 4> kVideoExtensions{".mp4", ".mov", ".m4v", ".webm"};
} // namespace

AttachmentKind attachmentKind(std::string_view typeUti, std::string_view filename)
{
    if (typeUti == "com.apple.notes.table")
        return AttachmentKind::table;
    if (typeUti == "com.apple.notes.inlinetextattachment.hashtag")
        return AttachmentKind::hashtag;
    if (typeUti == "com.apple.notes.inlinetextattachment.mention")
        return AttachmentKind::mention;
    if (typeUti == "com.apple.notes.inlinetextattachment.link")
        return AttachmentKind::noteLink;
    if (typeUti.rfind("com.apple.notes.inlinetextattachment", 0) == 0)
        return AttachmentKind::inlineText;
    if (typeUti == "com.apple.notes.gallery")
        return AttachmentKind::gallery;
    // A scan kept as a document of its own (newer versions) before the sketches of the same family.
    if (typeUti.rfind("com.apple.paper.doc.scan", 0) == 0)
        return AttachmentKind::scan;
    if (typeUti.rfind("com.apple.drawing", 0) == 0 || typeUti.rfind("com.apple.paper", 0) == 0)
        return AttachmentKind::drawing;
    if (typeUti == "public.url")
        return AttachmentKind::link;
    // The type decides where it names a kind; only a type that does not falls back to the name.
    if (among(typeUti, kImageTypes))
        return AttachmentKind::image;
    if (typeUti == "com.adobe.pdf")
        return AttachmentKind::pdf;
    if (among(typeUti, kAudioTypes))
        return AttachmentKind::audio;
    if (among(typeUti, kVideoTypes))
        return AttachmentKind::video;
    const std::string extension = lowerExtension(filename);
    if (among(extension, kImageExtensions))
        return AttachmentKind::image;
    if (extension == ".pdf")
        return AttachmentKind::pdf;
    if (among(extension, kAudioExtensions))
        return AttachmentKind::audio;
    if (among(extension, kVideoExtensions))
        return AttachmentKind::video;
    return AttachmentKind::file;
}

std::string_view attachmentKindName(AttachmentKind kind)
{
    switch (kind) {
    case AttachmentKind::image:
        return "image";
    case AttachmentKind::pdf:
        return "pdf";
    case AttachmentKind::audio:
        return "audio";
    case AttachmentKind::video:
        return "video";
    case AttachmentKind::link:
        return "link";
    case AttachmentKind::table:
        return "table";
    case AttachmentKind::inlineText:
        return "inline";
    case AttachmentKind::drawing:
        return "drawing";
    case AttachmentKind::scan:
        return "scan";
    case AttachmentKind::gallery:
        return "gallery";
    case AttachmentKind::hashtag:
        return "hashtag";
    case AttachmentKind::mention:
        return "mention";
    case AttachmentKind::noteLink:
        return "note_link";
    case AttachmentKind::file:
        break;
    }
    return "file";
}

bool isInlineKind(AttachmentKind kind)
{
    return kind == AttachmentKind::inlineText || kind == AttachmentKind::hashtag || kind == AttachmentKind::mention ||
           kind == AttachmentKind::noteLink;
}

std::optional<std::string> Attachment::shownFile() const
{
    if (fileSource == FileSource::original && directory && filename)
        return *directory + "/" + *filename;
    if (fileSource != FileSource::none && fileSource != FileSource::original)
        return standInFile;
    return std::nullopt;
}

std::string_view fileSourceName(Attachment::FileSource source)
{
    switch (source) {
    case Attachment::FileSource::original:
        return "original";
    case Attachment::FileSource::fallbackImage:
        return "fallback_image";
    case Attachment::FileSource::fallbackPdf:
        return "fallback_pdf";
    case Attachment::FileSource::preview:
        return "preview";
    case Attachment::FileSource::none:
        break;
    }
    return {};
}

} // namespace varnholt::notesdb
