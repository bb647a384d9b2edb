#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace quillstack {

// The classification of a captured content. The raw value of each case is its name, which is
// also its JSON form.
enum class ClipboardKind { text, code, markdown, html, image, file, color, unknown };

inline constexpr std::array<ClipboardKind, 8> allClipboardKinds{
    ClipboardKind::text,  ClipboardKind::code, ClipboardKind::markdown, ClipboardKind::html,
    ClipboardKind::image, ClipboardKind::file, ClipboardKind::color,    ClipboardKind::unknown};

// "text", "code", ... "unknown".
QString rawValue(ClipboardKind kind);

// Exact, case-sensitive match of one of the eight raw values; anything else gives nothing.
std::optional<ClipboardKind> clipboardKindFromRawValue(QStringView raw);

} // namespace quillstack
