#include "platform/DataLocations.h"

#include "platform/Diagnostics.h"
#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstdlib>
#include <mutex>

namespace quillstack {

namespace {

// No one can create anything below /dev/null.
const QString impossibleFolder = QStringLiteral("/dev/null/Quillstack");

struct Replacements {
    std::mutex mutex;
    QHash<QString, QString> byFolder; // refused folder → the private one used instead
};

Replacements& replacements() {
    static Replacements instance;
    return instance;
}

QString privateReplacement(const QString& refused) {
    Replacements& known = replacements();
    const std::lock_guard lock(known.mutex);
    if (const auto found = known.byFolder.constFind(refused); found != known.byFolder.cend()) {
        return *found;
    }
    QByteArray templ = QFile::encodeName(refused + QStringLiteral("-XXXXXX"));
    QString chosen;
    if (::mkdtemp(templ.data()) != nullptr) { // created 0700
        chosen = QFile::decodeName(templ);
        printDiagnostic(refused + QStringLiteral(" is not a private folder of this user; using ") +
                        chosen + QStringLiteral(" instead."));
    } else {
        chosen = impossibleFolder;
        printDiagnostic(
            refused + QStringLiteral(" is not a private folder of this user and no other could be "
                                     "made; the history is kept in memory only."));
    }
    known.byFolder.insert(refused, chosen);
    return chosen;
}

} // namespace

QString quillstackFolder(const DataLocations& locations) {
    const std::optional<QString> support = locations.applicationSupportDirectory();
    const QString base = support.value_or(locations.temporaryDirectory());
    const QString folder = QDir(base).filePath(QStringLiteral("Quillstack"));
    if (support && !DurableFile::isShared(base)) {
        DurableFile::makeFolder(folder);
        return folder;
    }
    DurableFile::makeFolder(base);
    return DurableFile::makePrivateFolder(folder) ? folder : privateReplacement(folder);
}

bool remakeQuillstackFolder(const QString& folder) {
    const QString parent = QFileInfo(folder).absolutePath();
    if (!DurableFile::makeFolder(parent)) {
        return false;
    }
    return DurableFile::isShared(parent) ||
                   QFileInfo(folder).fileName() != QStringLiteral("Quillstack")
               ? DurableFile::makePrivateFolder(folder)
               : DurableFile::makeFolder(folder);
}

} // namespace quillstack
