#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <string_view>

namespace quillstack {

// The bytes of a history file after loading, kept readable for the images that are decoded
// later. A file stays open rather than in memory: its bytes cost nothing until they are read
// again, and the open file keeps them even after a save has renamed a new file over it. Bytes
// given in memory are simply kept.
class HistoryBytes {
public:
    // A regular file, of any size; nothing when it cannot be opened or is not a regular file.
    static std::shared_ptr<const HistoryBytes> openFile(const QString& path);
    static std::shared_ptr<const HistoryBytes> fromMemory(QByteArray bytes);

    ~HistoryBytes();
    HistoryBytes(const HistoryBytes&) = delete;
    HistoryBytes& operator=(const HistoryBytes&) = delete;

    // How many readable bytes a View offers past the end of the content.
    static constexpr size_t padding = 64;

    qint64 size() const { return size_; }

    // Copies [offset, offset + length) to out; false when those bytes can no longer be read
    // whole (a file shortened by someone else).
    bool read(qint64 offset, char* out, qsizetype length) const;

    // The whole content for one parsing pass, followed by `padding` readable bytes of
    // unspecified value. A file is mapped (its pages come from the page cache, without copying)
    // and unmapped when the view ends.
    class View {
    public:
        explicit View(const HistoryBytes& bytes);
        ~View();
        View(const View&) = delete;
        View& operator=(const View&) = delete;

        bool isValid() const { return data_ != nullptr; }
        std::string_view text() const { return {data_, size_}; }

    private:
        const char* data_ = nullptr;
        size_t size_ = 0;
        void* mapping_ = nullptr;
        size_t mappingLength_ = 0;
    };

private:
    HistoryBytes() = default;

    int fd_ = -1;
    QByteArray memory_;
    qint64 size_ = 0;
};

} // namespace quillstack
