#pragma once

// Shared by the Wayland end-to-end tests: the program's own runtime folder, its history file,
// the panel's visibility and two copies made in a Wayland program. QUILLSTACK_EXECUTABLE and
// QUILLSTACK_PASTE_TARGET name the programs.

#include "PasteTargetProcess.h"
#include "RunningQuillstack.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace quillstack::test {

inline bool panelShows() {
    const auto found = runProcess(QStringLiteral("xdotool"),
                                  {"search", "--onlyvisible", "--classname", "^quillstack$"});
    return !found.out.trimmed().isEmpty();
}

// Gives the program a runtime folder of its own while the compositor's socket stays reachable.
inline QString privateRuntime(const QTemporaryDir& root) {
    const QString runtime = root.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    qputenv("WAYLAND_DISPLAY", qgetenv("XDG_RUNTIME_DIR") + '/' + qgetenv("WAYLAND_DISPLAY"));
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    return runtime;
}

inline QJsonArray historyIn(const QString& dataHome) {
    QFile in(dataHome + QStringLiteral("/Quillstack/history.json"));
    return in.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(in.readAll()).array()
                                        : QJsonArray();
}

// A native Wayland program with the keyboard, and two copies made there and recorded.
inline std::unique_ptr<PasteTargetProcess>
copyTwiceInWaylandProgram(QProcess& app, const std::function<QJsonArray()>& history) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    auto target = std::make_unique<PasteTargetProcess>(QStringLiteral(QUILLSTACK_PASTE_TARGET),
                                                       QStringLiteral("org.example.Notes"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_NE(target->windowId(), 0u);
    EXPECT_EQ(runProcess(QStringLiteral("wl-copy"), {}, "the older copy").exitCode, 0);
    EXPECT_TRUE(waitUntil([&] { return history().size() == 1; }, std::chrono::seconds(10)))
        << app.readAllStandardError().toStdString();
    EXPECT_EQ(runProcess(QStringLiteral("wl-copy"), {}, "the newest copy").exitCode, 0);
    EXPECT_TRUE(waitUntil([&] { return history().size() == 2; }, std::chrono::seconds(10)));
    EXPECT_EQ(history().at(0).toObject().value("text").toString(),
              QStringLiteral("the newest copy"));
    EXPECT_EQ(history().at(1).toObject().value("sourceAppBundleID").toString(),
              QStringLiteral("org.example.Notes"));
    return target;
}

// The panel pastes "the older copy" into the target and closes; the paste is not recorded.
inline void expectPastedBack(QProcess& app, PasteTargetProcess& target,
                             const std::function<QJsonArray()>& history) {
    EXPECT_EQ(target.waitForText("the older copy"), "the older copy")
        << app.readAllStandardError().toStdString();
    EXPECT_TRUE(waitUntil([] { return !panelShows(); }));
    spin(std::chrono::seconds(1));
    EXPECT_EQ(history().size(), 2);
    app.terminate();
    EXPECT_TRUE(app.waitForFinished(10000));
}

} // namespace quillstack::test
