#pragma once

#include "entries/ClipboardKind.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillstack {

// The content digest by which a repeated copy is recognised: SHA-256 over the kind's raw value,
// text, Markdown, HTML source, colour and the paths joined with "|" (each as UTF-8 followed by
// one zero byte), then the first 512 KiB of the image. Written as 64 lower-case hex digits.
class EntryFingerprint {
public:
    static constexpr qsizetype maxImageBytes = 0x80000;

    static QString compute(ClipboardKind kind, const std::optional<QString>& text,
                           const std::optional<QString>& markdown,
                           const std::optional<QString>& html,
                           const std::optional<QString>& colorHex, const QStringList& filePaths,
                           const std::optional<QByteArray>& imagePNGData);
};

} // namespace quillstack
