#include "entries/EntryJson.h"

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
    if (entry.imagePNGData()) {
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
    if (!entry.imagePNGData()) {
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
};

// ---- Decoding -------------------------------------------------------------------------------

using simdjson::dom::element;
using simdjson::dom::element_type;

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

// Strict standard Base64: a multiple of four characters of the RFC 4648 alphabet, with "="
// padding only at the end.
std::optional<QByteArray> parseBase64(std::string_view text) {
    static const std::array<qint8, 256> values = [] {
        std::array<qint8, 256> table{};
        table.fill(-1);
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) {
            table[static_cast<unsigned char>(alphabet[i])] = qint8(i);
        }
        return table;
    }();
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    const size_t quads = text.size() / 4;
    QByteArray out(qsizetype(quads * 3 - padding), Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t fullQuads = padding ? quads - 1 : quads;
    for (size_t q = 0; q < fullQuads; ++q, in += 4, o += 3) {
        const int a = values[in[0]], b = values[in[1]], c = values[in[2]], d = values[in[3]];
        if ((a | b | c | d) < 0) {
            return std::nullopt;
        }
        const unsigned v =
            (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6) | unsigned(d);
        o[0] = static_cast<unsigned char>(v >> 16);
        o[1] = static_cast<unsigned char>(v >> 8);
        o[2] = static_cast<unsigned char>(v);
    }
    if (padding) {
        const int a = values[in[0]], b = values[in[1]];
        const int c = padding == 1 ? values[in[2]] : 0;
        if ((a | b | c) < 0) {
            return std::nullopt;
        }
        const unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6);
        o[0] = static_cast<unsigned char>(v >> 16);
        if (padding == 1) {
            o[1] = static_cast<unsigned char>(v >> 8);
        }
    }
    return out;
}

// A string member; a missing member or null is absent, any other type is an error.
bool optionalString(const element* value, std::optional<QString>& out) {
    if (!value || value->type() == element_type::NULL_VALUE) {
        out.reset();
        return true;
    }
    std::string_view text;
    if (value->get_string().get(text)) {
        return false;
    }
    out = qString(text);
    return true;
}

bool requiredString(const element* value, std::string_view& out) {
    return value && !value->get_string().get(out);
}

std::optional<ClipboardEntry> decodeRecord(const element& value) {
    simdjson::dom::object object;
    if (value.get_object().get(object)) {
        return std::nullopt;
    }
    static constexpr std::array<std::string_view, 12> keys{
        "id",          "timestamp",  "kind",      "text",         "markdown",
        "html",        "colorHex",   "filePaths", "imagePNGData", "sourceAppBundleID",
        "fingerprint", "searchIndex"};
    std::array<std::optional<element>, 12> members;
    for (const auto field : object) {
        for (size_t i = 0; i < keys.size(); ++i) {
            if (field.key == keys[i]) {
                members[i] = field.value;
                break;
            }
        }
    }
    const auto member = [&members](size_t i) { return members[i] ? &*members[i] : nullptr; };

    std::string_view idText, timestampString, kindText, fingerprint;
    if (!requiredString(member(0), idText) || !requiredString(member(1), timestampString) ||
        !requiredString(member(2), kindText) || !requiredString(member(10), fingerprint)) {
        return std::nullopt;
    }
    const std::optional<QUuid> id = parseUuid(idText);
    const std::optional<QDateTime> timestamp = parseTimestamp(timestampString);
    const std::optional<ClipboardKind> kind = clipboardKindFromRawValue(qString(kindText));
    if (!id || !timestamp || !kind) {
        return std::nullopt;
    }
    std::optional<QString> text, markdown, html, colorHex, source, searchIndex;
    if (!optionalString(member(3), text) || !optionalString(member(4), markdown) ||
        !optionalString(member(5), html) || !optionalString(member(6), colorHex) ||
        !optionalString(member(9), source) || !optionalString(member(11), searchIndex)) {
        return std::nullopt;
    }
    simdjson::dom::array pathArray;
    if (!member(7) || member(7)->get_array().get(pathArray)) {
        return std::nullopt;
    }
    QStringList filePaths;
    filePaths.reserve(qsizetype(pathArray.size()));
    for (const element path : pathArray) {
        std::string_view pathText;
        if (path.get_string().get(pathText)) {
            return std::nullopt;
        }
        filePaths.append(qString(pathText));
    }
    std::optional<QByteArray> image;
    if (const element* imageValue = member(8);
        imageValue && imageValue->type() != element_type::NULL_VALUE) {
        std::string_view base64;
        if (imageValue->get_string().get(base64)) {
            return std::nullopt;
        }
        image = parseBase64(base64);
        if (!image) {
            return std::nullopt;
        }
    }
    return ClipboardEntry(*id, *timestamp, *kind, std::move(text), std::move(markdown),
                          std::move(html), std::move(colorHex), std::move(filePaths),
                          std::move(image), std::move(source), qString(fingerprint),
                          std::move(searchIndex));
}

// Parses the bytes in place (they get simdjson's padding) and hands the root to `use`.
template <typename Use>
auto withParsed(QByteArray bytes, Use use) -> decltype(use(std::declval<element>())) {
    if (bytes.size() > EntryJson::maxHistoryBytes) {
        return std::nullopt;
    }
    const qsizetype size = bytes.size();
    bytes.resize(size + qsizetype(simdjson::SIMDJSON_PADDING));
    std::memset(bytes.data() + size, ' ', simdjson::SIMDJSON_PADDING);
    simdjson::dom::parser parser;
    element root;
    if (parser.parse(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(size), false)
            .get(root)) {
        return std::nullopt;
    }
    bytes = QByteArray(); // the parsed document holds its own copy of every string
    return use(root);
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
        if (entries[i].imagePNGData() && !base64.write(*entries[i].imagePNGData())) {
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
    if (entry.imagePNGData()) {
        Base64Writer(buffer).write(*entry.imagePNGData());
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
    return withParsed(std::move(objectText),
                      [](const element& root) { return decodeRecord(root); });
}

std::optional<QList<ClipboardEntry>> EntryJson::decodeHistory(QByteArray fileBytes) {
    return withParsed(std::move(fileBytes),
                      [](const element& root) -> std::optional<QList<ClipboardEntry>> {
                          simdjson::dom::array array;
                          if (root.get_array().get(array)) {
                              return std::nullopt;
                          }
                          QList<ClipboardEntry> entries;
                          entries.reserve(qsizetype(array.size()));
                          for (const element value : array) {
                              std::optional<ClipboardEntry> entry = decodeRecord(value);
                              if (!entry) {
                                  return std::nullopt;
                              }
                              entries.append(std::move(*entry));
                          }
                          return entries;
                      });
}

} // namespace quillstack
