#pragma once

#include "platform/DataLocations.h"

namespace quillstack {

// Data locations fixed at construction, for tests: a given data folder (or none) and a given
// temporary folder.
class MemoryDataLocations : public DataLocations {
public:
    explicit MemoryDataLocations(std::optional<QString> applicationSupport,
                                 QString temporary = QString());

    std::optional<QString> applicationSupportDirectory() const override;
    QString temporaryDirectory() const override;

private:
    std::optional<QString> applicationSupport_;
    QString temporary_;
};

} // namespace quillstack
