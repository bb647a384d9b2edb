// Offers several types at once on the X11 CLIPBOARD, as a copying application would.
//
//   quillstack-clipboard-offer TYPE=FILE [TYPE=FILE ...]
//
// Each TYPE (a MIME type) is offered with the bytes of FILE. Prints "ready" once it owns the
// clipboard, then serves requests until another program takes the clipboard over (exit status 0)
// or it is killed. Exit status 2: bad command line or unreadable file.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments().mid(1);
    auto* mimeData = new QMimeData;
    for (const QString& argument : arguments) {
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        QFile file(argument.mid(equals + 1));
        if (equals <= 0 || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "usage: quillstack-clipboard-offer TYPE=FILE...\n");
            return 2;
        }
        mimeData->setData(argument.left(equals), file.readAll());
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) {
            QCoreApplication::quit();
        }
    });
    clipboard->setMimeData(mimeData, QClipboard::Clipboard);
    if (arguments.isEmpty() || !clipboard->ownsClipboard()) {
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QGuiApplication::exec();
}
