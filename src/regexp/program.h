// The compiled form of a regular expression: the RegExpState block and its node program.
//
// A state is one flat block: eight 32-bit header fields, 32,000 bytes of group frames and 8,000
// bytes of result records (both written by every search), then the node array at byte 40,032 and
// after it the string pool. Pointers never appear inside it: a string node's arg4 is the byte
// offset of its text from the start of the state, a script node's arg4 an index into the script
// tables. So a state's size is 40052 + 20 * (pattern length) bytes for any pattern. The caller's
// block must be aligned for 32-bit integers (any heap block is).
#pragma once

#include <cstddef>

#include "core/common.h"

namespace zet::rx {

// Node types; consecutive, and readers test pairs at once by clearing the lowest bit.
enum RegExpOp : zet32u {
    RegExpOpChar = 0x10000000,
    RegExpOpString = 0x10000001,
    RegExpOpBackRef = 0x10000002,
    RegExpOpClass = 0x10000003,
    RegExpOpCharType = 0x10000004,
    RegExpOpAssert = 0x10000005,
    RegExpOpAlt = 0x10000006,
    RegExpOpRange = 0x10000007,
    RegExpOpRepeatLazy = 0x10000008,
    RegExpOpRepeat = 0x10000009,
    RegExpOpLookBehind = 0x1000000a,
    RegExpOpNotLookBehind = 0x1000000b,
    RegExpOpLookAhead = 0x1000000c,
    RegExpOpNotLookAhead = 0x1000000d,
    RegExpOpOptionGroup = 0x1000000e,
    RegExpOpCond = 0x1000000f,
    RegExpOpCapture = 0x10000010,
    RegExpOpGroup = 0x10000011,
    RegExpOpAtomic = 0x10000012,
    RegExpOpClose = 0x10000013,
    RegExpOpSetOptions = 0x10000014,
    RegExpOpAnyByte = 0x10000015,
    RegExpOpWideChar = 0x10000016,
    RegExpOpCategory = 0x10000017,
    RegExpOpCodeRange = 0x10000018,
    RegExpOpScript = 0x10000019,
    RegExpOpExtChar = 0x1000001a,
};

// One instruction: five 32-bit words. Operands a type does not list are undefined.
struct RegExpNode {
    zet32u type;
    zet32s arg1;
    zet32s arg2;
    zet32s arg3;
    zet32u arg4;  // RegExpOpString: offset of its bytes from the state's start; RegExpOpScript: script index
};
static_assert(sizeof(RegExpNode) == 20);

enum RegExpPatternKind : zet32s {
    RegExpKindGeneral = 0,
    RegExpKindLiteralStart = 1,
    RegExpKindLiteralAlternation = 2,
};

// A result record as kept inside the state: offset from the subject's start and length
// (unset: offset 0, length -1). The public RegExpMatchRecord carries a pointer instead.
struct RegExpStateRecord {
    zet32s offset;
    zet32s len;
};
static_assert(sizeof(RegExpStateRecord) == 8);

inline constexpr zet32u kRegExpMagic = 0x78456772;  // the bytes "rgEx"
inline constexpr int kRegExpMaxGroups = 1000;         // group frames and result records
inline constexpr int kRegExpUnbounded = 0x3fffffff;   // repeat maximum meaning "no limit"
inline constexpr int kRegExpDefaultMatchLimit = 10000;
inline constexpr int kRegExpFixedSize = 40052;        // header, work areas and one node
inline constexpr int kRegExpNodeBytes = 20;

}  // namespace zet::rx

// The state block (the public header declares it opaque).
struct RegExpState {
    zet32u magic;
    zet32u options;
    zet32s nodeCount;
    zet32s groupCount;
    zet32s requiredLiteral;
    zet32s matchLimit;
    zet32s format;
    zet32s patternKind;
    zet8u groupFrames[32000];                                      // 1,000 frames of 32 bytes
    zet::rx::RegExpStateRecord records[zet::rx::kRegExpMaxGroups];  // 8,000 bytes
    // The node array starts here, then the string pool.
};
static_assert(sizeof(RegExpState) == 40032);
static_assert(offsetof(RegExpState, groupFrames) == 32 && offsetof(RegExpState, records) == 32032);

namespace zet::rx {

inline RegExpNode* ownRegExpNodes(RegExpState* s) { return reinterpret_cast<RegExpNode*>(s + 1); }
inline const RegExpNode* ownRegExpNodes(const RegExpState* s) { return reinterpret_cast<const RegExpNode*>(s + 1); }

// The bytes of a RegExpOpString node.
inline const zet8u* ownRegExpStringBytes(const RegExpState* s, const RegExpNode& n) {
    return reinterpret_cast<const zet8u*>(s) + n.arg4;
}

}  // namespace zet::rx
