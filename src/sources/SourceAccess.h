#pragma once

#include "model/ExporterType.h"
#include "platform/Files.h"
#include "sources/Source.h"

#include <optional>
#include <string>

namespace varnholt {

// Why the data of a source cannot be read, in the terms of what the user can do about it.
enum class AccessProblem {
    missing,          // the folder or the store is not there: a disk not mounted, a wrong folder
    permissionDenied, // it is there, but this user may not read it
    notASource,       // the folder is neither a Mac home folder nor an iPhone or iPad backup
};

struct SourceAccess {
    // The path the problem is about: the store's probe file, or the folder itself.
    std::string path;
    std::optional<AccessProblem> problem;

    bool readable() const { return !problem.has_value(); }
};

// Whether `type`'s data in `folder` can be read, asking `canRead` about the source's probe file
// (and only about it); when it cannot, says why from what the folder holds. Nothing is opened.
SourceAccess checkSourceAccess(const std::string& folder, ExporterType type, const ReadabilityProbe& canRead);

// What to tell a user when a store of the source cannot be read: which file, why (no read
// permission, not there, the source folder missing or not a Mac home or a backup), and what to do
// about it on this system. `what` names the store ("the Messages database").
std::string cannotReadText(const Source& source, const std::string& what, const std::string& path);

} // namespace varnholt
