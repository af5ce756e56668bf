// Start-position prefilters of the search driver. They only skip start positions at which the
// matcher would certainly fail, whatever the match limit, so they change no record and no status:
// - the first-byte set: the bytes a match can begin with, when every match takes at least one
//   byte; positions whose byte is not in it are passed over with a vector scan;
// - word starts: when the program begins with \b and every first byte is a word byte, only
//   positions after a non-word byte (or at the subject start) are tried;
// - the literal window: a literal that every match holds at an offset from its start within
//   known bounds (the dots of an IPv4 address); starts too far before its next occurrence are
//   passed over;
// - the run literal: a repeat of one item before a literal; starts up to a byte that the item
//   cannot take, before the literal's next occurrence, are passed over;
// - the required literal: text that every match consumes outside all groups and alternatives;
//   once it no longer occurs after a position, no match can start there or later.
#pragma once

#include <cstdint>

#include "regexp/program.h"

namespace zet::rx {

// A set of byte values with a vector search for its members.
class RegExpByteSet {
public:
    static RegExpByteSet caselessByte(zet8u b);  // b, and its other case when it is an ASCII letter

    void add(zet8u b) { bits_[b >> 6] |= std::uint64_t{1} << (b & 63); }
    void addRange(int lo, int hi) {
        for (int b = lo; b <= hi; ++b) add(static_cast<zet8u>(b));
    }
    bool has(zet8u b) const { return (bits_[b >> 6] >> (b & 63)) & 1; }
    int count() const;

    // Prepares find() for the members added so far.
    void finish();

    // Index of the first byte of src[0, len) in the set, or -1. Reads nothing outside.
    int find(const zet8u* src, int len) const;

private:
    std::uint64_t bits_[4] = {0, 0, 0, 0};
    int count_ = 0;
    zet8u few_[3] = {0, 0, 0};  // the members, when there are at most three
    // Nibble tables: bit h of low_[l] (high_[l]) tells whether byte h * 16 + l (or (h + 8) * 16 + l)
    // is a member.
    alignas(16) zet8u low_[16] = {};
    alignas(16) zet8u high_[16] = {};
};

// First (last) occurrence of a literal in src, or -1; with `caseless` the ASCII letters match
// either case.
int ownRegExpFindLiteral(const zet8u* src, int len, const zet8u* lit, int litLen, bool caseless);
int ownRegExpFindLiteralRev(const zet8u* src, int len, const zet8u* lit, int litLen, bool caseless);

class RegExpPrefilter {
public:
    // A null state gives a filter that lets every position through.
    void init(const RegExpState* state, const zet8u* subjectStart, const zet8u* subjectEnd);

    // Moves *pos forward to the first start position in [*pos, end] at which a match may begin;
    // positions are every byte with format 0 and character starts with format 1 (*pos is one).
    // False when no match can begin there at all.
    bool next(const zet8u** pos, const zet8u* end, int format);

private:
    const zet8u* firstFrom(const zet8u* p, const zet8u* from, const zet8u* end, int format) const;
    const zet8u* windowStart(const zet8u* p, const zet8u* from, const zet8u* end, int format);
    const zet8u* runStart(const zet8u* p, const zet8u* end);
    bool useFirst_ = false;
    RegExpByteSet first_;
    bool firstHasContinuation_ = false;  // the set holds bytes 0x80-0xBF
    bool wordStart_ = false;             // only word starts (see the top of this file)
    const zet8u* subjectStart_ = nullptr;

    const zet8u* window_ = nullptr;  // a literal every match holds at a bounded offset, or null
    zet8u windowByte_ = 0;
    int windowLen_ = 0;
    int windowLo_ = 0;  // the offsets from the match start at which it can begin
    int windowHi_ = 0;
    bool windowCaseless_ = false;
    const zet8u* windowFrom_ = nullptr;  // searched from here on ...
    const zet8u* windowAt_ = nullptr;    // ... and found here (null: not found)

    const zet8u* run_ = nullptr;  // the run literal (see runLiteral() in the source), or null
    zet8u runByte_ = 0;
    int runLen_ = 0;
    int runMin_ = 0;  // the repeat's minimum
    bool runCaseless_ = false;
    std::uint64_t runStops_[2] = {};       // ASCII bytes the repeated item does not take
    const zet8u* runFrom_ = nullptr;       // searched from here on ...
    const zet8u* runAt_ = nullptr;         // ... and found here (null: not found)
    const zet8u* runClearFrom_ = nullptr;  // no stop byte in [runClearFrom_, runClearTo_)
    const zet8u* runClearTo_ = nullptr;

    const zet8u* required_ = nullptr;  // the required literal, or null
    zet8u requiredByte_ = 0;           // its text when it is one character
    int requiredLen_ = 0;
    bool requiredCaseless_ = false;
    const zet8u* subjectEnd_ = nullptr;
    const zet8u* requiredFrom_ = nullptr;  // searched from here on ...
    const zet8u* requiredAt_ = nullptr;    // ... and found here (null: not found)
};

}  // namespace zet::rx
