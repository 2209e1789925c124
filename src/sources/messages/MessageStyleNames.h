#pragma once

#include <string>

namespace varnholt {

// The name users know for an `expressive_send_style_id` ("Slam", "Confetti", ...); an unknown one is kept as
// stored, so nothing is lost.
std::string effectName(const std::string& styleId);
// The name users know for a `balloon_bundle_id` ("Link preview", "Apple Pay", ...), the bundle name of a
// third-party app, or the identifier as stored.
std::string appName(const std::string& bundleId);

} // namespace varnholt
