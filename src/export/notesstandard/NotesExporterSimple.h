#pragma once

#include "export/notesstandard/OutputPostProcessing.h"
#include "model/DryRun.h"
#include "model/ExportFormat.h"
#include "platform/Files.h"
#include "platform/ProgressHandler.h"
#include "sources/Source.h"

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

namespace notesapp {
class NotesLibrary;
} // namespace notesapp

// The standard Notes method: reads the Notes library as the app shows it and writes one
// formatted page per note, a batch of notes at a time, then tidies the output and converts it
// to the further formats chosen.
class NotesExporterSimple {
public:
    using ConvertFormats = std::function<long long(const std::string& outputPath, const ExportFormatSet& formats,
                                                   std::optional<long long> limit, const ProgressHandler& progress)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Everything outside this class that an export touches; tests replace any of it.
    struct Services {
        SourcePtr source;
        // Tried on every note locked with a password.
        std::vector<std::string> passwords;
        ReadabilityProbe canRead = defaultReadabilityProbe();
        RunCommand runCommand;
        ConvertFormats convertFormats;
        Clock now;
    };

    // Progress is reported before the first note, for the last, and at most this often in between.
    static constexpr std::chrono::milliseconds kProgressInterval{500};
    // Notes whose bodies are read and written together.
    static constexpr std::size_t kBatch = 50;

    explicit NotesExporterSimple(Services services, std::stop_token stop = {});

    // Throws an Error when the export fails.
    void exportTo(const std::string& outputPath, DryRun dryRun, const ExportFormatSet& formats,
                  std::optional<long long> testModeLimit, const ProgressHandler& progressHandler);

    // Reports "Total: N notes in M accounts" without writing anything.
    void performDryRun(const ProgressHandler& progressHandler);

    // Where the HTML goes: "<out>/html/" when html is one of several formats, else "<out>/".
    static std::string htmlDestination(const std::string& outputPath, const ExportFormatSet& formats);

private:
    notesapp::NotesLibrary openLibrary(bool countsOnly, const std::string& scratchFolder) const;
    // Writes the pages; returns how many.
    long long writePages(notesapp::NotesLibrary& library, const std::string& htmlFolder, long long notesToExport,
                         const ProgressHandler& progressHandler);

    Services m_services;
    std::stop_token m_stop;
};

} // namespace varnholt
