// The output writer of the zetch tool: one buffer in front of a descriptor (standard output),
// that notices every failed write and the failed close.
//
//   Output out(STDOUT_FILENO, "standard output");
//   out.write(bytes, n);  out.put('\n');  out.number(offset);      // offset and '\n'
//   auto room = out.room(min);       // write up to room.size() (>= min) bytes in place ...
//   out.commit(k);                   // ... and keep the first k of them
//   if (!out.close()) ...            // flush and close: false if any write or the close failed
//
//   - Bytes are collected in a buffer (kDefaultCapacity) and written with write(2) when it is
//     full, on flush() and on close(); a write larger than the buffer goes out directly.
//   - room(min) is how a library call writes its result straight into the buffer: it flushes
//     first when fewer than `min` bytes are free (min at most the capacity). Converting in pieces
//     of room().size() keeps the data in cache between the call and the write.
//   - The first failed write (EPIPE included, when SIGPIPE is ignored) prints one message
//     "zetch: cannot write NAME: reason" on stderr; from then on nothing more is written and
//     failed() is true, so that a command can stop reading early. close() reports such a failure,
//     or that of close(2) itself, by returning false. A descriptor that was never written and
//     turns out closed (EBADF) is no failure.
//   - The buffer is not flushed by the destructor: a command's result is only complete once
//     close() has said so.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class Output {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{256} << 10;

    Output(int fd, std::string name, std::size_t capacity = kDefaultCapacity);
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(const void* data, std::size_t n);
    void write(std::string_view s) { write(s.data(), s.size()); }
    void put(char c) {
        if (used_ == buffer_.size()) flush();
        buffer_[used_++] = static_cast<std::uint8_t>(c);
    }
    // The decimal digits of v and a '\n'.
    void number(std::uint64_t v);

    std::span<std::uint8_t> room(std::size_t min = 1);
    void commit(std::size_t n) { used_ += n; }

    bool flush();
    bool close();
    bool failed() const { return failed_; }
    std::size_t capacity() const { return buffer_.size(); }

private:
    void send(const std::uint8_t* p, std::size_t n);

    int fd_;
    std::string name_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false, wrote_ = false, closed_ = false;
};

// Passes src[0, n) through fn(src, dst, k), which writes k bytes at dst for the k bytes at src,
// into out: in pieces as large as the free room, each a whole number of `unit` bytes (n is one
// too). This is how tr and case write: no copy besides the library call's own.
template <class Fn>
void mapInto(Output& out, const std::uint8_t* src, std::size_t n, std::size_t unit, Fn fn) {
    while (n > 0 && !out.failed()) {
        const auto room = out.room(unit);
        const std::size_t k = std::min(n, room.size() / unit * unit);
        fn(src, room.data(), k);
        out.commit(k);
        src += k;
        n -= k;
    }
}

}  // namespace cli
