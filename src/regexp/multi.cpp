// Multi-pattern tables: size, initialisation in caller or allocated memory, adding, replacing and
// removing patterns by identifier, and the search of a subject with every pattern of a table,
// spread over the threads of one parallel region when the table has more slots than the core
// library lets us use threads. Tested by tests/regexp/multi_test.cpp.
//
// Choices where the rules leave room:
// - A negative capacity, and one whose block would not fit a signed 32-bit size (more than
//   kMultiMaxCapacity slots), is refused with zetStatusBadSize like a capacity of 0.
// - With 8-byte pointers the table is laid out as with 4-byte ones, every pointer 4 bytes wider:
//   a 24-byte header (capacity and its padding, the two array pointers), then 8 bytes per state
//   pointer and 4 per identifier. The slot scans keep their blocks of four slots: one vector of
//   four identifiers, or two vectors of two pointers each.
#include "regexp/multi.h"

#include <omp.h>
#include <smmintrin.h>

#include <cstdint>
#include <cstring>

#include "core/layout.h"
#include "core/memory.h"
#include "core/zetcore.h"
#include "regexp/search.h"

namespace zet::rx {

namespace {

// Entry i of an array of E at any byte address.
template <class E>
E entryAt(const char* base, int i) {
    E e;
    std::memcpy(&e, base + static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(sizeof(E)), sizeof(E));
    return e;
}

template <class E>
void putEntry(char* base, int i, E e) {
    std::memcpy(base + static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(sizeof(E)), &e, sizeof(E));
}

// Bit k set when entry k of the four at p (16-byte aligned) equals value.
template <class E>
unsigned blockMask(const char* p, E value) {
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    if constexpr (sizeof(E) == 4) {
        const __m128i eq = _mm_cmpeq_epi32(_mm_load_si128(v), _mm_set1_epi32(static_cast<int>(value)));
        return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(eq)));
    } else {
        static_assert(sizeof(E) == 8);
        const __m128i want = _mm_set1_epi64x(static_cast<long long>(value));
        const unsigned lo = static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(_mm_cmpeq_epi64(_mm_load_si128(v), want))));
        const unsigned hi = static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(_mm_cmpeq_epi64(_mm_load_si128(v + 1), want))));
        return lo | hi << 2;
    }
}

// Index of the first of n entries equal to value, or n: single entries up to a 16-byte boundary,
// blocks of four while four remain, single entries to the end.
template <class E>
int scanFirst(const void* entries, int n, E value) {
    const char* base = static_cast<const char*>(entries);
    const std::uintptr_t addr = reinterpret_cast<std::uintptr_t>(base);
    int i = 0;
    if (n >= 4 && addr % sizeof(E) == 0) {
        for (; i < n && (addr + static_cast<std::uintptr_t>(i) * sizeof(E)) % 16 != 0; ++i)
            if (entryAt<E>(base, i) == value) return i;
        for (; n - i >= 4; i += 4)
            if (const unsigned m = blockMask<E>(base + static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(sizeof(E)), value))
                return i + __builtin_ctz(m);
    }
    for (; i < n; ++i)
        if (entryAt<E>(base, i) == value) return i;
    return n;
}

using PointerBits = std::uintptr_t;
static_assert(sizeof(PointerBits) == sizeof(RegExpState*));

// The header of a table at any address, read into an aligned copy.
RegExpMultiState header(const RegExpMultiState* pMulti) {
    RegExpMultiState h;
    std::memcpy(&h, pMulti, sizeof h);
    return h;
}

char* bytes(void* p) { return static_cast<char*>(p); }

RegExpState* stateAt(const RegExpMultiState& h, int slot) {
    return reinterpret_cast<RegExpState*>(entryAt<PointerBits>(bytes(h.states), slot));
}

void setSlot(const RegExpMultiState& h, int slot, RegExpState* state, zet32s id) {
    putEntry<PointerBits>(bytes(h.states), slot, reinterpret_cast<PointerBits>(state));
    putEntry<zet32s>(bytes(h.ids), slot, id);
}

bool capacityOk(zet32s capacity) { return capacity > 0 && capacity <= kMultiMaxCapacity; }

int tableSize(zet32s capacity) { return kMultiHeaderBytes + kMultiSlotBytes * capacity; }

void initTable(RegExpMultiState* pMulti, zet32s capacity) {
    char* block = bytes(pMulti);
    char* states = block + kMultiHeaderBytes;
    char* ids = states + static_cast<std::ptrdiff_t>(sizeof(RegExpState*)) * capacity;
    ownZero_8u(reinterpret_cast<zet8u*>(states), (kMultiSlotBytes * capacity));
    std::memcpy(block + offsetof(RegExpMultiState, states), &states, sizeof states);
    std::memcpy(block + offsetof(RegExpMultiState, ids), &ids, sizeof ids);
    std::memcpy(block + offsetof(RegExpMultiState, capacity), &capacity, sizeof capacity);
}

// What every thread of a search shares: the subject and the table are read, and each slot's
// search writes only that slot's result entry (and its own state's work areas).
struct FindJob {
    const zet8u* src;
    zet32s srcLen;
    RegExpMultiResult* results;
    RegExpMultiState table;
};

void searchSlot(void* ctx, int slot) {
    const FindJob& job = *static_cast<const FindJob*>(ctx);
    RegExpState* state = stateAt(job.table, slot);
    if (state == nullptr) return;  // a free slot's entry stays as the caller left it
    RegExpMultiResult& r = job.results[slot];
    r.searched = 0;
    r.id = 0;
    r.status = zetStatusOk;
    r.status = ownRegExpSearch(job.src, job.srcLen, state, r.pMatch, &r.numMatch, 0);
    r.id = entryAt<zet32s>(bytes(job.table.ids), slot);
    r.searched = 1;
}

}  // namespace

int ownRegExpMultiScanIds(const void* entries, int n, zet32s value) { return scanFirst<zet32s>(entries, n, value); }

int ownRegExpMultiScanNull(const void* entries, int n) { return scanFirst<PointerBits>(entries, n, 0); }

void ownRegExpMultiRun(int capacity, int threads, SlotVisitor visit, void* ctx) {
    if (threads < 1) threads = 1;  // the core library promises a positive count; OpenMP needs one
    if (capacity <= threads) {
        for (int i = 0; i < capacity; ++i) visit(ctx, i);
        return;
    }
    int team = 1, chunk = 0, rest = 0;  // set by the master thread, read by all after the barrier
#pragma omp parallel num_threads(threads) shared(team, chunk, rest)
    {
#pragma omp master
        {
            team = omp_get_num_threads();
            chunk = capacity / team;
            rest = capacity % team;
        }
#pragma omp barrier
        const int t = omp_get_thread_num();
        const int first = t * chunk;
        const int end = first + chunk + (t == team - 1 ? rest : 0);
        for (int i = first; i < end; ++i) visit(ctx, i);
    }
}

}  // namespace zet::rx

using namespace zet;
using namespace zet::rx;

ZetStatus zetsRegExpMultiGetSize(zet32s capacity, zet32s* pSize) {
    if (pSize == nullptr) return zetStatusNullPointer;
    if (!capacityOk(capacity)) return zetStatusBadSize;
    *pSize = tableSize(capacity);
    return zetStatusOk;
}

ZetStatus zetsRegExpMultiInit(RegExpMultiState* pMulti, zet32s capacity) {
    if (pMulti == nullptr) return zetStatusNullPointer;
    if (!capacityOk(capacity)) return zetStatusBadSize;
    initTable(pMulti, capacity);
    return zetStatusOk;
}

ZetStatus zetsRegExpMultiInitAlloc(RegExpMultiState** ppMulti, zet32s capacity) {
    if (ppMulti == nullptr) return zetStatusNullPointer;
    zet32s size = 0;
    const ZetStatus st = zetsRegExpMultiGetSize(capacity, &size);
    if (st != zetStatusOk) return st;
    *ppMulti = static_cast<RegExpMultiState*>(ownMalloc(size));
    if (*ppMulti == nullptr) return zetStatusNullPointer;
    initTable(*ppMulti, capacity);
    return zetStatusOk;
}

ZetStatus zetsRegExpMultiAdd(RegExpState* pState, zet32s id, RegExpMultiState* pMulti) {
    if (anyNull(pState, pMulti)) return zetStatusNullPointer;
    if (id == 0) return zetStatusBadArgument;
    const RegExpMultiState h = header(pMulti);
    const int slot = ownRegExpMultiScanNull(h.states, h.capacity);
    if (slot >= h.capacity) return zetStatusNoRoom;
    setSlot(h, slot, pState, id);
    return zetStatusOk;
}

ZetStatus zetsRegExpMultiModify(RegExpState* pState, zet32s id, RegExpMultiState* pMulti) {
    if (anyNull(pState, pMulti)) return zetStatusNullPointer;
    if (id == 0) return zetStatusBadArgument;
    const RegExpMultiState h = header(pMulti);
    const int slot = ownRegExpMultiScanIds(h.ids, h.capacity, id);
    if (slot >= h.capacity) return zetStatusNotFound;
    putEntry<PointerBits>(bytes(h.states), slot, reinterpret_cast<PointerBits>(pState));
    return zetStatusOk;
}

ZetStatus zetsRegExpMultiDelete(zet32s id, RegExpMultiState* pMulti) {
    if (pMulti == nullptr) return zetStatusNullPointer;
    if (id == 0) return zetStatusBadArgument;
    const RegExpMultiState h = header(pMulti);
    const int slot = ownRegExpMultiScanIds(h.ids, h.capacity, id);
    if (slot >= h.capacity) return zetStatusNotFound;
    setSlot(h, slot, nullptr, 0);
    return zetStatusOk;
}

ZetStatus zetsRegExpMultiFind_8u(const zet8u* pSrc, zet32s srcLen, RegExpMultiResult* pResults,
                                 const RegExpMultiState* pMulti) {
    if (anyNull(pSrc, pMulti, pResults)) return zetStatusNullPointer;
    if (srcLen <= 0) return zetStatusBadSize;
    FindJob job{pSrc, srcLen, pResults, header(pMulti)};
    ownRegExpMultiRun(job.table.capacity, ownGetNumThreads(), searchSlot, &job);
    return zetStatusOk;
}
