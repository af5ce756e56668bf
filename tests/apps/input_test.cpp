// The tool's input and output layers: blocks and their carry-over on mapped files, read files
// and pipes, lines across block boundaries, the hit scan over blocks, and the checked writer.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "input.h"
#include "output.h"
#include "scan.h"
#include "zetch.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A file in memory holding data, read from `skip` on.
int memoryFile(const Bytes& data, off_t skip = 0) {
    const int fd = memfd_create("zetch-input-test", MFD_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    lseek(fd, skip, SEEK_SET);
    return fd;
}

Bytes randomBytes(std::mt19937& rng, std::size_t n, const std::string& alphabet) {
    Bytes b(n);
    for (auto& c : b) c = static_cast<std::uint8_t>(alphabet[rng() % alphabet.size()]);
    return b;
}

// Random carry-overs at random block sizes, from a random start (the first input empty): every
// block holds the input at its offset, the new bytes of all blocks are the input once, one is last.
TEST(BlockReaderTest, BlocksCarryOverAndCoverTheInput) {
    std::mt19937 rng(7);
    for (bool map : {true, false}) {
        for (int round = 0; round < 300; ++round) {
            const Bytes data = randomBytes(rng, round ? rng() % 3000 : 0, "abcdefgh");
            const std::size_t blockSize = 1 + rng() % (round % 3 == 0 ? 5 : 700);
            const off_t skip = static_cast<off_t>(rng() % (data.size() / 2 + 1));
            cli::BlockReader in(blockSize, map);
            ASSERT_TRUE(in.open(memoryFile(data, skip), "memory", true));
            const Bytes want(data.begin() + skip, data.end());
            Bytes fresh;
            std::size_t keep = 0, lasts = 0;
            for (bool first = true; in.next(keep); first = false) {
                const cli::Block& b = in.block();
                ASSERT_NE(b.data, nullptr);
                ASSERT_EQ(b.carried, first ? 0 : keep) << map;
                ASSERT_EQ(b.offset + b.carried, fresh.size()) << map;
                ASSERT_TRUE(b.size - b.carried <= blockSize && b.offset + b.size <= want.size());
                ASSERT_TRUE(std::equal(b.data, b.data + b.size, want.begin() + static_cast<std::ptrdiff_t>(b.offset))) << map << " at " << b.offset;
                fresh.insert(fresh.end(), b.data + b.carried, b.data + b.size);
                lasts += b.last;
                keep = rng() % (b.size + 1);
            }
            ASSERT_FALSE(in.failed());
            ASSERT_EQ(lasts, 1u) << map;
            ASSERT_EQ(fresh, want) << map << " block size " << blockSize;
            ASSERT_FALSE(in.next(0));
        }
    }
}

// A pipe delivers what its writer wrote so far: blocks are as short as the writes, and the end
// is known only when the writer closes it, so the last block holds carried bytes only.
TEST(BlockReaderTest, PipeBlocksFollowTheWritesAndEndWithCarriedBytesOnly) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::mt19937 rng(3);
    const Bytes data = randomBytes(rng, 100000, "xyz\n");
    std::thread writer([&] {
        for (std::size_t at = 0; at < data.size();) {
            const std::size_t n = std::min<std::size_t>(data.size() - at, 1 + at % 977);
            ASSERT_EQ(write(fds[1], data.data() + at, n), static_cast<ssize_t>(n));
            at += n;
        }
        close(fds[1]);
    });
    cli::BlockReader in(4096);
    ASSERT_TRUE(in.open(fds[0], "pipe", true));
    Bytes got;
    std::size_t keep = 0;
    while (in.next(keep)) {
        const cli::Block& b = in.block();
        got.insert(got.end(), b.data + b.carried, b.data + b.size);
        if (b.last) { EXPECT_EQ(b.size, b.carried); }
        keep = std::min<std::size_t>(b.size, 3);
    }
    writer.join();
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(got, data);
}

TEST(BlockReaderTest, ReadErrorsFailWithoutABlock) {
    for (const char* path : {"/", "/proc/self/mem"}) {
        cli::BlockReader in(64);
        ASSERT_TRUE(in.open(path)) << path;
        EXPECT_FALSE(in.next(0)) << path;
        EXPECT_TRUE(in.failed()) << path;
    }
    cli::BlockReader missing(64);
    EXPECT_FALSE(missing.open("/nonexistent/zetch-input"));
}

// Lines come whole up to maxLine and in pieces beyond; joined, they are the input.
TEST(LineReaderTest, LinesAndPiecesRebuildTheInput) {
    std::mt19937 rng(11);
    for (bool map : {true, false}) {
        for (int round = 0; round < 400; ++round) {
            Bytes data;
            std::vector<std::size_t> lineLengths;
            for (int k = rng() % 12; k > 0; --k) {
                const std::size_t len = rng() % 4 == 0 ? rng() % 60 : rng() % 6;
                const Bytes line = randomBytes(rng, len, "ab ");
                data.insert(data.end(), line.begin(), line.end());
                const bool delimited = k > 1 || rng() % 2;
                if (delimited) data.push_back('\n');
                if (delimited || len > 0) lineLengths.push_back(len);  // an empty text at the end is no line
            }
            const std::size_t blockSize = 1 + rng() % 9, maxLine = rng() % 2 ? 0 : 1 + rng() % 20;
            cli::BlockReader in(blockSize, map);
            ASSERT_TRUE(in.open(memoryFile(data), "memory", true));
            cli::LineReader lines(in, '\n', maxLine);
            Bytes joined;
            std::vector<std::size_t> gotLengths;
            cli::Line l;
            std::size_t current = 0;
            bool inLine = false;
            while (lines.next(l)) {
                ASSERT_EQ(l.begins, !inLine);
                ASSERT_TRUE(std::equal(l.text.begin(), l.text.end(), data.begin() + static_cast<std::ptrdiff_t>(l.offset)));
                ASSERT_EQ(l.offset, joined.size());
                if (l.delimited) { ASSERT_TRUE(l.complete); }
                if (!l.complete) { ASSERT_GE(l.text.size(), maxLine ? maxLine : blockSize); }
                joined.insert(joined.end(), l.text.begin(), l.text.end());
                if (l.delimited) joined.push_back('\n');
                current += l.text.size();
                inLine = !l.complete;
                if (l.complete) gotLengths.push_back(current), current = 0;
            }
            ASSERT_FALSE(inLine);
            ASSERT_EQ(joined, data) << map << " block " << blockSize << " maxLine " << maxLine;
            ASSERT_EQ(gotLengths, lineLengths);
        }
    }
}

// A line of exactly maxLine bytes ending the input: an incomplete piece, then an empty last one.
TEST(LineReaderTest, LongLineEndingTheInputGetsACompletePiece) {
    cli::BlockReader in(4, false);
    ASSERT_TRUE(in.open(memoryFile({'a', 'b', 'c', 'd'}), "memory", true));
    cli::LineReader lines(in, '\n', 4);
    cli::Line l;
    ASSERT_TRUE(lines.next(l));
    EXPECT_TRUE(l.text.size() == 4 && !l.complete && l.begins);
    ASSERT_TRUE(lines.next(l));
    EXPECT_TRUE(l.text.empty() && l.complete && !l.begins && !l.delimited);
    EXPECT_FALSE(lines.next(l));
}

std::vector<std::uint64_t> everyOffset(const Bytes& data, const Bytes& needle) {
    std::vector<std::uint64_t> at;
    for (std::size_t i = 0; i + needle.size() <= data.size(); ++i)
        if (std::equal(needle.begin(), needle.end(), data.begin() + static_cast<std::ptrdiff_t>(i))) at.push_back(i);
    return at;
}

// Needles that straddle block boundaries, overlapping occurrences, blocks shorter than the needle.
TEST(ScanHitsTest, BlocksMissNoOccurrenceAndRepeatNone) {
    std::mt19937 rng(5);
    for (int round = 0; round < 1500; ++round) {
        const Bytes data = randomBytes(rng, rng() % 200, "ab"), needle = randomBytes(rng, 1 + rng() % 6, "ab");
        const auto want = everyOffset(data, needle);
        const auto mode = static_cast<cli::Hits>(rng() % 3);
        std::vector<std::uint64_t> got;
        cli::BlockReader in(1 + rng() % 9, rng() % 2);
        ASSERT_TRUE(in.open(memoryFile(data), "memory", true));
        const int len = static_cast<int>(needle.size());
        const int rc = cli::scanHits(
            in, mode, needle.size(),
            [&](const zet8u* s, int n) { int i = -1; zetsFind_8u(s, n, needle.data(), len, &i); return i; },
            [&](const zet8u* s, int n) { int i = -1; zetsFindRev_8u(s, n, needle.data(), len, &i); return i; },
            [&](std::uint64_t at) { got.push_back(at); return true; });
        ASSERT_EQ(rc, want.empty() ? cli::kNotFound : cli::kFound);
        if (mode == cli::Hits::All) { ASSERT_EQ(got, want); }
        if (mode == cli::Hits::First && !want.empty()) { ASSERT_EQ(got, std::vector<std::uint64_t>{want.front()}); }
        if (mode == cli::Hits::Last && !want.empty()) { ASSERT_EQ(got, std::vector<std::uint64_t>{want.back()}); }
    }
}

// Numbers, a block larger than the buffer, mapped bytes and committed room arrive in order.
TEST(OutputTest, WritesNumbersRoomAndLargeBlocksInOrder) {
    const int fd = memfd_create("zetch-output-test", MFD_CLOEXEC), keep = dup(fd);
    cli::Output out(fd, "memory", 64);
    std::string want;
    for (std::uint64_t v : {std::uint64_t{0}, std::uint64_t{4294967296}, ~std::uint64_t{0}}) out.number(v), want += std::to_string(v) + "\n";
    out.write(std::string(1000, 'q'));
    want += std::string(1000, 'q');
    const Bytes src(300, 'a');
    cli::mapInto(out, src.data(), src.size(), 2, [](const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(s[i] + (i % 2));
    });
    for (std::size_t i = 0; i < src.size(); ++i) want += static_cast<char>('a' + i % 2);
    auto room = out.room(10);
    ASSERT_GE(room.size(), 10u);
    std::memcpy(room.data(), "0123456789", 10);
    out.commit(4);
    EXPECT_TRUE(out.close());
    std::string got(static_cast<std::size_t>(lseek(keep, 0, SEEK_END)), '\0');
    EXPECT_EQ(pread(keep, got.data(), got.size(), 0), static_cast<ssize_t>(got.size()));
    EXPECT_EQ(got, want + "0123");
    close(keep);
}

// A failed write is seen at the flush, not before; a closed descriptor fails only when written to.
TEST(OutputTest, FailedWritesAreSeen) {
    const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    cli::Output full(fd, "full device", 64);
    full.write("short");
    EXPECT_FALSE(full.failed());
    EXPECT_FALSE(full.flush());
    EXPECT_TRUE(full.failed());
    EXPECT_FALSE(full.close());
    EXPECT_TRUE(cli::Output(-1, "nothing").close());
    cli::Output closed(-1, "nothing");
    closed.put('x');
    EXPECT_FALSE(closed.close());
}

}  // namespace
