#include "model/messages/GroupEvent.h"

namespace varnholt {

const char* groupEventKindName(GroupEventKind kind)
{
    switch (kind) {
    case GroupEventKind::renamed:
        return "renamed";
    case GroupEventKind::added:
        return "added";
    case GroupEventKind::removed:
        return "removed";
    case GroupEventKind::left:
        return "left";
    case GroupEventKind::photoChanged:
        return "photo_changed";
    case GroupEventKind::photoRemoved:
        return "photo_removed";
    }
    return "renamed";
}

} // namespace varnholt
