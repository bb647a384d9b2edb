#pragma once

#include "entries/ClipboardEntry.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quillstack::test {

// An entry as the history holds it, to be written back to a clipboard.
inline ClipboardEntry entryWith(ClipboardKind kind, std::optional<QString> text,
                                std::optional<QString> markdown, std::optional<QString> html,
                                QStringList files = {}, std::optional<QByteArray> image = {},
                                std::optional<QString> color = {}) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind,
                          std::move(text), std::move(markdown), std::move(html), std::move(color),
                          std::move(files), std::move(image), std::nullopt, QString(64, u'0'),
                          std::nullopt);
}

// Helper programs that own the clipboard, and the files holding what they offer.
class ClipboardHelpers {
public:
    QString file(const QByteArray& bytes) {
        const QString path = dir_.filePath(QString::number(files_++));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return path;
    }

    // An offer helper's arguments: "--hang" if asked, then TYPE=FILE for each type.
    QStringList offerArguments(const QList<std::pair<QString, QByteArray>>& offers, bool hang) {
        QStringList arguments;
        if (hang) {
            arguments.append(QStringLiteral("--hang"));
        }
        for (const auto& [type, bytes] : offers) {
            arguments.append(type + QLatin1Char('=') + file(bytes));
        }
        return arguments;
    }

    // Starts a helper and waits for its "ready" line; it runs until end().
    QProcess* start(const QString& program, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->start(program, arguments);
        EXPECT_TRUE(waitUntil([&] { return process->canReadLine(); }))
            << process->readAllStandardError().toStdString();
        EXPECT_EQ(process->readLine().trimmed(), "ready");
        processes_.push_back(std::move(process));
        return processes_.back().get();
    }

    // Waits for the helpers to end once the clipboard was taken over; one that hangs is killed.
    void end() {
        for (const auto& process : processes_) {
            if (!waitUntil([&] { return process->state() == QProcess::NotRunning; },
                           std::chrono::seconds(2))) {
                process->kill();
                process->waitForFinished(2000);
            }
        }
    }

private:
    QTemporaryDir dir_;
    int files_ = 0;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

} // namespace quillstack::test
