#include "entries/EntryRecordReader.h"

#include "entries/EntryJson.h"
#include "entries/EscapedBase64.h"

#include <QRegularExpression>

#include <string_view>

namespace quillstack {

namespace od = simdjson::ondemand;

namespace {

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

// The value's type; a null is read through here, so the caller only has to look at the type.
// Nothing when the value is malformed.
std::optional<od::json_type> typeOf(od::value value) {
    od::json_type type;
    if (value.type().get(type)) {
        return std::nullopt;
    }
    if (type == od::json_type::null) {
        bool isNull = false;
        if (value.is_null().get(isNull) || !isNull) {
            return std::nullopt;
        }
    }
    return type;
}

// Walks a value that is not read (an unknown member), so that malformed JSON anywhere still
// fails the file. level is the nesting the value has when it is an array or object.
bool checkValue(od::value value, int level) {
    const std::optional<od::json_type> type = typeOf(value);
    if (!type) {
        return false;
    }
    const bool container = *type == od::json_type::array || *type == od::json_type::object;
    if (container && level > EntryJson::maxNesting) {
        return false;
    }
    switch (*type) {
    case od::json_type::array: {
        od::array array;
        if (value.get_array().get(array)) {
            return false;
        }
        for (auto element : array) {
            od::value item;
            if (std::move(element).get(item) || !checkValue(item, level + 1)) {
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
                !checkValue(field.value(), level + 1)) {
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
    case od::json_type::null:
        return true;
    }
    return false;
}

// The text stays valid in the parser until the next document.
bool requiredString(od::value value, std::optional<std::string_view>& out) {
    std::string_view text;
    if (value.get_string().get(text)) {
        return false;
    }
    out = text;
    return true;
}

// A string member; null reads as absent, any other type is an error.
bool optionalString(od::value value, std::optional<QString>& out) {
    const std::optional<od::json_type> type = typeOf(value);
    if (!type) {
        return false;
    }
    if (*type == od::json_type::null) {
        out.reset();
        return true;
    }
    std::string_view text;
    if (value.get_string().get(text)) {
        return false;
    }
    out = qString(text);
    return true;
}

bool paths(od::value value, std::optional<QStringList>& out) {
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

} // namespace

EntryRecordReader::EntryRecordReader(std::shared_ptr<const HistoryBytes> source, const char* base)
    : source_(std::move(source)), base_(base) {}

std::optional<ClipboardEntry> EntryRecordReader::read(od::object object) const {
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
            ok = checkValue(value, 2);
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

// Base64 in the writer's form is checked and kept as its place in the file; any other valid
// form (a plain "/", other escapes) is decoded now.
bool EntryRecordReader::imageMember(od::value value, std::optional<EntryImage>& out) const {
    const std::optional<od::json_type> type = typeOf(value);
    if (!type) {
        return false;
    }
    if (*type == od::json_type::null) {
        out.reset();
        return true;
    }
    if (*type != od::json_type::string) {
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
        out = EntryImage::stored(source_, escaped.data() - base_, qsizetype(escaped.size()), *size);
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

} // namespace quillstack
