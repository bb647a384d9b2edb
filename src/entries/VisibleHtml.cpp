#include "entries/VisibleHtml.h"

#include <algorithm>
#include <array>

namespace quillstack {

namespace {

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isNameCharacter(QChar c) {
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'-';
}

// Elements whose content never shows as text.
bool isHidden(QStringView name) {
    static constexpr std::array<QStringView, 3> hidden{u"style", u"script", u"template"};
    for (const QStringView element : hidden) {
        if (name.compare(element, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

QString VisibleHtml::reduce(QStringView html, qsizetype maxLength) {
    QString out;
    out.reserve(std::min(html.size(), maxLength));
    qsizetype at = 0;
    while (at < html.size() && out.size() < maxLength) {
        if (html[at] != u'<') {
            qsizetype next = html.indexOf(u'<', at);
            if (next < 0) {
                next = html.size();
            }
            out.append(html.mid(at, std::min(next - at, maxLength - out.size())));
            at = next;
            continue;
        }
        if (html.mid(at, 4) == QStringView(u"<!--")) {
            const qsizetype end = html.indexOf(u"-->", at + 4);
            at = end < 0 ? html.size() : end + 3;
            continue;
        }
        // Only "<" before a letter, "/", "!" or "?" starts markup; otherwise it is text.
        const QChar next = at + 1 < html.size() ? html[at + 1] : QChar();
        if (!isAsciiLetter(next) && next != u'/' && next != u'!' && next != u'?') {
            out.append(u'<');
            ++at;
            continue;
        }
        const qsizetype close = html.indexOf(u'>', at + 1);
        if (close < 0) {
            out.append(html.mid(at, maxLength - out.size()));
            break;
        }
        const bool closing = at + 1 < html.size() && html[at + 1] == u'/';
        qsizetype nameEnd = at + (closing ? 2 : 1);
        const qsizetype nameBegin = nameEnd;
        while (nameEnd < close && isNameCharacter(html[nameEnd])) {
            ++nameEnd;
        }
        const QStringView name = html.mid(nameBegin, nameEnd - nameBegin);
        const QStringView tag = html.mid(at, close + 1 - at);
        at = close + 1;
        if (!closing && isHidden(name) && !tag.endsWith(u"/>")) {
            const QString end = QStringLiteral("</") + name.toString();
            const qsizetype found = html.indexOf(end, at, Qt::CaseInsensitive);
            const qsizetype endClose = found < 0 ? -1 : html.indexOf(u'>', found);
            at = endClose < 0 ? html.size() : endClose + 1;
            continue;
        }
        if (tag.size() <= maxTagLength) {
            out.append(tag);
        } else if (!name.isEmpty()) {
            out.append(closing ? QStringView(u"</") : QStringView(u"<"));
            out.append(name);
            out.append(tag.endsWith(u"/>") ? QStringView(u"/>") : QStringView(u">"));
        }
    }
    if (out.size() > maxLength) {
        out.truncate(maxLength);
    }
    if (!out.isEmpty() && out.back().isHighSurrogate()) {
        out.chop(1);
    }
    return out;
}

} // namespace quillstack
