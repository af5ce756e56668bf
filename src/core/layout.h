// The byte layout of every record the library shares with its callers or keeps in their memory:
// the version record, the match record, the compiled-pattern block (header, work areas, nodes),
// the parsed template and its items, the multi-pattern table and its per-slot result.
//
// With 4-byte pointers (32-bit Windows, i386) these are the library's original layouts, byte for
// byte. With 8-byte pointers the records that hold a pointer grow: it moves to the next 8-byte
// boundary and the record is padded to a multiple of 8. The pattern and template blocks hold no
// pointer at all (nodes and items keep offsets), so their sizes are the same on every build.
// Included by the sources that own the records, so that every build checks them.
#pragma once

#include <cstddef>

#include "regexp/matcher.h"
#include "regexp/multi.h"
#include "regexp/program.h"
#include "regexp/replace.h"
#include "zetch.h"

namespace zet::layout {

inline constexpr bool kNarrow = sizeof(void*) == 4;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);

// Scalars.
static_assert(sizeof(zet8u) == 1 && sizeof(zet16u) == 2 && sizeof(zet32s) == 4 && sizeof(zet32u) == 4);
static_assert(sizeof(ZetStatus) == 4);

// The version record: four integers, four characters, three string pointers.
static_assert(offsetof(LibraryVersion, major) == 0 && offsetof(LibraryVersion, minor) == 4);
static_assert(offsetof(LibraryVersion, patch) == 8 && offsetof(LibraryVersion, revision) == 12);
static_assert(offsetof(LibraryVersion, targetCpu) == 16 && sizeof(LibraryVersion::targetCpu) == 4);
static_assert(offsetof(LibraryVersion, name) == (kNarrow ? 20 : 24));
static_assert(offsetof(LibraryVersion, version) == (kNarrow ? 24 : 32));
static_assert(offsetof(LibraryVersion, buildDate) == (kNarrow ? 28 : 40));
static_assert(sizeof(LibraryVersion) == (kNarrow ? 32 : 48));

// A match record: a pointer into the subject and a length.
static_assert(offsetof(RegExpMatchRecord, pStr) == 0);
static_assert(offsetof(RegExpMatchRecord, len) == (kNarrow ? 4 : 8));
static_assert(sizeof(RegExpMatchRecord) == (kNarrow ? 8 : 16));

// The compiled-pattern block: eight 32-bit header fields, 1,000 group frames of 32 bytes, 1,000
// result records of 8 bytes, then 20-byte nodes from byte 40,032; one node is part of the fixed size.
static_assert(offsetof(RegExpState, magic) == 0 && offsetof(RegExpState, options) == 4);
static_assert(offsetof(RegExpState, nodeCount) == 8 && offsetof(RegExpState, groupCount) == 12);
static_assert(offsetof(RegExpState, requiredLiteral) == 16 && offsetof(RegExpState, matchLimit) == 20);
static_assert(offsetof(RegExpState, format) == 24 && offsetof(RegExpState, patternKind) == 28);
static_assert(offsetof(RegExpState, groupFrames) == 32 && sizeof(RegExpState::groupFrames) == 32000);
static_assert(offsetof(RegExpState, records) == 32032 && sizeof(RegExpState::records) == 8000);
static_assert(sizeof(RegExpState) == 40032 && alignof(RegExpState) == 4);
static_assert(rx::kRegExpFixedSize == sizeof(RegExpState) + sizeof(rx::RegExpNode));
static_assert(rx::kRegExpNodeBytes == sizeof(rx::RegExpNode));
// The result records are match records where those are 8 bytes; elsewhere offsets of the same size.
static_assert(sizeof(rx::RegExpStateRecord) == 8 && offsetof(rx::RegExpStateRecord, len) == 4);
static_assert(!kNarrow || sizeof(RegExpMatchRecord) == sizeof(rx::RegExpStateRecord));

static_assert(sizeof(rx::RegExpGroupFrame) == 32 && alignof(rx::RegExpGroupFrame) == 4);
static_assert(offsetof(rx::RegExpGroupFrame, minLeft) == 0 && offsetof(rx::RegExpGroupFrame, maxLeft) == 4);
static_assert(offsetof(rx::RegExpGroupFrame, openNode) == 8 && offsetof(rx::RegExpGroupFrame, remainingAtStart) == 12);
static_assert(offsetof(rx::RegExpGroupFrame, captureNumber) == 16 && offsetof(rx::RegExpGroupFrame, inBody) == 20);
static_assert(offsetof(rx::RegExpGroupFrame, pending) == 24 && offsetof(rx::RegExpGroupFrame, lastLength) == 28);

static_assert(sizeof(rx::RegExpNode) == 20 && alignof(rx::RegExpNode) == 4);
static_assert(offsetof(rx::RegExpNode, type) == 0 && offsetof(rx::RegExpNode, arg1) == 4);
static_assert(offsetof(rx::RegExpNode, arg2) == 8 && offsetof(rx::RegExpNode, arg3) == 12);
static_assert(offsetof(rx::RegExpNode, arg4) == 16 && sizeof(rx::RegExpNode::arg4) == 4);

// The parsed template: three 32-bit words (the item count second), then items of three words.
static_assert(sizeof(RegExpReplaceState) == 12 && alignof(RegExpReplaceState) == 4);
static_assert(offsetof(RegExpReplaceState, itemCount) == 4);
static_assert(sizeof(rx::RegExpReplaceItem) == 12 && alignof(rx::RegExpReplaceItem) == 4);
static_assert(offsetof(rx::RegExpReplaceItem, code) == 0 && offsetof(rx::RegExpReplaceItem, arg) == 4);
static_assert(offsetof(rx::RegExpReplaceItem, offset) == 8);

// The multi-pattern table: capacity and two array pointers, then a state pointer and a 32-bit
// identifier per slot: 12 + 8 x capacity bytes with 4-byte pointers, 24 + 12 x capacity with 8.
static_assert(offsetof(RegExpMultiState, capacity) == 0);
static_assert(offsetof(RegExpMultiState, states) == (kNarrow ? 4 : 8));
static_assert(offsetof(RegExpMultiState, ids) == (kNarrow ? 8 : 16));
static_assert(rx::kMultiHeaderBytes == (kNarrow ? 12 : 24) && rx::kMultiSlotBytes == (kNarrow ? 8 : 12));

// The per-slot result of a multi-pattern search: four 32-bit fields and the record array.
static_assert(offsetof(RegExpMultiResult, searched) == 0 && offsetof(RegExpMultiResult, id) == 4);
static_assert(offsetof(RegExpMultiResult, numMatch) == 8 && offsetof(RegExpMultiResult, status) == 12);
static_assert(offsetof(RegExpMultiResult, pMatch) == 16);
static_assert(sizeof(RegExpMultiResult) == (kNarrow ? 20 : 24));

}  // namespace zet::layout
