#pragma once

#include "sample-home/SampleHome.h"

namespace varnholt::sample {

std::filesystem::path addressBookPath(const std::filesystem::path& home);
std::filesystem::path addressBookSourcePath(const std::filesystem::path& home);
std::filesystem::path sampleVCardPath(const std::filesystem::path& home);

// The Mac's address books with the Core Data schema of macOS 13: the local one (its last
// person only in the write-ahead log) and one account under Sources/ with other entity
// numbers, plus a vCard file. They name some of the sample Messages handles.
void buildContacts(const std::filesystem::path& home, const SampleOptions& options);

} // namespace varnholt::sample
