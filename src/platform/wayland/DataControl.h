#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

namespace quillstack {

class WaylandConnection;

// The representations of a selection this program owns, in the order they are offered.
using OwnedSelection = QList<std::pair<QString, QByteArray>>;

// The seat's clipboard selection through a data-control protocol (ext-data-control-v1 or
// wlr-data-control-unstable-v1, which differ only in their names). The primary selection is
// not followed. Everything here runs on the connection's thread.
class DataControl {
public:
    enum class Protocol { ext, wlr };

    struct Selection {
        quint64 generation = 0;
        QStringList types;
        // Set when the selection is one this program made; reads are then answered from it.
        std::shared_ptr<const OwnedSelection> own;
    };
    // Told every new selection (also an empty one, and the program's own).
    using SelectionHandler = std::function<void(const Selection&)>;

    // Binds the protocol's manager and the seat's device; nothing when the compositor does not
    // offer the protocol or has no seat. Before the connection starts.
    static std::unique_ptr<DataControl> create(WaylandConnection& connection, Protocol protocol,
                                               SelectionHandler handler);
    virtual ~DataControl() = default;

    // Makes the representations the selection (empty ones clear it).
    virtual void setSelection(std::shared_ptr<const OwnedSelection> selection) = 0;

    // Asks the owner of the selection of that generation to write the type's data into fd
    // (which this call takes over). False when that selection has been replaced since.
    virtual bool receive(quint64 generation, const QString& type, int fd) = 0;

    // False once the compositor has withdrawn the device.
    virtual bool isValid() const = 0;
};

} // namespace quillstack
