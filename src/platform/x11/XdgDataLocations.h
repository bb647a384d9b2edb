#pragma once

#include "platform/DataLocations.h"

namespace quillstack {

// The XDG base directories: $XDG_DATA_HOME when it is set to an absolute path, otherwise
// ~/.local/share; the temporary folder is Qt's (honouring $TMPDIR).
class XdgDataLocations : public DataLocations {
public:
    std::optional<QString> applicationSupportDirectory() const override;
    QString temporaryDirectory() const override;
};

} // namespace quillstack
