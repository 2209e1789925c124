#pragma once

#include "export/contract/ExportRequest.h"
#include "export/contract/ExportSummary.h"
#include "export/contract/ProgressSink.h"
#include "platform/Error.h"

#include <stop_token>
#include <tl/expected.hpp>

namespace varnholt {

// What every exporter is to the manager: a request, a place to report progress and a stop token
// in; a summary or an error out. `run` is called on the export thread, once per instance.
//
// One rule for a partly failed export, the same for every exporter:
// - Something the source cannot give (an attachment or recording missing from it or unreadable
//   there) is skipped with a trace line naming it and counted in the final status; the export
//   still succeeds, because what exists was exported whole.
// - Anything that loses the user's words (a store that cannot be read to its end, a note body
//   that cannot be decoded) and any failure to write into the output folder (no space, no
//   permission, an input/output error) ends the export as failed, with the first such error.
//   Files completed before it stay (every file is written under a temporary name and renamed
//   when whole, so no partial file is left under its final name); the command line exits 1.
// - Stopping on request returns a summary; the manager shows "Export cancelled".
class Exporter {
public:
    virtual ~Exporter() = default;
    [[nodiscard]] virtual tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest& request,
                                                                    ProgressSink& progress, std::stop_token stop) = 0;
};

} // namespace varnholt
