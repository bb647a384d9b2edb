#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace quillstack {

// The colour of a stored colour string: white space trimmed at both ends, every "#" removed,
// then a hexadecimal number read from the start (an optional "0x" prefix, up to the first
// character that is not a hex digit). Eight characters in all mean RRGGBBAA, six RRGGBB with
// full opacity; any other length, or no leading number, gives nothing. The result is sRGB.
std::optional<QColor> colorFromHex(const QString& hex);

} // namespace quillstack
