#include "app/AppDelegate.h"

#include "app/AppLogo.h"
#include "app/PanelPresenter.h"
#include "app/TrayItem.h"
#include "entries/ClipboardEntry.h"
#include "panel/PanelViewModel.h"
#include "platform/Workspace.h"
#include "settings/AppSettings.h"
#include "settings/HotkeyMonitor.h"
#include "store/ClipboardManager.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

namespace quillstack {

namespace {

constexpr qreal applicationIconSize = 512;
constexpr qreal trayIconSize = 18;
// The logo rendered at build time at the icon theme's sizes (see application.cmake): decoding
// these costs a fraction of decoding the 1024-pixel original.
const QString applicationIconSource = QStringLiteral(":/logo/512x512/quillstack.png");
const QString trayIconSource = QStringLiteral(":/logo/32x32/quillstack.png");

// loadAppLogo over one of those. Naming the format spares QImageReader from loading every
// image plugin to ask whether it reads "png" too.
std::optional<QImage> loadRenderedLogo(qreal maxDimension, const QString& path) {
    QImageReader reader(path, QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    const QImage logo = reader.read();
    if (logo.isNull()) {
        return std::nullopt;
    }
    return scaledAppLogo(logo, maxDimension);
}

} // namespace

AppDelegate::AppDelegate(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)),
      settings_(std::make_unique<AppSettings>(*services_.store.locations, *services_.loginItems)),
      manager_(std::make_unique<ClipboardManager>(services_.store)),
      hotkey_(std::make_unique<HotkeyMonitor>(*services_.hotkeys)) {}

AppDelegate::~AppDelegate() {
    // The callbacks installed in longer-lived objects must not reach a delegate being torn down.
    settings_->setOnHotkeyChanged({});
    hotkey_->setOnTrigger({});
    hotkey_->setOnAssignedTriggerChanged({});
}

void AppDelegate::applicationDidFinishLaunching() {
    // There is no main window and no taskbar entry: the program lives in the tray, and its
    // one window (the panel) is a tool window. The application icon is only ever seen on that
    // window, so the logo is decoded for it when the panel first opens (setApplicationIcon).
    manager_->requestAccessibilityPermissionIfNeeded();
    manager_->startMonitoring();

    model_ = std::make_unique<PanelViewModel>(*manager_);
    if (services_.makePanel) {
        panel_ = services_.makePanel(*manager_, *model_, *settings_);
    }

    const QPointer<AppDelegate> self(this);
    model_->onActivate = [self](const ClipboardEntry& entry) {
        if (self) {
            self->performPaste(entry);
        }
    };
    hotkey_->setOnTrigger([self] {
        // The toggle runs after the shortcut's event handler has returned.
        if (self) {
            QMetaObject::invokeMethod(self, &AppDelegate::togglePanel, Qt::QueuedConnection);
        }
    });
    // The views show the shortcut in force, which after a refusal is not the one chosen.
    settings_->setOnHotkeyChanged([self](const HotkeyConfig& config) {
        if (self) {
            self->hotkey_->update(config);
            self->settings_->setRegisteredHotkey(self->hotkey_->registeredConfig());
        }
    });
    // Where the desktop decides the trigger, the settings card shows what it decided.
    hotkey_->setOnAssignedTriggerChanged([self] {
        if (self) {
            self->settings_->setAssignedHotkeyTrigger(self->hotkey_->assignedTrigger());
        }
    });
    hotkey_->start(settings_->hotkeyConfig());
    settings_->setRegisteredHotkey(hotkey_->registeredConfig());

    if (services_.showsTrayItem) {
        statusItem_ = std::make_unique<TrayItem>(loadRenderedLogo(trayIconSize, trayIconSource));
        connect(statusItem_.get(), &TrayItem::openHistoryRequested, this,
                &AppDelegate::openHistory);
        connect(statusItem_.get(), &TrayItem::quitRequested, this, &AppDelegate::quitApp);
    }
}

void AppDelegate::applicationWillTerminate() {
    hotkey_->stop();
    manager_->stopMonitoring();
    // Saves run beside the GUI thread: the last one reaches the disk before the process ends.
    manager_->finishSaving();
}

void AppDelegate::togglePanel() {
    if (!panel_) {
        return;
    }
    if (panel_->isVisible()) {
        panel_->hide();
        return;
    }
    std::optional<RunningApplication> front;
    if (services_.store.workspace) {
        front = services_.store.workspace->frontmostApplication();
    }
    if (front && services_.store.workspace->belongsToThisProcess(*front)) {
        front.reset();
    }
    previousApp_ = front;
    setApplicationIcon();
    panel_->show(panel_->pointerLocation());
}

void AppDelegate::setApplicationIcon() {
    if (applicationIconSet_) {
        return;
    }
    applicationIconSet_ = true;
    if (auto logo = loadRenderedLogo(applicationIconSize, applicationIconSource)) {
        QGuiApplication::setWindowIcon(QIcon(QPixmap::fromImage(*logo)));
    }
}

void AppDelegate::openPanel() {
    if (panel_ && !panel_->isVisible()) {
        togglePanel();
    }
}

void AppDelegate::performPaste(const ClipboardEntry& entry) {
    if (panel_) {
        panel_->hide();
    }
    manager_->prepareForPaste(entry);
    if (previousApp_ && services_.store.workspace) {
        services_.store.workspace->activate(*previousApp_);
    }
    // The timer's context is the delegate: gone with it, the keystroke is not sent.
    QTimer::singleShot(pasteKeystrokeDelay, Qt::PreciseTimer, this,
                       [this] { manager_->sendCommandV(); });
}

void AppDelegate::quitApp() {
    emit terminationRequested();
}

} // namespace quillstack
