// quillstack-paste-target CLASS [--terminal]: a window (WM_CLASS "quillstack-paste-target" "CLASS",
// app_id CLASS) with a focused text field to paste into; as a terminal's, Control+Shift+V pastes
// and Control+V types "^V". Prints "ready WINDOW" (the X11 id) once focused, then answers "text"
// with "text: " and the text, and "activate" with "active" once active again.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

class Field : public QLineEdit {
public:
    bool terminal = false;

    void sayWhenFocused(const QString& line) {
        auto* poll = new QTimer(this);
        QObject::connect(poll, &QTimer::timeout, this, [=, this] {
            if (isActiveWindow() && hasFocus()) {
                poll->deleteLater();
                say(line);
            }
        });
        poll->start(10);
    }
    static void say(const QString& line) {
        std::fputs(line.toUtf8().append('\n').constData(), stdout);
        std::fflush(stdout);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool v = terminal && event->key() == Qt::Key_V;
        const auto chord = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                 Qt::AltModifier | Qt::MetaModifier);
        if (v && chord == (Qt::ControlModifier | Qt::ShiftModifier)) {
            paste();
        } else if (v && chord == Qt::ControlModifier) {
            insert(QStringLiteral("^V"));
        } else {
            QLineEdit::keyPressEvent(event);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString windowClass = QApplication::arguments().value(1);
    // Qt names the window class after the application, the app_id after the desktop file.
    QApplication::setApplicationName(windowClass);
    QGuiApplication::setDesktopFileName(windowClass);
    qputenv("RESOURCE_NAME", "quillstack-paste-target");

    Field field;
    field.terminal = QApplication::arguments().contains(QStringLiteral("--terminal"));
    field.setWindowTitle(QStringLiteral("Paste target (%1)").arg(windowClass));
    field.resize(480, 80);
    field.show();
    field.activateWindow();
    field.setFocus();
    field.sayWhenFocused(QStringLiteral("ready %1").arg(field.winId()));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        pending.append(buffer, qsizetype(std::max<ssize_t>(count, 0)));
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            if (pending.left(end).trimmed() == "text") {
                Field::say(QStringLiteral("text: ") + field.text());
            } else if (pending.left(end).trimmed() == "activate") {
                field.raise();
                field.activateWindow();
                field.setFocus();
                field.sayWhenFocused(QStringLiteral("active"));
            }
        }
        if (count <= 0) {
            QApplication::quit();
        }
    });
    return QApplication::exec();
}
