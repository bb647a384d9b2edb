// A window with one focused text field, into which a test pastes.
//
//   quillstack-paste-target CLASS [--terminal]
//
// WM_CLASS is "quillstack-paste-target" "CLASS"; as a native Wayland window its app_id is CLASS.
// With --terminal the field takes a terminal emulator's keys: Control+Shift+V pastes and
// Control+V types "^V". Prints "ready WINDOW" (the X11 window id) once the field has the keyboard
// focus, then answers commands on standard input, one a line: "text" prints "text: " and the
// field's text; "activate" asks to be made active and prints "active" once it is.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

class TerminalField : public QLineEdit {
protected:
    void keyPressEvent(QKeyEvent* event) override {
        const auto modifiers = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                     Qt::AltModifier | Qt::MetaModifier);
        if (event->key() == Qt::Key_V && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
            paste();
        } else if (event->key() == Qt::Key_V && modifiers == Qt::ControlModifier) {
            insert(QStringLiteral("^V"));
        } else {
            QLineEdit::keyPressEvent(event);
        }
    }
};

// Says the line once the field is active and has the focus.
void sayWhenFocused(QLineEdit* field, const QString& line) {
    auto* poll = new QTimer(field);
    QObject::connect(poll, &QTimer::timeout, field, [=] {
        if (field->isActiveWindow() && field->hasFocus()) {
            poll->deleteLater();
            say(line);
        }
    });
    poll->start(10);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString windowClass = arguments.value(1, QStringLiteral("QuillstackPasteTarget"));
    // Qt names the window class after the application, the app_id after the desktop file.
    QApplication::setApplicationName(windowClass);
    QGuiApplication::setDesktopFileName(windowClass);
    qputenv("RESOURCE_NAME", "quillstack-paste-target");

    std::unique_ptr<QLineEdit> field(
        arguments.contains(QStringLiteral("--terminal")) ? new TerminalField : new QLineEdit);
    field->setWindowTitle(QStringLiteral("Paste target (%1)").arg(windowClass));
    field->resize(480, 80);
    field->show();
    field->activateWindow();
    field->setFocus();
    sayWhenFocused(field.get(), QStringLiteral("ready %1").arg(field->winId()));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        pending.append(buffer, qsizetype(std::max<ssize_t>(count, 0)));
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "text") {
                say(QStringLiteral("text: ") + field->text());
            } else if (command == "activate") {
                field->raise();
                field->activateWindow();
                field->setFocus();
                sayWhenFocused(field.get(), QStringLiteral("active"));
            }
        }
        if (count <= 0) {
            QApplication::quit();
        }
    });
    return QApplication::exec();
}
