#pragma once

#include <memory>
#include <plist/plist.h>
#include <string>

namespace varnholt::sample {

// libplist nodes for the fixture builders, freed with their tree.
struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// The tree as a binary or XML property list; throws when libplist cannot write it.
std::string binaryPlist(plist_t root);
std::string xmlPlist(plist_t root);

plist_t plistData(const std::string& bytes);
// A class entry of a keyed archive: $classname and $classes (the class, then NSObject).
plist_t archivedClass(const char* name);
// A keyed archive whose root is object 1; returns its $objects array, which holds "$null" so far.
plist_t startKeyedArchive(const PlistPtr& archive);

} // namespace varnholt::sample
