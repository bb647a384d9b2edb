// Offers several types at once on the CLIPBOARD selection, as a copying application would.
//
//   quillstack-clipboard-offer [--hang] TYPE=FILE [TYPE=FILE ...]
//
// Each TYPE (a MIME type such as text/html) is offered with the bytes of FILE. Prints "ready"
// on standard output once it owns the clipboard, then serves requests until another program
// takes the clipboard over (exit status 0) or it is killed. With --hang it stops answering
// requests once it is the owner, like a program that no longer responds.
// Exit status 2: bad command line or unreadable file.

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

int usage(const QString& problem) {
    QTextStream(stderr) << "quillstack-clipboard-offer: " << problem << "\n"
                        << "usage: quillstack-clipboard-offer [--hang] TYPE=FILE [TYPE=FILE ...]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList arguments = QGuiApplication::arguments().mid(1);
    const bool hang = arguments.removeAll(QStringLiteral("--hang")) > 0;
    if (arguments.isEmpty()) {
        return usage(QStringLiteral("nothing to offer"));
    }

    auto* mimeData = new QMimeData;
    for (const QString& argument : arguments) {
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            delete mimeData;
            return usage(QStringLiteral("expected TYPE=FILE, got ") + argument);
        }
        QFile file(argument.mid(equals + 1));
        if (!file.open(QIODevice::ReadOnly)) {
            delete mimeData;
            return usage(QStringLiteral("cannot read ") + file.fileName());
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
    if (!clipboard->ownsClipboard()) {
        return usage(QStringLiteral("could not take the clipboard"));
    }
    std::puts("ready");
    std::fflush(stdout);

    if (hang) {
        // Never return to the event loop: requests from other programs go unanswered.
        QTimer::singleShot(0, [] {
            for (;;) {
                QThread::sleep(1);
            }
        });
    }
    return QGuiApplication::exec();
}
