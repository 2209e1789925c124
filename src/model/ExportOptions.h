#pragma once

#include "model/ExportFormat.h"
#include "model/ExporterType.h"
#include "model/messages/MessagesFilter.h"

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// One export request: what to export, where to, and how.
struct ExportOptions {
    ExporterType type = ExporterType::notes;
    std::string outputPath;
    bool isDryRun = false;
    ExportFormatSet formats;
    std::optional<long long> testModeLimit;
    bool useFastMode = false;
    bool resolveContactNames = false;
    // Voice Memos: name the copies by date and title from the app's catalog instead of by file.
    bool nameRecordingsByTitle = false;
    // A file of passwords (one a line) to open locked notes and encrypted backups with; empty for
    // none. The file is read where it is needed, so its passwords are never kept with the options.
    std::string passwordFile;
    // Passwords the user typed (at the command line's prompt or in the window), tried after the
    // file's. Held only for the export; never written anywhere by Varnholt but a private folder
    // the export removes.
    std::vector<std::string> passwords;
    // Messages only: the dates and conversations to keep (everything when empty).
    MessagesFilter messagesFilter;

    // Linux stand-ins: the Mac home folder whose Library is read, and extra
    // address cards (.vcf) for contact names. An empty source home means the user's home.
    std::string sourceHome;
    std::vector<std::string> vcardFiles;
};

} // namespace varnholt
