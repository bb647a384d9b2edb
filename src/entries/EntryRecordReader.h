#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/HistoryBytes.h"

#include <simdjson.h>

#include <memory>
#include <optional>

namespace quillstack {

// Strict reading of one record object from an On Demand document over a file's bytes. Only the
// short strings are copied; an image whose Base64 is in the writer's form is checked and kept
// as its place in the file.
class EntryRecordReader {
public:
    // base is where the parsed text starts in source, so that offsets into the file can be
    // taken from the parser's tokens.
    EntryRecordReader(std::shared_ptr<const HistoryBytes> source, const char* base);

    std::optional<ClipboardEntry> read(simdjson::ondemand::object object) const;

private:
    bool imageMember(simdjson::ondemand::value value, std::optional<EntryImage>& out) const;

    std::shared_ptr<const HistoryBytes> source_;
    const char* base_;
};

} // namespace quillstack
