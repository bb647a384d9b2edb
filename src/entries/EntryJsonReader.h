#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/HistoryBytes.h"

#include <QList>

#include <memory>
#include <optional>

namespace quillstack {

// Strict reading of whole documents with simdjson On Demand, straight over the bytes: the
// content must be exactly one record object, or one array of records, and nothing after it.
// Nothing on any error, including when bytes is null. Nesting is bounded
// (EntryJson::maxNesting), so no content can exhaust the stack.
class EntryJsonReader {
public:
    static std::optional<ClipboardEntry>
    readRecord(const std::shared_ptr<const HistoryBytes>& bytes);
    static std::optional<QList<ClipboardEntry>>
    readHistory(const std::shared_ptr<const HistoryBytes>& bytes);
};

} // namespace quillstack
