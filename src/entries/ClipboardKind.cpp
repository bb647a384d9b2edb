#include "entries/ClipboardKind.h"

namespace quillstack {

QString rawValue(ClipboardKind kind) {
    switch (kind) {
    case ClipboardKind::text:
        return QStringLiteral("text");
    case ClipboardKind::code:
        return QStringLiteral("code");
    case ClipboardKind::markdown:
        return QStringLiteral("markdown");
    case ClipboardKind::html:
        return QStringLiteral("html");
    case ClipboardKind::image:
        return QStringLiteral("image");
    case ClipboardKind::file:
        return QStringLiteral("file");
    case ClipboardKind::color:
        return QStringLiteral("color");
    case ClipboardKind::unknown:
        return QStringLiteral("unknown");
    }
    return QStringLiteral("unknown");
}

std::optional<ClipboardKind> clipboardKindFromRawValue(QStringView raw) {
    for (ClipboardKind kind : allClipboardKinds) {
        if (raw == rawValue(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace quillstack
