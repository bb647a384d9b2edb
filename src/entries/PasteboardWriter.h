#pragma once

namespace quillstack {

class ClipboardEntry;
class Pasteboard;

// Puts an entry back on the clipboard. The representations follow the fields the entry holds,
// not its kind: files, else an image (its stored PNG bytes as they are), else HTML, else
// Markdown, else text, else the colour; each with the plain string that goes with it.
class PasteboardWriter {
public:
    static void write(const ClipboardEntry& entry, Pasteboard& pasteboard);
};

} // namespace quillstack
