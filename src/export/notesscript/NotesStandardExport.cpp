#include "export/notesscript/NotesStandardExport.h"

#include "export/contract/CaughtErrors.h"
#include "export/contract/ExportPasswords.h"
#include "export/notesscript/NotesExporterSimple.h"
#include "export/notesscript/NotesScriptServices.h"
#include "platform/Files.h"
#include "platform/PrivateFolder.h"

#include <filesystem>

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> NotesStandardExport::run(const ExportRequest& request, ProgressSink& progress,
                                                               std::stop_token stop)
{
    return catchingErrors([&] {
        const ExportOptions& options = request.options;
        // The script's helper reads its passwords from a file. Typed ones go to a file of their own in
        // a private folder (0700) beside the output, removed on every way out of this export.
        std::string passwordFile = options.passwordFile;
        PrivateFolder typedPasswords;
        if (!options.passwords.empty()) {
            std::error_code ec;
            const std::filesystem::path near = std::filesystem::is_directory(options.outputPath, ec)
                                                   ? std::filesystem::path(options.outputPath)
                                                   : std::filesystem::temp_directory_path(ec);
            auto folder = PrivateFolder::create(near, ".varnholt-passwords-");
            if (!folder)
                throw folder.error();
            typedPasswords = std::move(*folder);
            std::string lines;
            for (const std::string& password : exportPasswords(options))
                lines += password + "\n";
            passwordFile = (typedPasswords.path() / "passwords").string();
            if (auto written = writeFile(passwordFile, lines); !written)
                throw written.error();
        }
        // A dry run writes nothing, so it has no folder where the store could be copied.
        NotesExporterSimple exporter(standardNotesServices(request.source, stop,
                                                           options.isDryRun ? std::string() : options.outputPath,
                                                           passwordFile),
                                     stop);
        exporter.exportTo(options.outputPath, request.dryRun(), options.formats, options.testModeLimit,
                          progress.relay(ProgressSink::kStandardTrace));
        return ExportSummary{};
    });
}

} // namespace varnholt
