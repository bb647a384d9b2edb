#include "entries/PasteboardWriter.h"

namespace quillstack {

void PasteboardWriter::write(const ClipboardEntry&, Pasteboard&) {}

} // namespace quillstack
