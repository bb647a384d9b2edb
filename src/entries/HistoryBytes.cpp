#include "entries/HistoryBytes.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillstack {

std::shared_ptr<const HistoryBytes> HistoryBytes::openFile(const QString& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; only regular files are read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::shared_ptr<HistoryBytes> bytes(new HistoryBytes);
    bytes->fd_ = fd;
    bytes->size_ = status.st_size;
    return bytes;
}

std::shared_ptr<const HistoryBytes> HistoryBytes::fromMemory(QByteArray memory) {
    std::shared_ptr<HistoryBytes> bytes(new HistoryBytes);
    bytes->size_ = memory.size();
    // Kept with zeros after the content, for a View to read past its end.
    memory.append(QByteArray(qsizetype(padding), '\0'));
    bytes->memory_ = std::move(memory);
    return bytes;
}

HistoryBytes::~HistoryBytes() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool HistoryBytes::read(qint64 offset, char* out, qsizetype length) const {
    if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset) {
        return false;
    }
    if (length == 0) {
        return true; // out may be null for an empty buffer
    }
    if (fd_ < 0) {
        std::memcpy(out, memory_.constData() + offset, size_t(length));
        return true;
    }
    while (length > 0) {
        const ssize_t got = ::pread(fd_, out, size_t(length), off_t(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        out += got;
        offset += got;
        length -= got;
    }
    return true;
}

HistoryBytes::View::View(const HistoryBytes& bytes) {
    size_ = size_t(bytes.size_);
    if (bytes.fd_ < 0) {
        data_ = bytes.memory_.constData();
        return;
    }
    if (size_ == 0) {
        static const char nothing[padding] = {};
        data_ = nothing;
        return;
    }
    // An anonymous reservation with room for the padding, and the file mapped over its start:
    // the rest of the file's last page reads as zeros, the pages after it are the reservation.
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t fileLength = (size_ + page - 1) / page * page;
    mappingLength_ = (size_ + padding + page - 1) / page * page;
    mapping_ = ::mmap(nullptr, mappingLength_, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED) {
        mapping_ = nullptr;
        return;
    }
    // MAP_POPULATE: one call maps the file's cached pages instead of a fault for each.
    if (::mmap(mapping_, fileLength, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, bytes.fd_,
               0) == MAP_FAILED) {
        return;
    }
    data_ = static_cast<const char*>(mapping_);
}

HistoryBytes::View::~View() {
    if (mapping_) {
        ::munmap(mapping_, mappingLength_);
    }
}

} // namespace quillstack
