#include "export/ExportBranches.h"

#include "sources/contacts/AddressBookContactsStore.h"
#include "export/messages/MessagesExporter.h"
#include "platform/DomainError.h"

namespace varnholt {

void runMessagesBranch(const ExportContext& context)
{
    const ExportOptions& options = context.options();
    // An address book that cannot be read in place is copied below the output folder.
    auto contacts = [home = context.sourceHome(), vcards = options.vcardFiles, output = options.outputPath] {
        return std::make_unique<AddressBookContactsStore>(home, vcards, defaultReadabilityProbe(), output);
    };
    MessagesExporter exporter(context.sourceHome(), context.stopToken(), defaultReadabilityProbe(), contacts);

    // The exporter assigns on this thread; the context applies each value on the main queue, in order.
    PropertySubscription status =
        exporter.currentStatus().subscribe([&context](const std::string& text) { context.setStatus(text); });
    PropertySubscription progress =
        exporter.exportProgress().subscribe([&context](double fraction) { context.setProgress(fraction); });

    exporter.exportMessages(options.outputPath, options.isDryRun ? DryRun::yes : DryRun::no,
                            options.testModeLimit ? TestMode::on : TestMode::off, options.testModeLimit.value_or(10),
                            options.resolveContactNames ? ContactNames::resolve : ContactNames::keep);
    status.cancel();
    progress.cancel();

    if (const std::optional<std::string>& error = exporter.lastExportError()())
        throw DomainError("MessagesExporter", 1, *error, exporter.lastExportErrorKind());
    context.setStatus(exporter.currentStatus()());
}

} // namespace varnholt
