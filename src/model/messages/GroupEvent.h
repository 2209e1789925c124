#pragma once

#include <optional>
#include <string>

namespace varnholt {

enum class GroupEventKind { renamed, added, removed, left, photoChanged, photoRemoved };

// "renamed", "added", ... as exported.
const char* groupEventKindName(GroupEventKind kind);

// A change to a group that the Messages app shows as a line of its own, not as a message.
struct GroupEvent {
    GroupEventKind kind = GroupEventKind::renamed;
    std::optional<std::string> name;    // the new name of a renamed group
    std::optional<std::string> who;     // the address of the member added or removed
    std::optional<std::string> whoName; // their contact name, when looked up and found
};

} // namespace varnholt
