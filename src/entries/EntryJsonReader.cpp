#include "entries/EntryJsonReader.h"

#include "entries/EntryRecordReader.h"
#include "entries/HistoryRecordSpans.h"

#include <simdjson.h>

#include <string_view>

namespace quillstack {

namespace od = simdjson::ondemand;

namespace {

static_assert(simdjson::SIMDJSON_PADDING <= HistoryBytes::padding);

// Parses `text` (which has `readable` bytes after its start, `HistoryBytes::padding` of them
// past the end of the content) as one record object and nothing after it.
std::optional<ClipboardEntry> readObject(od::parser& parser, std::string_view text, size_t readable,
                                         const EntryRecordReader& records) {
    od::document document;
    if (parser.iterate(simdjson::padded_string_view(text.data(), text.size(), readable))
            .get(document)) {
        return std::nullopt;
    }
    od::object object;
    if (document.get_object().get(object)) {
        return std::nullopt;
    }
    std::optional<ClipboardEntry> entry = records.read(object);
    if (entry && document.current_location().error() != simdjson::OUT_OF_BOUNDS) {
        return std::nullopt;
    }
    return entry;
}

} // namespace

std::optional<ClipboardEntry>
EntryJsonReader::readRecord(const std::shared_ptr<const HistoryBytes>& bytes) {
    if (!bytes) {
        return std::nullopt;
    }
    const HistoryBytes::View view(*bytes);
    if (!view.isValid()) {
        return std::nullopt;
    }
    const std::string_view text = view.text();
    od::parser parser;
    const EntryRecordReader records(bytes, text.data());
    return readObject(parser, text, text.size() + HistoryBytes::padding, records);
}

// Each record is parsed as a document of its own: the parser's buffers grow to the largest
// record, not to the file, and the file's size has no limit of its own.
std::optional<QList<ClipboardEntry>>
EntryJsonReader::readHistory(const std::shared_ptr<const HistoryBytes>& bytes) {
    if (!bytes) {
        return std::nullopt;
    }
    const HistoryBytes::View view(*bytes);
    if (!view.isValid()) {
        return std::nullopt;
    }
    const std::string_view text = view.text();
    const std::optional<std::vector<std::string_view>> spans = HistoryRecordSpans::find(text);
    if (!spans) {
        return std::nullopt;
    }
    od::parser parser;
    const EntryRecordReader records(bytes, text.data());
    QList<ClipboardEntry> entries;
    entries.reserve(qsizetype(spans->size()));
    for (const std::string_view span : *spans) {
        const size_t readable =
            text.size() - size_t(span.data() - text.data()) + HistoryBytes::padding;
        std::optional<ClipboardEntry> entry = readObject(parser, span, readable, records);
        if (!entry) {
            return std::nullopt;
        }
        entries.append(std::move(*entry));
    }
    return entries;
}

} // namespace quillstack
