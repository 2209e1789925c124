#pragma once

#include <string>

namespace varnholt {

// Case- and diacritic-insensitive comparison: the text decomposed (NFD), its
// combining marks removed and its case folded, as UTF-8.
std::string foldCaseAndDiacritics(const std::string& text);
// Whether `haystack` contains `needle`, ignoring case and diacritics.
bool containsIgnoringCaseAndDiacritics(const std::string& haystack, const std::string& needle);

} // namespace varnholt
