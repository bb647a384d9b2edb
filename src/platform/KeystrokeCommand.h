#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quillstack {

// Runs a keystroke-typing program (xdotool, wtype) to completion within a few seconds; a
// program that takes longer is stopped. Nothing on success; otherwise what went wrong: it could
// not be started, crashed, took too long, or exited with a non-zero status (with the start of
// its error output).
std::optional<QString> runKeystrokeCommand(const QString& program, const QStringList& arguments);

} // namespace quillstack
