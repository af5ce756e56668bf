// The input layer of the zetch tool: an input of any size, read as a sequence of blocks, and the
// lines of an input on top of it. Commands stream through it, so memory stays bounded by the
// block size (plus what a command chooses to carry over) whatever the input's size.
//
// BlockReader
//   BlockReader in(blockSize);             // blockSize: new bytes per block (see below)
//   if (!in.open(name)) return kError;     // FILE, or standard input for "-"; message on stderr
//   std::size_t keep = 0;
//   while (in.next(keep)) {
//       const Block& b = in.block();       // b.data[0, b.size), at input offset b.offset
//       ... use the block; a search that needs context across the boundary sets
//       keep = how many of the block's last bytes the next block must start with ...
//   }
//   if (in.failed()) return kError;        // a read error; message already on stderr
//
//   - Carry-over: next(keep) starts the next block with the last `keep` bytes of the current one
//     (0 <= keep <= b.size), followed by up to blockSize new bytes; b.carried says how many were
//     carried. A substring search keeps its needle's length minus one, a line reader the cut
//     line, a converter the character cut by the block's end. Carried bytes are never lost or
//     repeated: b.offset is the input offset of b.data[0], so b.offset + i is the offset of any
//     byte (64-bit: offsets are exact past 2^31 and 2^32). Offsets count from where reading
//     began: 0 is the first byte read, also when standard input was already partly read.
//   - Every input has exactly one block with b.last set, its final one, and it comes even for
//     an empty input (size 0). It may hold carried bytes only (no new ones); a command that holds
//     something back (a cut character) must therefore look at b.last, not at the new bytes, to
//     know that nothing more comes. next() returns false after the last block.
//   - A block holds at most keep + blockSize bytes. Library calls take signed 32-bit lengths, so
//     commands keep block sizes and carry-overs in range (blockSize is at most kMaxBlockSize).
//   - Regular files (also one redirected to standard input) are mapped into memory a window at
//     a time: nothing is copied, carried bytes are only mapped again, and bytes that a command
//     does not look at are never read from disk. The file's size is taken when it is opened: what
//     is appended later is not read, and a file cut short while it is read ends the process with
//     SIGBUS (as with any mapping). Everything else (pipes, terminals, devices, files that report
//     size 0 such as those of /proc) is read with read(2), a block per call, so that what arrives
//     on a pipe is handled as soon as it arrives.
//   - Block data stays valid until the next call of next().
//
// LineReader
//   LineReader lines(in, '\n');            // records ended by a delimiter byte; in opened, unread
//   Line l;
//   while (lines.next(l)) { ... l.text, l.offset, l.delimited, l.begins, l.complete ... }
//   if (in.failed()) return kError;
//
//   - A line is the text up to the next delimiter (l.delimited) or up to the end of the input.
//     Two delimiters in a row give an empty line; a delimiter that ends the input starts no line
//     after it; an empty input has none.
//   - Lines up to maxLine bytes (default: the block size) come whole. A longer line comes in
//     pieces of at least maxLine bytes: l.begins is set on its first piece, l.complete on its
//     last, and only the last can be delimited. A whole line has both set.
//   - It searches with the library's single-byte search and never searches a byte twice.
//
// The block size defaults to kDefaultBlockSize. The tool reads the environment variable
// ZETCH_BLOCK_SIZE (a byte count, 1 .. kMaxBlockSize) once, as a testing aid: tiny blocks put a
// block boundary, and so every carry-over, at every position of a small test input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

inline constexpr std::size_t kDefaultBlockSize = std::size_t{16} << 20;
inline constexpr std::size_t kMaxBlockSize = std::size_t{256} << 20;

// The block size that ZETCH_BLOCK_SIZE asks for, the default without it, or an empty optional
// (after a message on stderr) when it is not a number in 1 .. kMaxBlockSize.
std::optional<std::size_t> blockSizeFromEnvironment();

struct Block {
    const std::uint8_t* data = nullptr;  // never null, even for an empty block
    std::size_t size = 0;                // carried bytes first, then new ones
    std::size_t carried = 0;             // bytes kept from the previous block
    std::uint64_t offset = 0;            // input offset of data[0]
    bool last = false;                   // nothing follows this block

    std::span<const std::uint8_t> bytes() const { return {data, size}; }
};

class BlockReader {
public:
    explicit BlockReader(std::size_t blockSize = kDefaultBlockSize, bool mapFiles = true);
    ~BlockReader();
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // Opens FILE, or standard input for "-". False after a message on stderr.
    bool open(std::string_view name);
    // Reads an open descriptor from its current position; `name` is for messages. The reader
    // closes it when `owned`.
    bool open(int fd, std::string name, bool owned);

    // The next block, starting with the last `keep` bytes of the current one (ignored for the
    // first block). False after the last block, or on a read error (failed()).
    bool next(std::size_t keep = 0);
    const Block& block() const { return block_; }
    bool failed() const { return failed_; }
    const std::string& name() const { return name_; }
    std::size_t blockSize() const { return blockSize_; }

private:
    bool nextMapped(std::size_t keep);
    bool nextRead(std::size_t keep);
    bool fail(const char* what, int error);
    void unmap();

    std::size_t blockSize_;
    bool mapFiles_;
    int fd_ = -1;
    bool owned_ = false;
    std::string name_;
    bool started_ = false, done_ = false, failed_ = false;
    Block block_;
    std::uint64_t position_ = 0;  // where the next block's new bytes begin (file offset when mapped)

    // Mapped files: the file's byte range [start_, end_), the current window.
    bool mapped_ = false;
    std::uint64_t start_ = 0, end_ = 0;
    void* map_ = nullptr;
    std::size_t mapLength_ = 0;

    // Everything else: the buffer the blocks live in.
    std::vector<std::uint8_t> buffer_;
    std::uint8_t empty_ = 0;  // what an empty block points at
};

struct Line {
    std::span<const std::uint8_t> text;  // without the delimiter
    std::uint64_t offset = 0;            // input offset of text[0]
    bool delimited = false;              // the delimiter followed the text
    bool begins = true;                  // first piece of its line
    bool complete = true;                // last piece of its line
};

class LineReader {
public:
    // maxLine 0: the reader's block size.
    explicit LineReader(BlockReader& in, std::uint8_t delimiter = '\n', std::size_t maxLine = 0);
    // The next line or piece of a line; false at the end of the input or on a read error.
    bool next(Line& line);

private:
    bool emit(Line& line, std::size_t end, bool delimited, bool complete);

    BlockReader& in_;
    std::uint8_t delimiter_;
    std::size_t maxLine_;
    bool started_ = false;
    bool inLine_ = false;    // the last piece returned did not complete its line
    std::size_t pos_ = 0;    // start of what is not yet returned, in the current block
    std::size_t scan_ = 0;   // where the search for the next delimiter goes on (>= pos_)
};

}  // namespace cli
