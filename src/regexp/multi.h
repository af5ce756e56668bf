// Multi-pattern tables: the table block, the slot scans and the spread of slots over threads.
//
// A table is one block: a header (capacity, then pointers to the two arrays), `capacity` state
// pointers (null: free slot), then `capacity` 32-bit identifiers (0 in a free slot). With 8-byte
// pointers the header is 24 bytes and a slot 12 (8 + 4), so a table takes 24 + 12 * capacity
// bytes; with 4-byte pointers 12 + 8 * capacity. The caller's block may lie at any address: every
// access to it goes through memcpy-sized loads and stores, or aligned vector loads of addresses
// known to be aligned.
#pragma once

#include <climits>
#include <cstdint>
#include <cstddef>

#include "core/common.h"

// The table header (the public header declares the type opaque).
struct RegExpMultiState {
    zet32s capacity;
    RegExpState** states;
    zet32s* ids;
};

// Its byte layout on both pointer widths is checked in core/layout.h.

namespace zet::rx {

inline constexpr int kMultiHeaderBytes = static_cast<int>(sizeof(RegExpMultiState));
inline constexpr int kMultiSlotBytes = static_cast<int>(sizeof(RegExpState*) + sizeof(zet32s));
// The largest capacity whose block size fits a signed 32-bit size.
inline constexpr int kMultiMaxCapacity = (INT_MAX - kMultiHeaderBytes) / kMultiSlotBytes;

// Index of the first of the n 32-bit entries at `entries` equal to `value`, or n when none is.
// From four entries on, blocks of four are compared in one 16-byte vector once the address is
// 16-byte aligned; an array that is not 4-byte aligned is scanned one entry at a time.
int ownRegExpMultiScanIds(const void* entries, int n, zet32s value);
// Index of the first null among the n pointers at `entries`, or n. The same scheme with two
// pointers per vector, two vectors per block of four; an array not aligned to the pointer width is
// scanned one entry at a time.
int ownRegExpMultiScanNull(const void* entries, int n);

// Calls visit(ctx, i) once for every slot i in [0, capacity). With capacity <= threads, in index
// order on the calling thread. Otherwise in one parallel region of `threads` requested threads:
// the master thread takes the team size N the runtime gave and splits the slots into N
// contiguous blocks of capacity / N, the last also taking the capacity % N left over; after a
// barrier, thread t visits block t in index order.
using SlotVisitor = void (*)(void* ctx, int slot);
void ownRegExpMultiRun(int capacity, int threads, SlotVisitor visit, void* ctx);

}  // namespace zet::rx
