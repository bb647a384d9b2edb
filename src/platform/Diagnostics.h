#pragma once

#include <QString>

namespace quillstack {

// Writes one diagnostic line on standard error: "Quillstack: ", the text and a line feed, flushed
// at once. Safe from any thread (one write call per line).
void printDiagnostic(const QString& text);

} // namespace quillstack
