#include "platform/DataLocations.h"

#include "platform/DurableFile.h"

#include <QDir>

namespace quillstack {

QString quillstackFolder(const DataLocations& locations) {
    const QString base =
        locations.applicationSupportDirectory().value_or(locations.temporaryDirectory());
    const QString folder = QDir(base).filePath(QStringLiteral("Quillstack"));
    DurableFile::makeOwnerOnlyFolder(folder);
    return folder;
}

} // namespace quillstack
