#include "input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zetch.h"

namespace cli {

std::optional<std::size_t> blockSizeFromEnvironment() {
    const char* text = std::getenv("ZETCH_BLOCK_SIZE");
    if (text == nullptr || *text == '\0') return kDefaultBlockSize;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || text[0] == '-' || v < 1 || v > kMaxBlockSize) {
        std::fprintf(stderr, "zetch: ZETCH_BLOCK_SIZE must be a byte count from 1 to %zu\n", kMaxBlockSize);
        return std::nullopt;
    }
    return static_cast<std::size_t>(v);
}

BlockReader::BlockReader(std::size_t blockSize, bool mapFiles)
    : blockSize_(std::clamp<std::size_t>(blockSize, 1, kMaxBlockSize)), mapFiles_(mapFiles) {
    block_.data = &empty_;
}

BlockReader::~BlockReader() {
    unmap();
    if (owned_ && fd_ >= 0) ::close(fd_);
}

bool BlockReader::open(std::string_view name) {
    if (name == "-") return open(STDIN_FILENO, "standard input", false);
    const std::string path(name);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        std::fprintf(stderr, "zetch: cannot open %s: %s\n", path.c_str(), std::strerror(error));
        return false;
    }
    return open(fd, path, true);
}

bool BlockReader::open(int fd, std::string name, bool owned) {
    fd_ = fd;
    owned_ = owned;
    name_ = std::move(name);
    struct stat st {};
    if (mapFiles_ && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        if (at >= 0) {
            mapped_ = true;
            start_ = position_ = static_cast<std::uint64_t>(at);
            end_ = std::max(start_, static_cast<std::uint64_t>(st.st_size));
        }
    }
    return true;
}

bool BlockReader::fail(const char* what, int error) {
    std::fprintf(stderr, "zetch: cannot %s %s: %s\n", what, name_.c_str(), std::strerror(error));
    failed_ = done_ = true;
    return false;
}

void BlockReader::unmap() {
    if (map_ != nullptr) ::munmap(map_, mapLength_);
    map_ = nullptr;
    mapLength_ = 0;
}

bool BlockReader::next(std::size_t keep) {
    if (done_ || fd_ < 0) return false;
    if (block_.last) {
        done_ = true;
        return false;
    }
    keep = started_ ? std::min(keep, block_.size) : 0;
    started_ = true;
    return mapped_ ? nextMapped(keep) : nextRead(keep);
}

bool BlockReader::nextMapped(std::size_t keep) {
    const std::uint64_t begin = position_ - keep;
    const std::uint64_t end = std::min<std::uint64_t>(end_, position_ + blockSize_);
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t mapFrom = begin / page * page;
    const auto length = static_cast<std::size_t>(end - mapFrom);
    void* map = nullptr;
    if (end > begin) {
        map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd_, static_cast<off_t>(mapFrom));
        if (map == MAP_FAILED) {
            const int error = errno;
            // A file that cannot be mapped at all is read instead, from where it started.
            if (position_ == start_ && ::lseek(fd_, static_cast<off_t>(start_), SEEK_SET) >= 0) {
                mapped_ = false;
                position_ = 0;
                return nextRead(0);
            }
            return fail("map", error);
        }
        ::madvise(map, length, MADV_SEQUENTIAL);
    }
    unmap();
    map_ = map;
    mapLength_ = map ? length : 0;
    block_.data = map ? static_cast<const std::uint8_t*>(map) + (begin - mapFrom) : &empty_;
    block_.size = static_cast<std::size_t>(end - begin);
    block_.carried = keep;
    block_.offset = begin - start_;
    block_.last = end == end_;
    position_ = end;
    return true;
}

bool BlockReader::nextRead(std::size_t keep) {
    if (keep > 0) std::memmove(buffer_.data(), buffer_.data() + block_.size - keep, keep);
    if (buffer_.size() < keep + blockSize_) buffer_.resize(keep + blockSize_);
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data() + keep, blockSize_);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return fail("read", errno);
    block_.data = buffer_.data();
    block_.size = keep + static_cast<std::size_t>(n);
    block_.carried = keep;
    block_.offset = position_ - keep;
    block_.last = n == 0;
    position_ += static_cast<std::uint64_t>(n);
    return true;
}

LineReader::LineReader(BlockReader& in, std::uint8_t delimiter, std::size_t maxLine)
    : in_(in), delimiter_(delimiter), maxLine_(maxLine ? maxLine : in.blockSize()) {}

bool LineReader::emit(Line& line, std::size_t end, bool delimited, bool complete) {
    const Block& b = in_.block();
    line.text = {b.data + pos_, end - pos_};
    line.offset = b.offset + pos_;
    line.delimited = delimited;
    line.begins = !inLine_;
    line.complete = complete;
    inLine_ = !complete;
    pos_ = scan_ = delimited ? end + 1 : end;
    return true;
}

bool LineReader::next(Line& line) {
    if (!started_) {
        if (!in_.next(0)) return false;
        started_ = true;
    }
    for (;;) {
        const Block& b = in_.block();
        if (scan_ < b.size) {
            int idx = -1;
            zetsFindC_8u(b.data + scan_, static_cast<int>(b.size - scan_), delimiter_, &idx);
            if (idx >= 0) return emit(line, scan_ + static_cast<std::size_t>(idx), true, true);
            scan_ = b.size;
        }
        if (b.last) {
            // The input's last line lacks its delimiter, or a long one ended with the input.
            if (pos_ < b.size || inLine_) return emit(line, b.size, false, true);
            return false;
        }
        if (b.size - pos_ >= maxLine_) return emit(line, b.size, false, false);
        const std::size_t keep = b.size - pos_;
        if (!in_.next(keep)) return false;
        pos_ = 0;
        scan_ = keep;
    }
}

}  // namespace cli
