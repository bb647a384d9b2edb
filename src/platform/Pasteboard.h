#pragma once

#include <QtGlobal>

namespace quillstack {

// The system clipboard, through the operations the program relies on.
// (Being completed: items, data and strings by type, image, clear, write.)
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Changes whenever any process changes the clipboard, the program's own writes included.
    virtual qint64 changeCount() const = 0;
};

} // namespace quillstack
