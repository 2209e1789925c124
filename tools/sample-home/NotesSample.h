#pragma once

#include "sample-home/SampleHome.h"

#include <filesystem>

namespace varnholt::sample {

// The Notes group container under a home folder.
std::filesystem::path notesContainer(const std::filesystem::path& home);

// NoteStore.sqlite in the modern layout with one local account, folders, and notes that
// exercise the exporters: formatting runs, checklists, lists, links, emoji, accented and
// CJK text, a locked note, a deleted and a pinned note, notes without title, two notes
// with the same title, a body that inflates to more than 1 MiB, attachments with their
// media files, and two notes that exist only in the -wal file. Large scale adds
// 20,000 generated notes (about 2 KB of text each, 5 % with an attachment).
void buildNotes(const std::filesystem::path& home, const SampleOptions& options);

// Seconds since 2001 for a moment given in seconds since 1970.
double appleTime(double secondsSince1970);

} // namespace varnholt::sample
