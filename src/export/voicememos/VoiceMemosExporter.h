#pragma once

#include "model/DryRun.h"
#include "model/recordings/RecordingDetails.h"
#include "platform/ProgressHandler.h"
#include "sources/Source.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

class UniqueNames;

// Copies the Voice Memos recordings out of the first readable recordings
// folder of the source and describes them in voice_memos_metadata.json.
class VoiceMemosExporter {
public:
    struct AudioFile {
        std::string source;                      // absolute path of the recording
        std::string relativePath;                // path below the recordings folder, and below the output folder
        std::optional<RecordingDetails> details; // from the app's catalog, when it knows the recording
    };
    // How the copies are named: as the files are, or "YYYY-MM-DD HH.MM <title>" from the catalog.
    enum class Naming { asFiles, byTitle };
    // Whether a folder can be listed. The default tries to open it.
    using ListingProbe = std::function<bool(const std::string& folder)>;

    static bool isAudioName(const std::string& relativePath);

    VoiceMemosExporter(ProgressHandler progressHandler, SourcePtr source, std::stop_token stop = {},
                       ListingProbe canList = {});

    // Throws an Error when the export cannot go on. Returns early, without
    // writing metadata, when a stop is requested.
    void exportTo(const std::string& outputPath, DryRun dryRun = DryRun::no);
    void setNaming(Naming naming) { m_naming = naming; }

    // The first readable candidate, if any (logs skipped ones).
    std::optional<std::string> locateRecordingsFolder() const;
    static std::vector<AudioFile> findAudioFiles(const std::string& folder);

private:
    // Why no recordings folder was taken, and what to do about it.
    std::string noRecordingsFolderText() const;
    // The files that are, or link to, files inside the source home; the others are logged and left out.
    std::vector<AudioFile> withinHome(std::vector<AudioFile> files) const;
    void reportProgress(double fraction, const std::string& message) const;
    std::vector<AudioFile> withNames(std::vector<AudioFile> files, const std::string& folder,
                                     const std::string& scratchFolder) const;
    // Dates the copy when the recording was made, where the catalog says so.
    void keepTheRecordingDate(const AudioFile& file, const std::filesystem::path& copy) const;
    // Writes the recording's transcript, if it holds one, beside its copy; returns the file's relative path.
    std::optional<std::string> writeTranscript(const AudioFile& file, const std::string& outputPath,
                                               UniqueNames& taken) const;
    void createMetadata(const std::vector<AudioFile>& audioFiles, const std::map<std::string, std::string>& transcripts,
                        const std::string& outputPath) const;

    ProgressHandler m_progressHandler;
    SourcePtr m_source;
    std::stop_token m_stop;
    ListingProbe m_canList;
    Naming m_naming = Naming::asFiles;
};

} // namespace varnholt
