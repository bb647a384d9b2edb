#include "entries/HistoryRecordSpans.h"

#include <cstring>

namespace quillstack {

namespace {

bool isWhitespace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

size_t skipWhitespace(std::string_view text, size_t at) {
    while (at < text.size() && isWhitespace(text[at])) {
        ++at;
    }
    return at;
}

// The index of the quote that closes the string opened at `open`; a quote is escaped when an
// odd number of backslashes stands right before it.
std::optional<size_t> stringEnd(std::string_view text, size_t open) {
    size_t from = open + 1;
    while (from < text.size()) {
        const void* found = std::memchr(text.data() + from, '"', text.size() - from);
        if (!found) {
            return std::nullopt;
        }
        const size_t quote = size_t(static_cast<const char*>(found) - text.data());
        size_t backslashes = 0;
        while (quote - backslashes > open + 1 && text[quote - 1 - backslashes] == '\\') {
            ++backslashes;
        }
        if (backslashes % 2 == 0) {
            return quote;
        }
        from = quote + 1;
    }
    return std::nullopt;
}

// Just past the bracket that closes the object opened at `open`. Brackets of either kind are
// counted alike: a mismatch is left for the record's parser to reject.
std::optional<size_t> objectEnd(std::string_view text, size_t open) {
    size_t depth = 0;
    for (size_t at = open; at < text.size(); ++at) {
        switch (text[at]) {
        case '"': {
            const std::optional<size_t> end = stringEnd(text, at);
            if (!end) {
                return std::nullopt;
            }
            at = *end;
            break;
        }
        case '{':
        case '[':
            ++depth;
            break;
        case '}':
        case ']':
            if (--depth == 0) {
                return at + 1;
            }
            break;
        default:
            break;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<std::string_view>> HistoryRecordSpans::find(std::string_view text) {
    size_t at = skipWhitespace(text, 0);
    if (at == text.size() || text[at] != '[') {
        return std::nullopt;
    }
    at = skipWhitespace(text, at + 1);
    std::vector<std::string_view> spans;
    if (at < text.size() && text[at] != ']') {
        for (;;) {
            if (at == text.size() || text[at] != '{') {
                return std::nullopt;
            }
            const std::optional<size_t> end = objectEnd(text, at);
            if (!end) {
                return std::nullopt;
            }
            spans.push_back(text.substr(at, *end - at));
            at = skipWhitespace(text, *end);
            if (at < text.size() && text[at] == ',') {
                at = skipWhitespace(text, at + 1);
                continue;
            }
            break;
        }
    }
    if (at == text.size() || text[at] != ']') {
        return std::nullopt;
    }
    if (skipWhitespace(text, at + 1) != text.size()) {
        return std::nullopt;
    }
    return spans;
}

} // namespace quillstack
