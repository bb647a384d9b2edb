#include "app/TrayItem.h"

#include "app/SymbolIcon.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <atomic>
#include <cstdio>

namespace quillstack {

namespace {

void reportMissingTrayOnce() {
    static std::atomic_bool reported = false;
    if (!reported.exchange(true)) {
        std::fputs(TrayItem::missingTrayMessage().toUtf8().constData(), stderr);
        std::fflush(stderr);
    }
}

} // namespace

const QString& TrayItem::toolTip() {
    static const QString text = QStringLiteral("Quillstack");
    return text;
}

const QString& TrayItem::fallbackSymbol() {
    static const QString name = QStringLiteral("paperclip.circle");
    return name;
}

const QString& TrayItem::missingTrayMessage() {
    static const QString text =
        QStringLiteral("Quillstack: no system tray is available; the shortcut and "
                       "`quillstack --toggle` still open the panel.\n");
    return text;
}

TrayItem::TrayItem(const std::optional<QImage>& logo, QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()),
      icon_(std::make_unique<QSystemTrayIcon>()) {
    openHistory_ = menu_->addAction(QStringLiteral("Open Clipboard History"));
    menu_->addSeparator();
    quit_ = menu_->addAction(QStringLiteral("Quit Quillstack"));
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(openHistory_, &QAction::triggered, this, &TrayItem::openHistoryRequested);
    connect(quit_, &QAction::triggered, this, &TrayItem::quitRequested);

    if (logo && !logo->isNull()) {
        icon_->setIcon(QIcon(QPixmap::fromImage(*logo)));
    } else {
        showsFallbackSymbol_ = true;
        const QColor tint = QGuiApplication::palette().color(QPalette::WindowText);
        icon_->setIcon(SymbolIcon::icon(fallbackSymbol(), tint));
    }
    icon_->setToolTip(toolTip());
    icon_->setContextMenu(menu_.get());
    // A click opens the menu too, as the right button does.
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    menu_->popup(QCursor::pos());
                }
            });

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        reportMissingTrayOnce();
    }
    icon_->show();
}

TrayItem::~TrayItem() {
    icon_->hide();
}

} // namespace quillstack
