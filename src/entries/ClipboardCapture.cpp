#include "entries/ClipboardCapture.h"

namespace quillstack {

std::optional<ClipboardEntry> ClipboardCapture::capture(Pasteboard&,
                                                        const std::optional<QString>&) {
    return std::nullopt;
}

} // namespace quillstack
