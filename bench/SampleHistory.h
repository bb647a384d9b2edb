#pragma once

// Histories for the panel's benchmark and screenshots: entries of every kind, built the way the
// store receives them (fingerprint and search text present).

#include "entries/ClipboardEntry.h"
#include "store/ClipboardManager.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QUuid>

namespace quillstack::sample {

struct Fields {
    ClipboardKind kind = ClipboardKind::text;
    std::optional<QString> text;
    std::optional<QString> markdown;
    std::optional<QString> html;
    std::optional<QString> colorHex;
    QStringList filePaths;
    std::optional<QByteArray> png;
};

inline ClipboardEntry entry(const Fields& f, const QDateTime& when) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(rawValue(f.kind).toUtf8());
    for (const auto& part : {f.text, f.markdown, f.html, f.colorHex}) {
        hash.addData(part.value_or(QString()).toUtf8());
        hash.addData(QByteArrayView("\0", 1));
    }
    hash.addData(f.filePaths.join(QLatin1Char('\n')).toUtf8());
    if (f.png) {
        hash.addData(*f.png);
    }
    hash.addData(QUuid::createUuid().toByteArray()); // never a duplicate of another sample
    return ClipboardEntry(QUuid::createUuid(), when, f.kind, f.text, f.markdown, f.html, f.colorHex,
                          f.filePaths, f.png, QStringLiteral("org.example.editor"),
                          QString::fromLatin1(hash.result().toHex()), std::nullopt)
        .withBackfilledSearchIndex();
}

// A colourful landscape-like picture, as PNG.
inline QByteArray picture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((200 + seed * 37) % 360, 120, 245));
    sky.setColorAt(1, QColor::fromHsv((320 + seed * 37) % 360, 150, 200));
    painter.fillRect(image.rect(), sky);
    QRadialGradient sun(width * 0.7, height * 0.35, height * 0.25);
    sun.setColorAt(0, QColor(255, 240, 200));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    painter.setBrush(sun);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.7, height * 0.35), height * 0.25, height * 0.25);
    painter.setBrush(QColor::fromHsv((120 + seed * 23) % 360, 140, 110));
    QPolygonF hills;
    hills << QPointF(0, height);
    for (int x = 0; x <= width; x += width / 16) {
        hills << QPointF(x, height * (0.62 + 0.12 * std::sin(x * 0.012 + seed)));
    }
    hills << QPointF(width, height);
    painter.drawPolygon(hills);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// One entry of every kind, newest first as listed.
inline QList<ClipboardEntry> everyKind(const QDateTime& now) {
    const QString code = QStringLiteral("// Debounce the search field\n"
                                        "func schedule(_ query: String) async throws {\n"
                                        "    let delay = \"140ms\"\n"
                                        "    if query.isEmpty { return }\n"
                                        "}");
    QList<Fields> fields(8);
    fields[0].kind = ClipboardKind::text;
    fields[0].text = QStringLiteral("Ship the 1.2 release on Thursday, then sync with design "
                                    "about the onboarding flow and the new empty states.");
    fields[1].kind = ClipboardKind::code;
    fields[1].text = code;
    fields[2].kind = ClipboardKind::markdown;
    fields[2].text = QStringLiteral("Release checklist");
    fields[2].markdown = QStringLiteral(
        "## Release checklist\n- **Tag** the build\n- Update `CHANGELOG.md` and *announce*");
    fields[3].kind = ClipboardKind::html;
    fields[3].text = QStringLiteral("Quarterly report");
    fields[3].html = QStringLiteral("<p><b>Quarterly report</b>: revenue up <i>12%</i>, churn "
                                    "down. See the <a href=\"https://example.com\">dashboard</a>."
                                    "</p>");
    fields[4].kind = ClipboardKind::image;
    fields[4].png = picture(960, 600, 1);
    fields[5].kind = ClipboardKind::file;
    fields[5].filePaths = {QStringLiteral("/home/ada/Documents/Design Review.pdf"),
                           QStringLiteral("/home/ada/Documents/Notes.txt")};
    fields[6].kind = ClipboardKind::color;
    fields[6].colorHex = QStringLiteral("#FF7A59");
    fields[7].kind = ClipboardKind::unknown;
    QList<ClipboardEntry> entries;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        entries << entry(fields.at(i), now.addSecs(-i * 427));
    }
    return entries;
}

// HTML as copied from a spreadsheet (a white table with black text) and from a web page (links),
// newest first, above one entry of every kind.
inline QList<ClipboardEntry> htmlCopies(const QDateTime& now) {
    QList<Fields> fields(2);
    fields[0].kind = ClipboardKind::html;
    fields[0].text = QStringLiteral("Region Q1 Q2");
    fields[0].html = QStringLiteral(
        "<table bgcolor=\"#ffffff\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\">"
        "<tr><td style=\"background-color:#f3f3f3;color:#000000\"><b>Region</b></td>"
        "<td style=\"background-color:#f3f3f3;color:#000000\"><b>Q1</b></td>"
        "<td style=\"background-color:#f3f3f3;color:#000000\"><b>Q2</b></td></tr>"
        "<tr><td style=\"color:#000000\">North</td><td style=\"color:#000000\">1,204</td>"
        "<td style=\"color:#000000\">1,388</td></tr>"
        "<tr><td style=\"color:#000000\">South</td><td style=\"color:#000000\">982</td>"
        "<td style=\"color:#000000\">1,115</td></tr></table>");
    fields[1].kind = ClipboardKind::html;
    fields[1].text = QStringLiteral("Installation guide");
    fields[1].html = QStringLiteral(
        "<div style=\"background:#ffffff;color:#1f2328\"><p>Read the <a "
        "href=\"https://example.com/install\">installation guide</a> first, then the <a "
        "href=\"https://example.com/faq\">FAQ</a> for known problems.</p></div>");
    QList<ClipboardEntry> entries;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        entries << entry(fields.at(i), now.addSecs(-i * 61));
    }
    for (const ClipboardEntry& older : everyKind(now.addSecs(-600))) {
        entries << older;
    }
    return entries;
}

// `count` entries cycling through the kinds, `images` of them images of `imageWidth` pixels.
inline QList<ClipboardEntry> large(int count, int images, int imageWidth, const QDateTime& now) {
    QList<ClipboardEntry> entries;
    const int imageEvery = images > 0 ? count / images : count + 1;
    const QList<ClipboardEntry> kinds = everyKind(now);
    for (int i = 0; i < count; ++i) {
        Fields f;
        if (images > 0 && i % imageEvery == 0 && i / imageEvery < images) {
            f.kind = ClipboardKind::image;
            f.png = picture(imageWidth, imageWidth * 5 / 8, i);
        } else {
            const ClipboardEntry& model = kinds.at(i % kinds.size());
            f.kind = model.kind();
            if (model.text()) {
                f.text = *model.text() + QString::number(i);
            }
            f.markdown = model.markdown();
            f.html = model.html();
            f.colorHex = model.colorHex();
            f.filePaths = model.filePaths();
            f.png = model.imagePNGData();
        }
        entries << entry(f, now.addSecs(-i * 60));
    }
    return entries;
}

// Puts the entries into the store so that the first one is the newest.
inline void fill(ClipboardManager& manager, const QList<ClipboardEntry>& entries) {
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        manager.insert(*it);
    }
}

} // namespace quillstack::sample
