#pragma once

namespace quillstack {

class ClipboardEntry;
class Pasteboard;

// Puts an entry back on the clipboard. (Being written.)
class PasteboardWriter {
public:
    static void write(const ClipboardEntry& entry, Pasteboard& pasteboard);
};

} // namespace quillstack
