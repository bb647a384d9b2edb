#include "platform/memory/MemoryLoginItemService.h"

namespace quillstack {

std::optional<QString> MemoryLoginItemService::registerLoginItem() {
    ++registerCount_;
    if (refusal_) {
        return refusal_;
    }
    registered_ = true;
    return std::nullopt;
}

std::optional<QString> MemoryLoginItemService::unregisterLoginItem() {
    ++unregisterCount_;
    if (refusal_) {
        return refusal_;
    }
    registered_ = false;
    return std::nullopt;
}

} // namespace quillstack
