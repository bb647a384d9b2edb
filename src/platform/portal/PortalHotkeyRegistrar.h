#pragma once

#include "platform/HotkeyRegistrar.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

namespace quillstack {

// The system-wide shortcut through the GlobalShortcuts portal (org.freedesktop.portal).
//
// Each registration opens a session of its own with one shortcut, whose preferred trigger is
// the combination asked for; the desktop decides the trigger and may ask the user. The
// shortcuts go along in CreateSession's options (the KDE backend of Plasma 5.27 registers them
// only from there), and BindShortcuts follows only when the session came back without them.
// registerHotkey answers at once; the trigger the desktop assigned arrives later through the
// assignment handler, as do later changes the user makes. Only letter keys can be asked for.
class PortalHotkeyRegistrar : public QObject, public HotkeyRegistrar {
    Q_OBJECT

public:
    static constexpr const char* interface = "org.freedesktop.portal.GlobalShortcuts";
    // The id of the one shortcut in each session.
    static constexpr const char* shortcutId = "toggle-panel";

    // Whether the session bus has a portal that implements GlobalShortcuts; asks it (at most a
    // second).
    static bool portalOffersShortcuts(QDBusConnection bus = QDBusConnection::sessionBus());

    explicit PortalHotkeyRegistrar(QDBusConnection bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);
    ~PortalHotkeyRegistrar() override;

    bool installHandler(PressHandler handler) override;
    void removeHandler() override;
    std::optional<Handle> registerHotkey(quint32 keyCode, quint32 modifierFlags,
                                         Identifier identifier) override;
    void unregisterHotkey(Handle handle) override;
    void setAssignmentHandler(AssignmentHandler handler) override;

private slots:
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options).
    void onActivated(const QDBusMessage& message);

private:
    struct Registration {
        Handle handle = 0;
        Identifier identifier;
        QString trigger;
        QString session;
    };

    void sessionCreated(Handle handle, uint code, const QVariantMap& results);
    void reportShortcuts(Handle handle, const QVariant& shortcuts);
    void closeSession(const QString& session);

    QDBusConnection bus_;
    PressHandler pressHandler_;
    AssignmentHandler assignmentHandler_;
    std::optional<Registration> registration_;
    Handle nextHandle_ = 1;
};

} // namespace quillstack
