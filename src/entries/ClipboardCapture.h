#pragma once

#include "entries/ClipboardEntry.h"

#include <optional>

namespace quillstack {

class Pasteboard;

// Turns the clipboard's current contents into an entry. (Being written.)
class ClipboardCapture {
public:
    static std::optional<ClipboardEntry> capture(Pasteboard& pasteboard,
                                                 const std::optional<QString>& sourceAppBundleID);
};

} // namespace quillstack
