#pragma once

#include "entries/EntryImage.h"

#include <QByteArray>
#include <QIODevice>

#include <vector>

namespace quillstack {

// Streams image bytes to a device as the escaped Base64 of history.json (standard padded
// Base64 with every "/" written as "\/"), in chunks, without building the whole text first.
class EscapedBase64Writer {
public:
    explicit EscapedBase64Writer(QIODevice& device);

    // A loaded image that was never changed goes back as the text it was read as, checked
    // again on the way (its file is outside this program's control); others are encoded.
    bool write(const EntryImage& image);

    // Whether write(image) can succeed: a loaded image's text is read and checked now (and kept
    // for the write that follows); an image in memory always can. False when the text can no
    // longer be read whole and valid.
    bool stage(const EntryImage& image);

    bool write(const QByteArray& data);

private:
    static constexpr qsizetype chunkGroups = 64 * 1024;

    bool flush(const char* end);

    QIODevice& device_;
    std::vector<char> buffer_;
    std::vector<char> stored_;
    // Which stored text stored_ holds, checked.
    const HistoryBytes* stagedSource_ = nullptr;
    qint64 stagedOffset_ = -1;
};

} // namespace quillstack
