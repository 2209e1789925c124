#pragma once

#include "model/ExporterType.h"
#include "sources/SourceDescription.h"

#include <memory>
#include <string>
#include <vector>

namespace varnholt {

// Where a person's Apple data lives. Exporters ask a Source for the file of each store and never
// build paths from a home folder themselves, so a new kind of source (an iPhone backup, say)
// needs no change in them. Paths may not exist; callers check.
class Source {
public:
    virtual ~Source() = default;

    // The folder the user pointed at, as given.
    virtual const std::string& root() const = 0;
    // What the source is (a home, a backup of which device) and where each store lies, as the user
    // knows them. Reads nothing a store holds.
    virtual SourceDescription describe() const = 0;
    // The file whose readability tells, before anything is opened, whether `type`'s data can be read
    // at all: a home's store itself, a backup's Manifest.db. Empty for sources without an exporter.
    virtual std::string accessProbe(ExporterType type) const = 0;

    virtual std::string messagesDatabase() const = 0;
    // The folder "~" stands for in the attachment paths the Messages database stores.
    virtual std::string messagesHome() const = 0;
    virtual std::string messagesAttachments() const = 0;

    // The address book databases that exist, in the order they are read.
    virtual std::vector<std::string> contactsDatabases() const = 0;

    virtual std::string notesContainer() const = 0;
    virtual std::string notesStore() const = 0;

    // Folders that may hold recordings, in the order they are tried.
    virtual std::vector<std::string> recordingFolders() const = 0;

    // The folder every file an export copies (attachments, recordings) must lie in once links are
    // resolved: what a database or a link names outside it is not copied.
    virtual std::string copiedFilesContainer() const { return root(); }

    // Where the file at a path this source handed out is read from: the path itself, but for the
    // attachments of a plain backup, which stay under their hashed names instead of one link each.
    virtual std::string locateFile(const std::string& path) const { return path; }

    // A path this source handed out, as the user knows the file (a backup names the phone's path).
    virtual std::string displayPath(const std::string& path) const { return path; }
};

using SourcePtr = std::shared_ptr<const Source>;

} // namespace varnholt
