#include "platform/wayland/PipeTransfer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace quillstack::PipeTransfer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int writeStallMs = 5000;

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

} // namespace

std::optional<QByteArray> readAll(int fd, std::chrono::milliseconds timeout, qint64 maxBytes) {
    setNonBlocking(fd);
    const auto deadline = Clock::now() + timeout;
    QByteArray result;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            if (result.size() + got > maxBytes) {
                break;
            }
            result.append(buffer, got);
            continue;
        }
        if (got == 0) {
            ::close(fd);
            return result;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd readable = {fd, POLLIN, 0};
        if (::poll(&readable, 1, int(left.count())) == 0) {
            break;
        }
    }
    ::close(fd);
    return std::nullopt;
}

void writeDetached(int fd, QByteArray bytes) {
    std::thread([fd, bytes = std::move(bytes)] {
        // A reader that closes early must not end the program: SIGPIPE stays pending on this
        // thread, which ends soon, and write() reports EPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        setNonBlocking(fd);
        qsizetype offset = 0;
        while (offset < bytes.size()) {
            const ssize_t put =
                ::write(fd, bytes.constData() + offset, size_t(bytes.size() - offset));
            if (put > 0) {
                offset += put;
                continue;
            }
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd writable = {fd, POLLOUT, 0};
                if (::poll(&writable, 1, writeStallMs) > 0 && !(writable.revents & POLLERR)) {
                    continue;
                }
            }
            break;
        }
        ::close(fd);
    }).detach();
}

} // namespace quillstack::PipeTransfer
