#pragma once

#include "sources/Source.h"

#include <string>

namespace varnholt {

// What to tell a user when a store of the source cannot be read: which file, why (no read
// permission, not there, the source folder missing or not a Mac home or a backup), and what to do
// about it on this system. `what` names the store ("the Messages database").
std::string cannotReadText(const Source& source, const std::string& what, const std::string& path);

} // namespace varnholt
