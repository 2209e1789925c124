#pragma once

#include "model/DryRun.h"
#include "platform/ProgressHandler.h"
#include "sources/Source.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

// Copies the Voice Memos recordings out of the first readable recordings
// folder of the source and describes them in voice_memos_metadata.json.
class VoiceMemosExporter {
public:
    struct AudioFile {
        std::string source;       // absolute path of the recording
        std::string relativePath; // path below the recordings folder, and below the output folder
    };
    // Whether a folder can be listed. The default tries to open it.
    using ListingProbe = std::function<bool(const std::string& folder)>;

    static bool isAudioName(const std::string& relativePath);

    VoiceMemosExporter(ProgressHandler progressHandler, SourcePtr source, std::stop_token stop = {},
                       ListingProbe canList = {});

    // Throws an Error when the export cannot go on. Returns early, without
    // writing metadata, when a stop is requested.
    void exportTo(const std::string& outputPath, DryRun dryRun = DryRun::no);

    // The first readable candidate, if any (logs skipped ones).
    std::optional<std::string> locateRecordingsFolder() const;
    static std::vector<AudioFile> findAudioFiles(const std::string& folder);

private:
    // The files that are, or link to, files inside the source home; the others are logged and left out.
    std::vector<AudioFile> withinHome(std::vector<AudioFile> files) const;
    void reportProgress(double fraction, const std::string& message) const;
    void createMetadata(const std::vector<AudioFile>& audioFiles, const std::string& outputPath) const;

    ProgressHandler m_progressHandler;
    SourcePtr m_source;
    std::stop_token m_stop;
    ListingProbe m_canList;
};

} // namespace varnholt
