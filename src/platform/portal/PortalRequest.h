#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace quillstack {

// One request to an XDG desktop portal: the method is called with a handle token whose Request
// object path is known in advance, so that its Response is listened to before the call goes
// out. The callback runs once, with the response code (0 success, 1 cancelled, 2 other) and the
// results; a call the portal refuses at once counts as code 2. Deletes itself afterwards.
class PortalRequest : public QObject {
    Q_OBJECT

public:
    using Callback = std::function<void(uint code, const QVariantMap& results)>;

    static constexpr const char* service = "org.freedesktop.portal.Desktop";
    static constexpr const char* path = "/org/freedesktop/portal/desktop";

    // Calls interface.method(arguments..., options) where options gains handle_token.
    static void call(QDBusConnection bus, const QString& interface, const QString& method,
                     QVariantList arguments, QVariantMap options, QObject* context,
                     Callback callback);

    // A token unique within this process ("quillstack" and a counter).
    static QString newToken();

private slots:
    void onResponse(uint code, const QVariantMap& results);

private:
    PortalRequest(QDBusConnection bus, QString requestPath, Callback callback, QObject* context);
    void finish(uint code, const QVariantMap& results);

    QDBusConnection bus_;
    QString requestPath_;
    Callback callback_;
    bool finished_ = false;
};

} // namespace quillstack
