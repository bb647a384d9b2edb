#include "entries/EntryJsonReader.h"

#include "entries/EntryRecordReader.h"

#include <simdjson.h>

#include <string_view>

namespace quillstack {

namespace od = simdjson::ondemand;

namespace {

static_assert(simdjson::SIMDJSON_PADDING <= HistoryBytes::padding);

// Parses the whole content as one document and hands it to `use`; nothing on any error,
// including content after the document.
template <typename Use>
auto withDocument(const std::shared_ptr<const HistoryBytes>& bytes, Use use)
    -> decltype(use(std::declval<od::document&>(), std::declval<const EntryRecordReader&>())) {
    if (!bytes) {
        return std::nullopt;
    }
    const HistoryBytes::View view(*bytes);
    if (!view.isValid()) {
        return std::nullopt;
    }
    const std::string_view text = view.text();
    od::parser parser;
    od::document document;
    if (parser
            .iterate(simdjson::padded_string_view(text.data(), text.size(),
                                                  text.size() + HistoryBytes::padding))
            .get(document)) {
        return std::nullopt;
    }
    const EntryRecordReader records(bytes, text.data());
    auto result = use(document, records);
    if (result && document.current_location().error() != simdjson::OUT_OF_BOUNDS) {
        return std::nullopt;
    }
    return result;
}

} // namespace

std::optional<ClipboardEntry>
EntryJsonReader::readRecord(const std::shared_ptr<const HistoryBytes>& bytes) {
    return withDocument(bytes,
                        [](od::document& document,
                           const EntryRecordReader& records) -> std::optional<ClipboardEntry> {
                            od::object object;
                            if (document.get_object().get(object)) {
                                return std::nullopt;
                            }
                            return records.read(object);
                        });
}

std::optional<QList<ClipboardEntry>>
EntryJsonReader::readHistory(const std::shared_ptr<const HistoryBytes>& bytes) {
    return withDocument(bytes,
                        [](od::document& document, const EntryRecordReader& records)
                            -> std::optional<QList<ClipboardEntry>> {
                            od::array array;
                            if (document.get_array().get(array)) {
                                return std::nullopt;
                            }
                            QList<ClipboardEntry> entries;
                            for (auto element : array) {
                                od::object object;
                                if (std::move(element).get_object().get(object)) {
                                    return std::nullopt;
                                }
                                std::optional<ClipboardEntry> entry = records.read(object);
                                if (!entry) {
                                    return std::nullopt;
                                }
                                entries.append(std::move(*entry));
                            }
                            return entries;
                        });
}

} // namespace quillstack
