#pragma once

namespace varnholt {

// Whether an export is limited to the first few conversations.
enum class TestMode { off, on };

} // namespace varnholt
