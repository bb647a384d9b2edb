#include "entries/EntryJson.h"

#include "entries/EscapedBase64.h"
#include "entries/HistoryBytes.h"

#include <QBuffer>
#include <QRegularExpression>

#include <nlohmann/json.hpp>
#include <simdjson.h>

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace quillstack {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view imageMember = "\"imagePNGData\": \"\"";

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::optional<std::string> timestampText(const QDateTime& timestamp) {
    if (!timestamp.isValid()) {
        return std::nullopt;
    }
    const QDateTime utc = timestamp.toUTC();
    const int year = utc.date().year();
    if (year < 1 || year > 9999) {
        return std::nullopt;
    }
    return utf8(utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")));
}

// The record as an ordered JSON object; the image is an empty placeholder string.
std::optional<Json> toJson(const ClipboardEntry& entry) {
    const std::optional<std::string> timestamp = timestampText(entry.timestamp());
    if (!timestamp) {
        return std::nullopt;
    }
    Json object = Json::object();
    object["id"] = utf8(entry.id().toString(QUuid::WithoutBraces).toUpper());
    object["timestamp"] = *timestamp;
    object["kind"] = utf8(rawValue(entry.kind()));
    const auto optional = [&object](const char* key, const std::optional<QString>& value) {
        if (value) {
            object[key] = utf8(*value);
        }
    };
    optional("text", entry.text());
    optional("markdown", entry.markdown());
    optional("html", entry.html());
    optional("colorHex", entry.colorHex());
    Json paths = Json::array();
    for (const QString& path : entry.filePaths()) {
        paths.push_back(utf8(path));
    }
    object["filePaths"] = std::move(paths);
    if (entry.image()) {
        object["imagePNGData"] = "";
    }
    optional("sourceAppBundleID", entry.sourceAppBundleID());
    object["fingerprint"] = utf8(entry.fingerprint());
    optional("searchIndex", entry.searchIndex());
    return object;
}

// Pretty-prints the object at the given depth of indentation, with every solidus escaped.
// (Inside escaped JSON strings a "/" is always a literal solidus and a line feed is never raw,
// so both can be rewritten on the finished text.)
QByteArray prettyText(const Json& object, int depth) {
    const std::string dumped = object.dump(2, ' ', false, Json::error_handler_t::replace);
    const QByteArray indent(depth * 2, ' ');
    QByteArray out;
    out.reserve(qsizetype(dumped.size() + dumped.size() / 8) + indent.size());
    out.append(indent);
    for (char c : dumped) {
        if (c == '/') {
            out.append("\\/", 2);
        } else {
            out.append(c);
            if (c == '\n') {
                out.append(indent);
            }
        }
    }
    return out;
}

std::optional<EntryJson::EncodedEntry> encodeAtDepth(const ClipboardEntry& entry, int depth) {
    const std::optional<Json> object = toJson(entry);
    if (!object) {
        return std::nullopt;
    }
    QByteArray text = prettyText(*object, depth);
    if (!entry.image()) {
        return EntryJson::EncodedEntry{std::move(text), {}};
    }
    const qsizetype at =
        text.indexOf(QByteArrayView(imageMember.data(), qsizetype(imageMember.size())));
    if (at < 0) {
        return std::nullopt;
    }
    const qsizetype split = at + qsizetype(imageMember.size()) - 1; // before the closing quote
    return EntryJson::EncodedEntry{text.left(split), text.mid(split)};
}

// Standard padded Base64 with every "/" written as "\/". Each 12 bits of input map through a
// table to their two characters, already escaped: four output bytes are stored and the output
// advances by the entry's length (2 to 4).
struct EscapedPairs {
    std::array<quint32, 4096> chars{};
    std::array<quint8, 4096> length{};
    EscapedPairs() {
        constexpr char alphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (unsigned v = 0; v < 4096; ++v) {
            char out[4] = {};
            int n = 0;
            for (char c : {alphabet[v >> 6], alphabet[v & 63]}) {
                if (c == '/') {
                    out[n++] = '\\';
                }
                out[n++] = c;
            }
            std::memcpy(&chars[v], out, 4);
            length[v] = quint8(n);
        }
    }
};

class Base64Writer {
public:
    explicit Base64Writer(QIODevice& device) : device_(device), buffer_(chunkGroups * 8 + 16) {}

    // A loaded image that was never changed goes back as the text it was read as, checked
    // again on the way (its file is outside this program's control); others are encoded.
    bool write(const EntryImage& image) {
        const std::optional<EntryImage::StoredText> stored = image.storedText();
        if (!stored) {
            const std::optional<QByteArray>& bytes = image.bytes();
            return bytes && write(*bytes);
        }
        stored_.resize(size_t(stored->length));
        if (!stored->source->read(stored->offset, stored_.data(), stored->length) ||
            EscapedBase64::canonicalDecodedSize(std::string_view(stored_.data(), stored_.size())) !=
                stored->decodedSize) {
            return false;
        }
        return device_.write(stored_.data(), stored->length) == stored->length;
    }

    bool write(const QByteArray& data) {
        static const EscapedPairs pairs;
        const auto* in = reinterpret_cast<const unsigned char*>(data.constData());
        const qsizetype whole = data.size() / 3;
        for (qsizetype group = 0; group < whole;) {
            const qsizetype end = std::min(whole, group + chunkGroups);
            char* out = buffer_.data();
            for (; group < end; ++group) {
                const unsigned char* p = in + group * 3;
                const unsigned v = (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2];
                std::memcpy(out, &pairs.chars[v >> 12], 4);
                out += pairs.length[v >> 12];
                std::memcpy(out, &pairs.chars[v & 0xfff], 4);
                out += pairs.length[v & 0xfff];
            }
            if (!flush(out)) {
                return false;
            }
        }
        const qsizetype rest = data.size() - whole * 3;
        if (rest == 0) {
            return true;
        }
        const unsigned char* p = in + whole * 3;
        const unsigned v = (unsigned(p[0]) << 16) | (rest == 2 ? unsigned(p[1]) << 8 : 0u);
        char* out = buffer_.data();
        std::memcpy(out, &pairs.chars[v >> 12], 4);
        out += pairs.length[v >> 12];
        if (rest == 2) {
            std::memcpy(out, &pairs.chars[v & 0xfff], 4);
            // Only the pair's first character: the second one stands for zero bits ("A").
            out += pairs.length[v & 0xfff] - 1;
        }
        *out++ = '=';
        if (rest == 1) {
            *out++ = '=';
        }
        return flush(out);
    }

private:
    static constexpr qsizetype chunkGroups = 64 * 1024;

    bool flush(const char* end) {
        const qsizetype length = end - buffer_.data();
        return device_.write(buffer_.data(), length) == length;
    }

    QIODevice& device_;
    std::vector<char> buffer_;
    std::vector<char> stored_;
};

// ---- Decoding -------------------------------------------------------------------------------
//
// On Demand parsing over the file's bytes: nothing is copied but the short strings, and an image
// whose Base64 is in the writer's form is only checked and kept as a place in the file.

namespace od = simdjson::ondemand;

QString qString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::optional<QUuid> parseUuid(std::string_view text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(QLatin1StringView(text.data(), qsizetype(text.size())));
}

// The writer's form, also with a fractional second or a numeric offset.
std::optional<QDateTime> parseTimestamp(std::string_view text) {
    static const QRegularExpression form(QStringLiteral(
        "^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(\\.\\d{1,9})?(Z|[+-]\\d{2}:\\d{2})$"));
    const QString string = qString(text);
    if (!form.match(string).hasMatch()) {
        return std::nullopt;
    }
    const QDateTime parsed = QDateTime::fromString(string, Qt::ISODateWithMs).toUTC();
    // Only instants that the writer can write back are accepted.
    if (!parsed.isValid() || parsed.date().year() < 1 || parsed.date().year() > 9999) {
        return std::nullopt;
    }
    return parsed;
}

// Walks a value that is not read (an unknown member), so that malformed JSON anywhere still
// fails the file.
bool checkValue(od::value value) {
    od::json_type type;
    if (value.type().get(type)) {
        return false;
    }
    switch (type) {
    case od::json_type::array: {
        od::array array;
        if (value.get_array().get(array)) {
            return false;
        }
        for (auto element : array) {
            od::value item;
            if (std::move(element).get(item) || !checkValue(item)) {
                return false;
            }
        }
        return true;
    }
    case od::json_type::object: {
        od::object object;
        if (value.get_object().get(object)) {
            return false;
        }
        for (auto member : object) {
            od::field field;
            std::string_view key;
            if (std::move(member).get(field) || field.unescaped_key().get(key) ||
                !checkValue(field.value())) {
                return false;
            }
        }
        return true;
    }
    case od::json_type::string: {
        std::string_view text;
        return !value.get_string().get(text);
    }
    case od::json_type::number: {
        od::number number;
        return !value.get_number().get(number);
    }
    case od::json_type::boolean: {
        bool flag = false;
        return !value.get_bool().get(flag);
    }
    case od::json_type::null: {
        bool isNull = false;
        return !value.is_null().get(isNull) && isNull;
    }
    }
    return false;
}

// A string member; null reads as absent, any other type is an error.
bool optionalString(od::value value, std::optional<QString>& out) {
    od::json_type type;
    if (value.type().get(type)) {
        return false;
    }
    if (type == od::json_type::null) {
        bool isNull = false;
        out.reset();
        return !value.is_null().get(isNull) && isNull;
    }
    std::string_view text;
    if (value.get_string().get(text)) {
        return false;
    }
    out = qString(text);
    return true;
}

class RecordDecoder {
public:
    RecordDecoder(std::shared_ptr<const HistoryBytes> source, const char* base)
        : source_(std::move(source)), base_(base) {}

    std::optional<ClipboardEntry> decode(od::object object) const {
        std::optional<std::string_view> idText, timestampText, kindText, fingerprint;
        std::optional<QString> text, markdown, html, colorHex, source, searchIndex;
        std::optional<QStringList> filePaths;
        std::optional<EntryImage> image;
        for (auto member : object) {
            od::field field;
            std::string_view key;
            if (std::move(member).get(field) || field.unescaped_key().get(key)) {
                return std::nullopt;
            }
            od::value value = field.value();
            bool ok = true;
            if (key == "id") {
                ok = requiredString(value, idText);
            } else if (key == "timestamp") {
                ok = requiredString(value, timestampText);
            } else if (key == "kind") {
                ok = requiredString(value, kindText);
            } else if (key == "fingerprint") {
                ok = requiredString(value, fingerprint);
            } else if (key == "text") {
                ok = optionalString(value, text);
            } else if (key == "markdown") {
                ok = optionalString(value, markdown);
            } else if (key == "html") {
                ok = optionalString(value, html);
            } else if (key == "colorHex") {
                ok = optionalString(value, colorHex);
            } else if (key == "sourceAppBundleID") {
                ok = optionalString(value, source);
            } else if (key == "searchIndex") {
                ok = optionalString(value, searchIndex);
            } else if (key == "filePaths") {
                ok = paths(value, filePaths);
            } else if (key == "imagePNGData") {
                ok = imageMember(value, image);
            } else {
                ok = checkValue(value);
            }
            if (!ok) {
                return std::nullopt;
            }
        }
        if (!idText || !timestampText || !kindText || !fingerprint || !filePaths) {
            return std::nullopt;
        }
        const std::optional<QUuid> id = parseUuid(*idText);
        const std::optional<QDateTime> timestamp = parseTimestamp(*timestampText);
        const std::optional<ClipboardKind> kind = clipboardKindFromRawValue(qString(*kindText));
        if (!id || !timestamp || !kind) {
            return std::nullopt;
        }
        return ClipboardEntry(*id, *timestamp, *kind, std::move(text), std::move(markdown),
                              std::move(html), std::move(colorHex), std::move(*filePaths),
                              std::move(image), std::move(source), qString(*fingerprint),
                              std::move(searchIndex));
    }

private:
    // The text stays valid in the parser until the next document.
    static bool requiredString(od::value value, std::optional<std::string_view>& out) {
        std::string_view text;
        if (value.get_string().get(text)) {
            return false;
        }
        out = text;
        return true;
    }

    static bool paths(od::value value, std::optional<QStringList>& out) {
        od::array array;
        if (value.get_array().get(array)) {
            return false;
        }
        QStringList list;
        for (auto element : array) {
            std::string_view path;
            if (std::move(element).get_string().get(path)) {
                return false;
            }
            list.append(qString(path));
        }
        out = std::move(list);
        return true;
    }

    // Base64 in the writer's form is checked and kept as its place in the file; any other valid
    // form (a plain "/", other escapes) is decoded now.
    bool imageMember(od::value value, std::optional<EntryImage>& out) const {
        od::json_type type;
        if (value.type().get(type)) {
            return false;
        }
        if (type == od::json_type::null) {
            bool isNull = false;
            out.reset();
            return !value.is_null().get(isNull) && isNull;
        }
        if (type != od::json_type::string) {
            return false;
        }
        std::string_view token = value.raw_json_token();
        while (!token.empty() && token.back() != '"') {
            token.remove_suffix(1); // the spaces up to the next token
        }
        if (token.size() < 2) {
            return false;
        }
        const std::string_view escaped = token.substr(1, token.size() - 2);
        if (const std::optional<qsizetype> size = EscapedBase64::canonicalDecodedSize(escaped)) {
            od::raw_json_string skipped;
            if (value.get_raw_json_string().get(skipped)) {
                return false;
            }
            out = EntryImage::stored(source_, escaped.data() - base_, qsizetype(escaped.size()),
                                     *size);
            return true;
        }
        std::string_view base64;
        if (value.get_string().get(base64)) {
            return false;
        }
        std::optional<QByteArray> bytes = EscapedBase64::decode(base64);
        if (!bytes) {
            return false;
        }
        out = EntryImage(std::move(*bytes));
        return true;
    }

    std::shared_ptr<const HistoryBytes> source_;
    const char* base_;
};

static_assert(simdjson::SIMDJSON_PADDING <= HistoryBytes::padding);

// Parses the whole content as one document and hands it to `use`; nothing on any error,
// including content after the document.
template <typename Use>
auto withDocument(const std::shared_ptr<const HistoryBytes>& bytes, Use use)
    -> decltype(use(std::declval<od::document&>(), std::declval<const RecordDecoder&>())) {
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
    const RecordDecoder decoder(bytes, text.data());
    auto result = use(document, decoder);
    if (result && document.current_location().error() != simdjson::OUT_OF_BOUNDS) {
        return std::nullopt;
    }
    return result;
}

std::optional<QList<ClipboardEntry>>
decodeHistoryBytes(const std::shared_ptr<const HistoryBytes>& bytes) {
    return withDocument(bytes,
                        [](od::document& document,
                           const RecordDecoder& decoder) -> std::optional<QList<ClipboardEntry>> {
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
                                std::optional<ClipboardEntry> entry = decoder.decode(object);
                                if (!entry) {
                                    return std::nullopt;
                                }
                                entries.append(std::move(*entry));
                            }
                            return entries;
                        });
}

} // namespace

std::optional<EntryJson::EncodedEntry> EntryJson::encodeForHistory(const ClipboardEntry& entry) {
    return encodeAtDepth(entry, 1);
}

bool EntryJson::writeHistory(QIODevice& device, const QList<ClipboardEntry>& entries,
                             const QList<EncodedEntry>& encoded) {
    if (entries.size() != encoded.size()) {
        return false;
    }
    if (entries.isEmpty()) {
        return device.write("[]", 2) == 2;
    }
    const auto put = [&device](const QByteArray& bytes) {
        return device.write(bytes) == bytes.size();
    };
    if (device.write("[\n", 2) != 2) {
        return false;
    }
    Base64Writer base64(device);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0 && device.write(",\n", 2) != 2) {
            return false;
        }
        if (!put(encoded[i].head)) {
            return false;
        }
        if (entries[i].image() && !base64.write(*entries[i].image())) {
            return false;
        }
        if (!put(encoded[i].tail)) {
            return false;
        }
    }
    return device.write("\n]", 2) == 2;
}

std::optional<QByteArray> EntryJson::encode(const ClipboardEntry& entry) {
    const std::optional<EncodedEntry> encoded = encodeAtDepth(entry, 0);
    if (!encoded) {
        return std::nullopt;
    }
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    buffer.write(encoded->head);
    if (entry.image() && !Base64Writer(buffer).write(*entry.image())) {
        return std::nullopt;
    }
    buffer.write(encoded->tail);
    return text;
}

std::optional<QByteArray> EntryJson::encodeHistory(const QList<ClipboardEntry>& entries) {
    QList<EncodedEntry> encoded;
    encoded.reserve(entries.size());
    for (const ClipboardEntry& entry : entries) {
        std::optional<EncodedEntry> one = encodeForHistory(entry);
        if (!one) {
            return std::nullopt;
        }
        encoded.append(std::move(*one));
    }
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    if (!writeHistory(buffer, entries, encoded)) {
        return std::nullopt;
    }
    return text;
}

std::optional<ClipboardEntry> EntryJson::decode(QByteArray objectText) {
    if (objectText.size() > maxHistoryBytes) {
        return std::nullopt;
    }
    return withDocument(
        HistoryBytes::fromMemory(std::move(objectText)),
        [](od::document& document, const RecordDecoder& decoder) -> std::optional<ClipboardEntry> {
            od::object object;
            if (document.get_object().get(object)) {
                return std::nullopt;
            }
            return decoder.decode(object);
        });
}

std::optional<QList<ClipboardEntry>> EntryJson::decodeHistory(QByteArray fileBytes) {
    if (fileBytes.size() > maxHistoryBytes) {
        return std::nullopt;
    }
    return decodeHistoryBytes(HistoryBytes::fromMemory(std::move(fileBytes)));
}

std::optional<QList<ClipboardEntry>> EntryJson::readHistoryFile(const QString& path) {
    return decodeHistoryBytes(HistoryBytes::openFile(path, maxHistoryBytes));
}

} // namespace quillstack
