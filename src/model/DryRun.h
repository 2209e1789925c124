#pragma once

namespace varnholt {

// Whether an export only counts and reports (yes) or writes its files (no).
enum class DryRun { no, yes };

} // namespace varnholt
