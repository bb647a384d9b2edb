#include "platform/portal/PortalHotkeyRegistrar.h"

#include "platform/Diagnostics.h"
#include "platform/HotkeyKeys.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>

namespace quillstack {

namespace {

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

} // namespace

} // namespace quillstack

Q_DECLARE_METATYPE(quillstack::PortalShortcut)

namespace quillstack {

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<PortalShortcuts>();
        return true;
    }();
    (void)registered;
}

// The session handle of a CreateSession response: a string as the portal documents it, an object
// path from some backends.
QString sessionHandle(const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    if (handle.canConvert<QDBusObjectPath>()) {
        return handle.value<QDBusObjectPath>().path();
    }
    return handle.toString();
}

constexpr const char* sessionInterface = "org.freedesktop.portal.Session";
constexpr int probeTimeoutMs = 1000;

} // namespace

bool PortalHotkeyRegistrar::portalOffersShortcuts(QDBusConnection bus) {
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(PortalRequest::service), QLatin1String(PortalRequest::path),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message.setArguments({QLatin1String(interface), QStringLiteral("version")});
    const QDBusMessage reply = bus.call(message, QDBus::Block, probeTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

PortalHotkeyRegistrar::PortalHotkeyRegistrar(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    registerTypes();
}

PortalHotkeyRegistrar::~PortalHotkeyRegistrar() {
    if (registration_) {
        closeSession(registration_->session);
    }
}

bool PortalHotkeyRegistrar::installHandler(PressHandler handler) {
    if (!bus_.isConnected()) {
        return false;
    }
    if (!pressHandler_) {
        bus_.connect(QLatin1String(PortalRequest::service), QLatin1String(PortalRequest::path),
                     QLatin1String(interface), QStringLiteral("Activated"), this,
                     SLOT(onActivated(QDBusMessage)));
    }
    pressHandler_ = std::move(handler);
    return true;
}

void PortalHotkeyRegistrar::removeHandler() {
    if (pressHandler_) {
        bus_.disconnect(QLatin1String(PortalRequest::service), QLatin1String(PortalRequest::path),
                        QLatin1String(interface), QStringLiteral("Activated"), this,
                        SLOT(onActivated(QDBusMessage)));
    }
    pressHandler_ = nullptr;
}

void PortalHotkeyRegistrar::setAssignmentHandler(AssignmentHandler handler) {
    assignmentHandler_ = std::move(handler);
}

std::optional<HotkeyRegistrar::Handle>
PortalHotkeyRegistrar::registerHotkey(quint32 keyCode, quint32 modifierFlags,
                                      Identifier identifier) {
    const std::optional<QString> trigger = xdgShortcutTrigger(keyCode, modifierFlags);
    if (!trigger || !bus_.isConnected()) {
        return std::nullopt;
    }
    if (registration_) {
        unregisterHotkey(registration_->handle);
    }
    const Handle handle = nextHandle_++;
    registration_ = Registration{handle, identifier, *trigger, {}};

    PortalShortcut shortcut{
        QLatin1String(shortcutId),
        {{QStringLiteral("description"), QStringLiteral("Open the Quillstack clipboard history")},
         {QStringLiteral("preferred_trigger"), *trigger}}};
    const QVariantMap options{
        {QStringLiteral("session_handle_token"), PortalRequest::newToken()},
        {QStringLiteral("shortcuts"), QVariant::fromValue(PortalShortcuts{shortcut})}};
    PortalRequest::call(bus_, QLatin1String(interface), QStringLiteral("CreateSession"), {},
                        options, this, [this, handle](uint code, const QVariantMap& results) {
                            sessionCreated(handle, code, results);
                        });
    return handle;
}

void PortalHotkeyRegistrar::sessionCreated(Handle handle, uint code, const QVariantMap& results) {
    if (!registration_ || registration_->handle != handle) {
        // Unregistered meanwhile: the session is not wanted.
        closeSession(sessionHandle(results));
        return;
    }
    if (code != 0) {
        printDiagnostic(QStringLiteral("the desktop did not open a shortcut session (response %1); "
                                       "bind `quillstack --toggle` in its keyboard settings.")
                            .arg(code));
        if (assignmentHandler_) {
            assignmentHandler_(handle, std::nullopt);
        }
        return;
    }
    registration_->session = sessionHandle(results);
    const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
    if (shortcuts.isValid()) {
        reportShortcuts(handle, shortcuts);
        return;
    }
    PortalShortcut shortcut{
        QLatin1String(shortcutId),
        {{QStringLiteral("description"), QStringLiteral("Open the Quillstack clipboard history")},
         {QStringLiteral("preferred_trigger"), registration_->trigger}}};
    PortalRequest::call(bus_, QLatin1String(interface), QStringLiteral("BindShortcuts"),
                        {QVariant::fromValue(QDBusObjectPath(registration_->session)),
                         QVariant::fromValue(PortalShortcuts{shortcut}), QString()},
                        {}, this, [this, handle](uint bindCode, const QVariantMap& bound) {
                            if (bindCode == 0) {
                                reportShortcuts(handle, bound.value(QStringLiteral("shortcuts")));
                            } else if (assignmentHandler_) {
                                assignmentHandler_(handle, std::nullopt);
                            }
                        });
}

void PortalHotkeyRegistrar::reportShortcuts(Handle handle, const QVariant& shortcuts) {
    std::optional<QString> trigger;
    if (shortcuts.canConvert<QDBusArgument>()) {
        PortalShortcuts list;
        shortcuts.value<QDBusArgument>() >> list;
        for (const PortalShortcut& shortcut : std::as_const(list)) {
            const QString description =
                shortcut.properties.value(QStringLiteral("trigger_description")).toString();
            if (shortcut.id == QLatin1String(shortcutId) && !description.isEmpty()) {
                trigger = description;
            }
        }
    }
    if (assignmentHandler_) {
        assignmentHandler_(handle, trigger);
    }
}

void PortalHotkeyRegistrar::unregisterHotkey(Handle handle) {
    if (!registration_ || registration_->handle != handle) {
        return;
    }
    closeSession(registration_->session);
    registration_.reset();
}

void PortalHotkeyRegistrar::closeSession(const QString& session) {
    if (session.isEmpty()) {
        return;
    }
    bus_.asyncCall(QDBusMessage::createMethodCall(QLatin1String(PortalRequest::service), session,
                                                  QLatin1String(sessionInterface),
                                                  QStringLiteral("Close")));
}

void PortalHotkeyRegistrar::onActivated(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    const QDBusObjectPath session = arguments.at(0).value<QDBusObjectPath>();
    const QString id = arguments.at(1).toString();
    if (!registration_ || session.path() != registration_->session ||
        id != QLatin1String(shortcutId) || !pressHandler_) {
        return;
    }
    const PressHandler handler = pressHandler_; // the handler may replace itself
    handler(registration_->identifier);
}

} // namespace quillstack
