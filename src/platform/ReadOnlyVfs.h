#pragma once

namespace varnholt {

// The name of a SQLite VFS for reading a database of someone else's in place: every database,
// journal and log file is opened read-only and never created, nothing is deleted, and a lock
// beyond SHARED is granted without taking it, so that a connection in exclusive locking mode
// keeps its WAL index in its own memory instead of a -shm beside the database. Everything else
// (shared-memory index, temporary files) is the platform's default VFS. A database whose file and
// -wal are both links is read under the link names, so that its log is the one beside the link;
// each is opened as the file it points to, since the default VFS opens nothing through a link.
// Registered on first use.
const char* readOnlyVfsName();

} // namespace varnholt
