#pragma once

#include "model/ExporterType.h"
#include "sources/Source.h"
#include "sources/SourceUnlock.h"

#include <optional>
#include <string>

namespace varnholt {

// What a folder looks like from the names in it alone (nothing is read or laid out): an iPhone or
// iPad backup (Manifest.db, Manifest.plist), a Mac home folder (Library), or neither.
std::optional<SourceKind> recogniseFolder(const std::string& folder);

// The file whose readability tells whether `type`'s data in `folder` can be read (see
// Source::accessProbe), found without reading anything, so also for a backup that cannot be opened.
std::string accessProbePath(const std::string& folder, ExporterType type);

// What a folder the user chose holds: an iPhone or iPad backup (Manifest.db, Manifest.plist) or a
// Mac home folder. Only the source's name and root are read: for naming it and checking an output
// folder against it. Throws an Error naming a backup that cannot be read.
SourcePtr identifySource(const std::string& folder);

// The source, ready for the readers of `what` (every store when nothing is given). A backup's files
// are laid out in a private folder made in `nearFolder` (the output folder, or the nearest folder
// above it that exists), removed when the source goes. Throws an Error naming a backup that cannot
// be read, or an encrypted one that none of `unlock`'s passwords opens.
SourcePtr openSource(const std::string& folder, const std::string& nearFolder = {},
                     std::optional<ExporterType> what = std::nullopt, const SourceUnlock& unlock = {});

} // namespace varnholt
