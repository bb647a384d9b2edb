#include "platform/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quillstack {

namespace {

constexpr const char* requestInterface = "org.freedesktop.portal.Request";

} // namespace

QString PortalRequest::newToken() {
    static int counter = 0;
    return QStringLiteral("quillstack%1").arg(++counter);
}

PortalRequest::PortalRequest(QDBusConnection bus, QString requestPath, Callback callback,
                             QObject* context)
    : QObject(context), bus_(std::move(bus)), requestPath_(std::move(requestPath)),
      callback_(std::move(callback)) {
    bus_.connect(QLatin1String(service), requestPath_, QLatin1String(requestInterface),
                 QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::call(QDBusConnection bus, const QString& interface, const QString& method,
                         QVariantList arguments, QVariantMap options, QObject* context,
                         Callback callback) {
    const QString token = newToken();
    // The portal names the request after the caller's unique name and the token.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    auto* request = new PortalRequest(bus, requestPath, std::move(callback), context);

    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(service),
                                                          QLatin1String(path), interface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), request);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, request,
                     [request](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (finished->isError()) {
                             request->finish(2, {});
                         }
                     });
}

void PortalRequest::onResponse(uint code, const QVariantMap& results) {
    finish(code, results);
}

void PortalRequest::finish(uint code, const QVariantMap& results) {
    if (finished_) {
        return;
    }
    finished_ = true;
    bus_.disconnect(QLatin1String(service), requestPath_, QLatin1String(requestInterface),
                    QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    const Callback callback = std::move(callback_);
    deleteLater();
    callback(code, results);
}

} // namespace quillstack
