#pragma once

#include <QByteArray>

#include <chrono>
#include <optional>

namespace quillstack {

// Moving clipboard data through the pipes that Wayland's data transfers use.
namespace PipeTransfer {

// Reads until the writer closes its end, and closes fd. Nothing when the writer is still busy
// at the deadline or sends more than maxBytes.
std::optional<QByteArray> readAll(int fd, std::chrono::milliseconds timeout, qint64 maxBytes);

// Writes the bytes on a thread of its own and closes fd; gives up when the reader takes in
// nothing for a while, so a reader that never reads costs one idle thread for that long.
void writeDetached(int fd, QByteArray bytes);

} // namespace PipeTransfer

} // namespace quillstack
