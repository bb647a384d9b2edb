#pragma once

#include <QString>

#include <optional>

namespace quillstack {

// Where the per-user data of the program lives.
class DataLocations {
public:
    virtual ~DataLocations() = default;

    // The user's per-user application data folder; nothing when the desktop has none.
    virtual std::optional<QString> applicationSupportDirectory() const = 0;

    // The process's temporary folder, used when there is no application data folder.
    virtual QString temporaryDirectory() const = 0;
};

// "<application data folder>/Quillstack" (or "<temporary folder>/Quillstack"), created owner-only
// when missing. A failure to create it is ignored: later reads and writes there simply fail.
QString quillstackFolder(const DataLocations& locations);

} // namespace quillstack
