// Renders the logo at the sizes of the hicolor icon theme, for installation:
//
//   quillstack-render-icon-sizes SOURCE.png OUTPUT_FOLDER SIZE...
//
// writes OUTPUT_FOLDER/<SIZE>x<SIZE>/quillstack.png for each SIZE. Exit status 1 when the
// source does not decode or a file cannot be written, 2 on a bad command line.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() < 3) {
        std::fputs("usage: quillstack-render-icon-sizes SOURCE.png OUTPUT_FOLDER SIZE...\n",
                   stderr);
        return 2;
    }
    const QImage source(arguments.at(0));
    if (source.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments.at(0)));
        return 1;
    }
    for (const QString& sizeText : arguments.mid(2)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size <= 0 || size > 4096) {
            std::fprintf(stderr, "bad size %s\n", qPrintable(sizeText));
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2").arg(arguments.at(1)).arg(size);
        const QImage scaled =
            source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(folder) || !scaled.save(folder + QStringLiteral("/quillstack.png"))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
