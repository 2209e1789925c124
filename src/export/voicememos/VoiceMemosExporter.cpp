#include "export/voicememos/VoiceMemosExporter.h"

#include "platform/ByteCount.h"
#include "platform/DomainError.h"
#include "platform/FileAttributes.h"
#include "platform/FileCopy.h"
#include "platform/FileNameRule.h"
#include "platform/Files.h"
#include "platform/Iso8601.h"
#include "platform/Trace.h"
#include "platform/UniqueNames.h"
#include "sources/SourceAccess.h"
#include "sources/voicememos/RecordingCatalog.h"
#include "sources/voicememos/RecordingTranscript.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fmt/format.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
std::string plural(size_t count)
{
    return count == 1 ? "" : "s";
}

bool listFolder(const std::string& folder)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    return !ec;
}

fs::path resolved(const fs::path& path)
{
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : canonical;
}

const FileNameRule& recordingNameRule()
{
    static const FileNameRule kRule("recording", 255);
    return kRule;
}

// "2024-03-05 14.03 Grocery list idea", in the local time the user recorded it in; nothing without
// a date and a title.
std::optional<std::string> titledStem(const RecordingDetails& details)
{
    if (!details.title || !details.recordedAt)
        return std::nullopt;
    const auto seconds = static_cast<std::time_t>(*details.recordedAt);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return std::nullopt;
    return fmt::format("{:04}-{:02}-{:02} {:02}.{:02} {}", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour, local.tm_min, *details.title);
}
} // namespace

bool VoiceMemosExporter::isAudioName(const std::string& relativePath)
{
    static const std::set<std::string> kExtensions{".m4a", ".mp3", ".wav", ".aiff", ".aac", ".mp4", ".caf"};
    std::string extension = fs::path(relativePath).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return kExtensions.count(extension) > 0;
}

VoiceMemosExporter::VoiceMemosExporter(ProgressHandler progressHandler, SourcePtr source, std::stop_token stop,
                                       ListingProbe canList)
    : m_progressHandler(std::move(progressHandler)), m_source(std::move(source)), m_stop(std::move(stop)),
      m_canList(canList ? std::move(canList) : ListingProbe(listFolder))
{
}

void VoiceMemosExporter::reportProgress(double fraction, const std::string& message) const
{
    if (m_progressHandler)
        m_progressHandler(fraction, message);
}

std::optional<std::string> VoiceMemosExporter::locateRecordingsFolder() const
{
    for (const std::string& path : m_source->recordingFolders()) {
        std::error_code ec;
        if (!fs::exists(path, ec))
            continue;
        if (!m_canList(path)) {
            Trace::line("[VoiceMemosExporter] Permission denied for: " + path);
            continue;
        }
        Trace::line("[VoiceMemosExporter] Found accessible directory: " + path);
        return path;
    }
    return std::nullopt;
}

std::string VoiceMemosExporter::noRecordingsFolderText() const
{
    // Named by the first place the recordings are kept that exists, else by the first of them.
    const std::vector<std::string> folders = m_source->recordingFolders();
    std::string named = folders.empty() ? m_source->root() : folders.front();
    for (const std::string& path : folders) {
        std::error_code ec;
        if (fs::exists(path, ec)) {
            named = path;
            break;
        }
    }
    return "Could not find accessible Voice Memos directory. " +
           cannotReadText(*m_source, "the Voice Memos recordings", named);
}

std::vector<VoiceMemosExporter::AudioFile> VoiceMemosExporter::findAudioFiles(const std::string& folder)
{
    std::vector<AudioFile> files;
    std::error_code ec;
    // Folder symlinks are not followed, so a link back up the tree cannot loop the walk.
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return files;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        const std::string relative = it->path().lexically_relative(folder).generic_string();
        if (!isAudioName(relative))
            continue;
        // Only regular files (or links to them) are recordings; copying a FIFO or a device would never end.
        std::error_code statusError;
        if (!fs::is_regular_file(it->path(), statusError))
            continue;
        files.push_back({(fs::path(folder) / relative).string(), relative, std::nullopt});
    }
    return files;
}

std::vector<VoiceMemosExporter::AudioFile> VoiceMemosExporter::withinHome(std::vector<AudioFile> files) const
{
    // A link in the recordings folder may point anywhere on the machine; only the home is exported.
    const std::string container = m_source->copiedFilesContainer();
    const fs::path home = resolved(container.empty() ? fs::path("/") : fs::path(container));
    std::erase_if(files, [&home](const AudioFile& file) {
        if (isWithin(home, resolved(file.source)))
            return false;
        Trace::line("[VoiceMemosExporter] \u26A0\uFE0F Skipped " + file.relativePath +
                    ": it is a link to a file outside the home folder");
        return true;
    });
    return files;
}

void VoiceMemosExporter::exportTo(const std::string& outputPath, DryRun dryRun)
{
    reportProgress(0.0, "Locating Voice Memos...");

    const std::optional<std::string> folder = locateRecordingsFolder();
    if (!folder)
        throw DomainError("VoiceMemosExporter", 1, noRecordingsFolderText(), ErrorKind::notFound);

    reportProgress(0.1, "Found Voice Memos at: " + fs::path(*folder).filename().string());

    const std::vector<AudioFile> audioFiles =
        withNames(withinHome(findAudioFiles(*folder)), *folder, dryRun == DryRun::yes ? std::string() : outputPath);
    if (audioFiles.empty()) {
        reportProgress(1.0, "No voice memos found");
        return;
    }
    const size_t count = audioFiles.size();
    reportProgress(0.2, "Found " + std::to_string(count) + " voice memo" + plural(count));

    if (dryRun == DryRun::yes) {
        std::uint64_t total = 0;
        for (const AudioFile& file : audioFiles)
            total += readFileAttributes(file.source).size.value_or(0);
        // The preview names the recordings as the user knows them, where the catalog does.
        std::string titles;
        std::size_t titled = 0;
        constexpr std::size_t kTitlesShown = 10;
        for (const AudioFile& file : audioFiles) {
            if (!file.details || !file.details->title)
                continue;
            if (++titled <= kTitlesShown)
                titles += (titled == 1 ? ". Titles: " : ", ") + *file.details->title;
        }
        if (titled > kTitlesShown)
            titles += " and " + std::to_string(titled - kTitlesShown) + " more";
        reportProgress(1.0, "Dry run complete: " + std::to_string(count) + " voice memo" + plural(count) +
                                ", total size: " + formatByteCount(total) + titles);
        return;
    }

    if (auto created = createDirectories(outputPath); !created)
        throw created.error();

    reportProgress(0.3, "Copying voice memos...");

    size_t copied = 0;
    std::vector<std::string> failed;
    std::map<std::string, std::string> transcripts; // recording's relative path -> transcript's
    UniqueNames transcriptNames;
    for (size_t i = 0; i < count; ++i) {
        if (m_stop.stop_requested())
            return;
        const AudioFile& file = audioFiles[i];
        const fs::path destination = fs::path(outputPath) / file.relativePath;
        if (auto parent = createDirectories(destination.parent_path()); !parent)
            throw parent.error();

        if (auto copy = copyFileAtomically(file.source, destination); !copy) {
            Trace::line("[VoiceMemosExporter] Failed to copy " + file.relativePath + ": " +
                        copy.error().error.description());
            // A recording the source cannot give is counted; an output that cannot take it ends the export.
            if (copy.error().side == CopySide::output)
                throw copy.error().error;
            failed.push_back(file.relativePath);
            continue;
        }
        ++copied;
        keepTheRecordingDate(file, destination);
        if (auto transcript = writeTranscript(file, outputPath, transcriptNames))
            transcripts[file.relativePath] = *transcript;
        reportProgress(0.3 + (static_cast<double>(i + 1) / static_cast<double>(count)) * 0.6,
                       "Copying voice memo " + std::to_string(i + 1) + " of " + std::to_string(count));
    }

    reportProgress(0.95, "Creating metadata...");
    createMetadata(audioFiles, transcripts, outputPath);

    std::string done = "Export complete: " + std::to_string(copied) + " voice memo" + plural(copied) + " copied";
    if (!failed.empty())
        done += " (" + std::to_string(failed.size()) + " failed)";
    reportProgress(1.0, done);
}

std::vector<VoiceMemosExporter::AudioFile> VoiceMemosExporter::withNames(std::vector<AudioFile> files,
                                                                         const std::string& folder,
                                                                         const std::string& scratchFolder) const
{
    const RecordingCatalog catalog = RecordingCatalog::read(folder, scratchFolder);
    // Each part of the path through the file-name rule, and no two alike without case (the
    // recordings may come from a volume that tells case apart).
    // Claimed in path order, so that the same recordings get the same numbers on every run.
    std::vector<AudioFile*> inOrder;
    for (AudioFile& file : files)
        inOrder.push_back(&file);
    std::sort(inOrder.begin(), inOrder.end(),
              [](const AudioFile* a, const AudioFile* b) { return a->relativePath < b->relativePath; });
    UniqueNames taken;
    for (AudioFile* entry : inOrder) {
        AudioFile& file = *entry;
        if (const RecordingDetails* details = catalog.find(file.relativePath))
            file.details = *details;
        fs::path safe;
        for (const fs::path& part : fs::path(file.relativePath))
            safe /= recordingNameRule().apply(part.string());
        fs::path stem = safe.parent_path() / safe.stem();
        if (m_naming == Naming::byTitle && file.details)
            if (auto titled = titledStem(*file.details))
                stem = safe.parent_path() / recordingNameRule().apply(*titled);
        file.relativePath = taken.claim(stem.string(), safe.extension().string());
    }
    return files;
}

void VoiceMemosExporter::keepTheRecordingDate(const AudioFile& file, const fs::path& copy) const
{
    // The copy keeps its source file's date; but a file from an iPhone backup is dated when the
    // backup was made, so the phone's own record of when it was recorded comes first.
    if (!file.details || !file.details->recordedAt)
        return;
    const auto when =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(*file.details->recordedAt)));
    if (!setModificationTime(copy.string(), when))
        Trace::line("[VoiceMemosExporter] \u26A0\uFE0F Could not date " + file.relativePath +
                    " when it was recorded; it keeps its file's date");
}

std::optional<std::string> VoiceMemosExporter::writeTranscript(const AudioFile& file, const std::string& outputPath,
                                                               UniqueNames& taken) const
{
    const std::optional<std::string> text = readRecordingTranscript(file.source);
    if (!text)
        return std::nullopt;
    const fs::path copy(file.relativePath);
    const std::string relative = taken.claim((copy.parent_path() / copy.stem()).string(), ".txt");
    if (auto written = writeFileAtomically(fs::path(outputPath) / relative, *text + "\n"); !written)
        throw written.error();
    return relative;
}

void VoiceMemosExporter::createMetadata(const std::vector<AudioFile>& audioFiles,
                                        const std::map<std::string, std::string>& transcripts,
                                        const std::string& outputPath) const
{
    nlohmann::json files = nlohmann::json::array();
    for (const AudioFile& file : audioFiles) {
        const fs::path source(file.source);
        std::string extension = source.extension().string();
        if (!extension.empty())
            extension.erase(0, 1);
        nlohmann::json entry{
            {"filename", source.filename().string()},
            {"path", file.relativePath},
            {"extension", extension},
            {"type", "audio"},
        };
        const FileAttributes attributes = readFileAttributes(file.source);
        if (attributes.size)
            entry["size"] = *attributes.size;
        if (attributes.created)
            entry["created"] = formatIso8601(*attributes.created);
        if (attributes.modified)
            entry["modified"] = formatIso8601(*attributes.modified);
        if (file.details) {
            const RecordingDetails& details = *file.details;
            if (details.title)
                entry["title"] = *details.title;
            if (details.recordedAt)
                entry["recorded_at"] = formatIso8601(*details.recordedAt);
            if (details.durationSeconds)
                entry["duration_seconds"] = *details.durationSeconds;
            if (details.folder)
                entry["folder"] = *details.folder;
            if (details.recentlyDeleted)
                entry["recently_deleted"] = *details.recentlyDeleted;
        }
        if (auto it = transcripts.find(file.relativePath); it != transcripts.end())
            entry["transcript"] = it->second;
        files.push_back(std::move(entry));
    }
    const nlohmann::json metadata{
        {"export_date", formatIso8601(std::chrono::system_clock::now())},
        {"total_files", audioFiles.size()},
        {"files", std::move(files)},
    };
    // File names need not be valid UTF-8; replace what is not rather than fail the whole file.
    const std::string text = metadata.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    if (auto written = writeFileAtomically(fs::path(outputPath) / "voice_memos_metadata.json", text); !written)
        throw written.error();
}

} // namespace varnholt
