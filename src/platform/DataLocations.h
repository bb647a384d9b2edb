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

// "<application data folder>/Quillstack", or "<temporary folder>/Quillstack", created owner-only
// when missing; a folder there that was made before is used as it is.
//
// A folder that is not this user's own is never used where others can create names (the
// temporary folder, or any folder open to others): not a real folder, a link, another owner,
// or open to others and not fixable. A new private folder "Quillstack-XXXXXX" beside it takes
// its place for this run (the same one for every caller), and one line on standard error says
// so. When even that cannot be made, the folder returned is one that can never exist, so that
// the data lives in memory only. A failure to create an ordinary folder is ignored: later reads
// and writes there simply fail.
QString quillstackFolder(const DataLocations& locations);

// Makes the folder again after it was removed while the program runs, by the same rules.
bool remakeQuillstackFolder(const QString& folder);

} // namespace quillstack
