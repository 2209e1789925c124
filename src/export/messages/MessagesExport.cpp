#include "export/messages/MessagesExport.h"

#include "export/contract/CaughtErrors.h"
#include "export/messages/MessagesExporter.h"
#include "sources/contacts/AddressBookContactsStore.h"

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> MessagesExport::run(const ExportRequest& request, ProgressSink& progress,
                                                          std::stop_token stop)
{
    ErrorPtr failure;
    auto result = catchingErrors([&] {
        const ExportOptions& options = request.options;
        // An address book that cannot be read in place is copied below the output folder; a dry run
        // writes nothing, so there it goes unread instead.
        const std::string scratch = request.dryRun() == DryRun::yes ? std::string() : options.outputPath;
        auto contacts = [source = request.source, vcards = options.vcardFiles, output = scratch] {
            return std::make_unique<AddressBookContactsStore>(source->contactsDatabases(), vcards,
                                                              defaultReadabilityProbe(), output);
        };
        MessagesExporter exporter(request.source, stop, defaultReadabilityProbe(), contacts);
        // The exporter assigns on this thread; the sink applies each value on the main queue, in order.
        PropertySubscription status =
            exporter.currentStatus().subscribe([&progress](const std::string& text) { progress.setStatus(text); });
        PropertySubscription fraction =
            exporter.exportProgress().subscribe([&progress](double value) { progress.setFraction(value); });
        exporter.exportMessages(
            options.outputPath, request.dryRun(), options.testModeLimit ? TestMode::on : TestMode::off,
            options.testModeLimit.value_or(10),
            options.resolveContactNames ? ContactNames::resolve : ContactNames::keep, options.messagesFilter);
        status.cancel();
        fraction.cancel();
        // The error as raised: the manager says "Export failed: " before it, once.
        if (exporter.lastExportError()()) {
            failure = exporter.lastExportFailure();
            return ExportSummary{};
        }
        return ExportSummary{exporter.currentStatus()(), exporter.leftOut()};
    });
    if (failure)
        return tl::unexpected(failure);
    return result;
}

} // namespace varnholt
