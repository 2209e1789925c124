#pragma once

#include "model/ExportOptions.h"

#include <string>
#include <vector>

namespace varnholt {

// Every password an export may try, in order: the password file's lines, then the typed ones.
// Throws the password file's error (kind bad input) when it cannot be read or holds none.
std::vector<std::string> exportPasswords(const ExportOptions& options);

} // namespace varnholt
