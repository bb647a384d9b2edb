#include "platform/memory/MemoryDataLocations.h"

#include <QDir>

namespace quillstack {

MemoryDataLocations::MemoryDataLocations(std::optional<QString> applicationSupport,
                                         QString temporary)
    : applicationSupport_(std::move(applicationSupport)),
      temporary_(temporary.isEmpty() ? QDir::tempPath() : std::move(temporary)) {}

std::optional<QString> MemoryDataLocations::applicationSupportDirectory() const {
    return applicationSupport_;
}

QString MemoryDataLocations::temporaryDirectory() const {
    return temporary_;
}

} // namespace quillstack
