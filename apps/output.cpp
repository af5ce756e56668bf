#include "output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace cli {

Output::Output(int fd, std::string name, std::size_t capacity)
    : fd_(fd), name_(std::move(name)), buffer_(std::max<std::size_t>(capacity, 64)) {}

void Output::send(const std::uint8_t* p, std::size_t n) {
    while (n > 0 && !failed_) {
        const ssize_t k = ::write(fd_, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            const int error = k < 0 ? errno : EIO;
            std::fprintf(stderr, "zetch: cannot write %s: %s\n", name_.c_str(), std::strerror(error));
            failed_ = true;
            break;
        }
        wrote_ = true;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
}

void Output::write(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (n <= buffer_.size() - used_) {
        if (n > 0) std::memcpy(buffer_.data() + used_, p, n);
        used_ += n;
        return;
    }
    flush();
    if (n >= buffer_.size()) {
        send(p, n);
    } else {
        std::memcpy(buffer_.data(), p, n);
        used_ = n;
    }
}

void Output::number(std::uint64_t v) {
    if (buffer_.size() - used_ < 21) flush();
    char* first = reinterpret_cast<char*>(buffer_.data() + used_);
    char* last = std::to_chars(first, first + 20, v).ptr;
    *last++ = '\n';
    used_ += static_cast<std::size_t>(last - first);
}

std::span<std::uint8_t> Output::room(std::size_t min) {
    if (buffer_.size() - used_ < std::min(min, buffer_.size())) flush();
    return {buffer_.data() + used_, buffer_.size() - used_};
}

bool Output::flush() {
    send(buffer_.data(), used_);
    used_ = 0;
    return !failed_;
}

bool Output::close() {
    if (closed_) return !failed_;
    flush();
    closed_ = true;
    if (::close(fd_) != 0 && errno != EINTR && !(errno == EBADF && !wrote_) && !failed_) {
        std::fprintf(stderr, "zetch: cannot close %s: %s\n", name_.c_str(), std::strerror(errno));
        failed_ = true;
    }
    return !failed_;
}

}  // namespace cli
