#include "export/notesstandard/NotesStandardExport.h"

#include "convert/FormatConverter.h"
#include "export/contract/CaughtErrors.h"
#include "export/contract/ExportPasswords.h"
#include "export/notesstandard/NotesExporterSimple.h"
#include "platform/ProcessRunner.h"

namespace varnholt {

namespace {
NotesExporterSimple::Services standardServices(const ExportRequest& request, std::stop_token stop)
{
    NotesExporterSimple::Services services;
    services.source = request.source;
    // Kept in memory only; never written anywhere.
    services.passwords = exportPasswords(request.options);
    services.runCommand = [stop](const std::string& executable,
                                 const std::vector<std::string>& args) -> std::optional<int> {
        ProcessSpec spec;
        spec.executable = executable;
        spec.arguments = args;
        spec.output = ProcessOutput::discard;
        spec.timeLimit = std::chrono::minutes(2);
        spec.stopToken = stop;
        auto result = ProcessRunner::run(spec);
        if (!result)
            return std::nullopt;
        return result->status;
    };
    services.convertFormats = [stop](const std::string& outputPath, const ExportFormatSet& formats,
                                     std::optional<long long> limit, const ProgressHandler& progress) -> long long {
        FormatConverter converter(ConversionTools::standard(), stop);
        return converter.convertFormats(outputPath, formats, limit, progress);
    };
    return services;
}
} // namespace

tl::expected<ExportSummary, ErrorPtr> NotesStandardExport::run(const ExportRequest& request, ProgressSink& progress,
                                                               std::stop_token stop)
{
    return catchingErrors([&] {
        const ExportOptions& options = request.options;
        NotesExporterSimple exporter(standardServices(request, stop), stop);
        exporter.exportTo(options.outputPath, request.dryRun(), options.formats, options.testModeLimit,
                          progress.relay(ProgressSink::kStandardTrace));
        return ExportSummary{};
    });
}

} // namespace varnholt
