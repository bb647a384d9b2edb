#include "entries/EntryImage.h"

#include "entries/EscapedBase64.h"

#include <atomic>
#include <mutex>

namespace quillstack {

struct EntryImage::State {
    std::shared_ptr<const HistoryBytes> source; // null for captured bytes
    qint64 offset = 0;
    qsizetype length = 0;
    qsizetype decodedSize = 0;
    // Set once `decoded` holds its final value; the mutex orders the one decoding.
    mutable std::atomic<bool> ready = false;
    mutable std::mutex decoding;
    mutable std::optional<QByteArray> decoded;

    std::optional<QByteArray> readEscaped(qsizetype count) const {
        QByteArray escaped(count, Qt::Uninitialized);
        if (!source->read(offset, escaped.data(), count)) {
            return std::nullopt;
        }
        return escaped;
    }

    std::optional<QByteArray> decode() const {
        const std::optional<QByteArray> escaped = readEscaped(length);
        if (!escaped) {
            return std::nullopt;
        }
        std::optional<QByteArray> bytes = EscapedBase64::decodeEscaped(
            std::string_view(escaped->constData(), size_t(escaped->size())));
        if (!bytes || bytes->size() != decodedSize) {
            return std::nullopt;
        }
        return bytes;
    }
};

EntryImage::EntryImage(QByteArray png) {
    auto state = std::make_shared<State>();
    state->decodedSize = png.size();
    state->decoded = std::move(png);
    state->ready = true;
    state_ = std::move(state);
}

EntryImage::EntryImage(std::shared_ptr<const State> state) : state_(std::move(state)) {}

EntryImage EntryImage::stored(std::shared_ptr<const HistoryBytes> source, qint64 offset,
                              qsizetype length, qsizetype decodedSize) {
    auto state = std::make_shared<State>();
    state->source = std::move(source);
    state->offset = offset;
    state->length = length;
    state->decodedSize = decodedSize;
    return EntryImage(std::shared_ptr<const State>(std::move(state)));
}

const std::optional<QByteArray>& EntryImage::bytes() const {
    if (!state_->ready.load(std::memory_order_acquire)) {
        const std::lock_guard lock(state_->decoding);
        if (!state_->ready.load(std::memory_order_relaxed)) {
            state_->decoded = state_->decode();
            state_->ready.store(true, std::memory_order_release);
        }
    }
    return state_->decoded;
}

std::optional<QByteArray> EntryImage::transientBytes() const {
    if (state_->ready.load(std::memory_order_acquire)) {
        return state_->decoded;
    }
    return state_->decode();
}

QByteArray EntryImage::leadingBytes(qsizetype byteCount) const {
    if (!state_->source) {
        return state_->decoded
                   ? state_->decoded->first(std::min(byteCount, state_->decoded->size()))
                   : QByteArray();
    }
    const qsizetype window =
        std::min(state_->length, EscapedBase64::escapedPrefixLength(byteCount));
    const std::optional<QByteArray> escaped = state_->readEscaped(window);
    if (!escaped) {
        return {};
    }
    return EscapedBase64::decodeEscapedPrefix(
               std::string_view(escaped->constData(), size_t(escaped->size())),
               window == state_->length, byteCount)
        .value_or(QByteArray());
}

qsizetype EntryImage::size() const {
    return state_->decodedSize;
}

std::optional<EntryImage::StoredText> EntryImage::storedText() const {
    if (!state_->source) {
        return std::nullopt;
    }
    return StoredText{state_->source.get(), state_->offset, state_->length, state_->decodedSize};
}

bool EntryImage::operator==(const EntryImage& other) const {
    if (state_ == other.state_) {
        return true;
    }
    if (state_->source && state_->source == other.state_->source &&
        state_->offset == other.state_->offset) {
        return true;
    }
    if (state_->decodedSize != other.state_->decodedSize) {
        return false;
    }
    return transientBytes() == other.transientBytes();
}

} // namespace quillstack
