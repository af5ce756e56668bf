// Multi-pattern tables: sizes and the checks before anything is written, slot bookkeeping by
// identifier at any block address, the vector slot scans against a plain loop, the spread of
// slots over threads, and searches that must give every slot what a search of it alone gives.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "regexp/multi.h"
#include "support/guarded.h"
#include "support/regexp_search.h"
#include "support/zetcore_double.h"

namespace {

using regexp_search::StatePtr;
constexpr unsigned char kPoison = 0xA5;
constexpr int kMaxCapacity = (INT_MAX - 24) / 12;  // 24-byte header, 12 bytes a slot

// Caller memory for a table, `misalign` bytes past a 16-byte boundary, poisoned beforehand.
struct TableBlock {
    std::vector<std::uint64_t> words;
    int misalign;
    TableBlock(int capacity, int misalign) : words(static_cast<std::size_t>(24 + 12 * capacity) / 8 + 6), misalign(misalign) {
        std::memset(words.data(), kPoison, words.size() * 8);
    }
    char* bytes() { return reinterpret_cast<char*>(words.data()) + misalign; }
    RegExpMultiState* table() { return reinterpret_cast<RegExpMultiState*>(bytes()); }
    bool untouched() {
        const auto* p = reinterpret_cast<const unsigned char*>(words.data());
        return std::all_of(p, p + words.size() * 8, [](unsigned char c) { return c == kPoison; });
    }
};

RegExpMultiState headerOf(const RegExpMultiState* t) {
    RegExpMultiState h;
    std::memcpy(&h, t, sizeof h);
    return h;
}

// The slots as text: "-" for a free slot, "s<k>:<id>" for states[k] under id.
std::string slots(const RegExpMultiState* t, const std::vector<RegExpState*>& states) {
    const RegExpMultiState h = headerOf(t);
    std::string out;
    for (int i = 0; i < h.capacity; ++i) {
        RegExpState* s;
        zet32s id;
        std::memcpy(&s, reinterpret_cast<const char*>(h.states) + 8 * i, 8);
        std::memcpy(&id, reinterpret_cast<const char*>(h.ids) + 4 * i, 4);
        const auto k = std::find(states.begin(), states.end(), s) - states.begin();
        out += (i ? " " : "") + (s == nullptr && id == 0 ? std::string("-") : "s" + std::to_string(k) + ":" + std::to_string(id));
    }
    return out;
}

TEST(RegExpMultiTable, SizesLayoutAndChecksBeforeAnythingIsWritten) {
    zetcore_double::CoreScope core;
    zet32s size = -1;
    for (const auto& [capacity, want] : {std::pair{1, 36}, {3, 60}, {kMaxCapacity, 2147483640}}) {
        EXPECT_EQ(zetsRegExpMultiGetSize(capacity, &size), zetStatusOk);
        EXPECT_EQ(size, want) << capacity;
    }
    size = -1;
    TableBlock block(4, 0);
    RegExpMultiState* allocated = block.table();
    EXPECT_EQ(zetsRegExpMultiGetSize(0, nullptr), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpMultiInit(nullptr, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsRegExpMultiInitAlloc(nullptr, 0), zetStatusNullPointer);
    for (int capacity : {0, -1, INT_MIN, kMaxCapacity + 1, INT_MAX}) {
        EXPECT_EQ(zetsRegExpMultiGetSize(capacity, &size), zetStatusBadSize) << capacity;
        EXPECT_EQ(zetsRegExpMultiInit(block.table(), capacity), zetStatusBadSize) << capacity;
        EXPECT_EQ(zetsRegExpMultiInitAlloc(&allocated, capacity), zetStatusBadSize) << capacity;
    }
    EXPECT_TRUE(size == -1 && allocated == block.table() && block.untouched() && zetcore_double::mallocCalls() == 0);
    zetcore_double::failNextMallocs(1);
    EXPECT_EQ(zetsRegExpMultiInitAlloc(&allocated, 4), zetStatusNullPointer);
    EXPECT_TRUE(allocated == nullptr && zetcore_double::mallocCalls() == 1);

    // Header, state pointers, identifiers; nothing after them is written, at any block address.
    for (int misalign : {0, 1, 4, 8, 13}) {
        TableBlock b(5, misalign);
        ASSERT_EQ(zetsRegExpMultiInit(b.table(), 5), zetStatusOk);
        const RegExpMultiState h = headerOf(b.table());
        EXPECT_EQ(h.capacity, 5);
        EXPECT_EQ(reinterpret_cast<char*>(h.states), b.bytes() + 24);
        EXPECT_EQ(reinterpret_cast<char*>(h.ids), b.bytes() + 24 + 40);
        const auto* u = reinterpret_cast<const unsigned char*>(b.bytes());
        EXPECT_TRUE(std::all_of(u + 24, u + 84, [](unsigned char c) { return c == 0; }));
        EXPECT_TRUE(std::all_of(u + 84, u + 100, [](unsigned char c) { return c == kPoison; }));
    }
    ASSERT_EQ(zetsRegExpMultiInitAlloc(&allocated, 3), zetStatusOk);
    EXPECT_EQ(slots(allocated, {}), "- - -");
    zetsRegExpMultiFree(allocated);
    EXPECT_EQ(zetcore_double::freeCalls(), 1);
}

struct Op {
    char kind;  // a: add, m: modify, d: delete
    int state;  // index into the states, -1 for null
    zet32s id;
    ZetStatus want;
};

TEST(RegExpMultiTable, AddModifyDeleteByIdentifier) {
    std::vector<char> storage(16);
    std::vector<RegExpState*> states;
    for (char& c : storage) states.push_back(reinterpret_cast<RegExpState*>(&c));
    const ZetStatus ok = zetStatusOk, noRoom = zetStatusNoRoom, absent = zetStatusNotFound, badId = zetStatusBadArgument,
                    null = zetStatusNullPointer;
    std::vector<Op> fill11;
    for (int i = 0; i < 11; ++i) fill11.push_back({'a', i, i + 1, ok});
    const auto then = [](std::vector<Op> a, std::vector<Op> b) { return a.insert(a.end(), b.begin(), b.end()), a; };
    for (const auto& [capacity, ops, want] : std::vector<std::tuple<int, std::vector<Op>, std::string>>{
             {3, {{'a', 0, 1, ok}, {'a', 1, 2, ok}, {'a', 2, 3, ok}, {'a', 3, 4, noRoom}}, "s0:1 s1:2 s2:3"},
             // A deleted slot is the next one filled, before later free ones.
             {3, {{'a', 0, 1, ok}, {'a', 1, 2, ok}, {'a', 2, 3, ok}, {'d', 0, 2, ok}, {'a', 3, 4, ok}}, "s0:1 s3:4 s2:3"},
             {3, {{'a', 0, 1, ok}, {'d', 0, 1, ok}, {'d', 0, 1, absent}, {'m', 2, 1, absent}}, "- - -"},
             {3, {{'a', 0, 0, badId}, {'d', 0, 0, badId}, {'m', 0, 0, badId}, {'a', -1, 0, null}, {'m', -1, 0, null}}, "- - -"},
             // One identifier in two slots: Delete and Modify act on the first.
             {3, {{'a', 0, 7, ok}, {'a', 1, 7, ok}, {'d', 0, 7, ok}}, "- s1:7 -"},
             {3, {{'a', 0, 7, ok}, {'a', 1, 7, ok}, {'m', 2, 7, ok}, {'a', 3, -7, ok}}, "s2:7 s1:7 s3:-7"},
             // Past the vector block: the lowest free or matching slot wherever it lies.
             {11, then(fill11, {{'a', 11, 12, noRoom}, {'d', 0, 10, ok}, {'d', 0, 5, ok}, {'a', 12, 99, ok}, {'m', 13, 11, ok}}),
              "s0:1 s1:2 s2:3 s3:4 s12:99 s5:6 s6:7 s7:8 s8:9 - s13:11"},
             {11, then(fill11, {{'d', 0, 12, absent}, {'m', 0, 0, badId}}), "s0:1 s1:2 s2:3 s3:4 s4:5 s5:6 s6:7 s7:8 s8:9 s9:10 s10:11"},
         }) {
        for (int misalign : {0, 1, 4, 8}) {
            TableBlock b(capacity, misalign);
            ASSERT_EQ(zetsRegExpMultiInit(b.table(), capacity), zetStatusOk);
            for (const Op& op : ops) {
                RegExpState* s = op.state < 0 ? nullptr : states[static_cast<std::size_t>(op.state)];
                const ZetStatus st = op.kind == 'a'   ? zetsRegExpMultiAdd(s, op.id, b.table())
                                     : op.kind == 'm' ? zetsRegExpMultiModify(s, op.id, b.table())
                                                      : zetsRegExpMultiDelete(op.id, b.table());
                EXPECT_EQ(st, op.want) << op.kind << " " << op.state << " " << op.id << " at +" << misalign;
            }
            EXPECT_EQ(slots(b.table(), states), want) << "at +" << misalign;
            // A null table comes before the identifier; the table stays as it is.
            EXPECT_EQ(zetsRegExpMultiAdd(states[0], 0, nullptr), null);
            EXPECT_EQ(zetsRegExpMultiModify(states[0], 0, nullptr), null);
            EXPECT_EQ(zetsRegExpMultiDelete(0, nullptr), null);
        }
    }
}

// The first entry equal to the value, lowest index, or n.
template <class E>
int plainScan(const E* p, int n, E value) {
    for (int i = 0; i < n; ++i) {
        E e;
        std::memcpy(&e, reinterpret_cast<const char*>(p) + i * static_cast<int>(sizeof(E)), sizeof e);
        if (e == value) return i;
    }
    return n;
}

// Every capacity up to 24 and every place of the first hit (or none), a second hit after it, at
// all 16 alignments against both unreadable edges, with the sought value as the poison around.
TEST(RegExpMultiScan, VectorScansMatchAPlainLoop) {
    guarded::Arena arena(4096);
    std::mt19937 rng(6808);
    for (int n = 0; n <= 24; ++n)
        for (int hit = -1; hit < n; ++hit) {
            std::vector<zet32s> ids(static_cast<std::size_t>(n));
            std::vector<std::uintptr_t> ptrs(ids.size());
            for (int i = 0; i < n; ++i) ids[i] = static_cast<zet32s>(rng() % 6) + 1, ptrs[i] = rng() % 6 + 1;
            if (hit >= 0) {
                ids[hit] = 9, ptrs[hit] = 0;
                const int again = hit + static_cast<int>(rng() % static_cast<unsigned>(n - hit));
                ids[again] = 9, ptrs[again] = 0;
            }
            guarded::forEachPlacement(arena, ids, zet32s{9}, [&](zet32s* p, int align, guarded::Edge) {
                EXPECT_EQ(zet::rx::ownRegExpMultiScanIds(p, n, 9), plainScan<zet32s>(p, n, 9)) << n << " " << hit << " +" << align;
            });
            guarded::forEachPlacement(arena, ptrs, std::uintptr_t{0}, [&](std::uintptr_t* p, int align, guarded::Edge) {
                EXPECT_EQ(zet::rx::ownRegExpMultiScanNull(p, n), plainScan<std::uintptr_t>(p, n, 0)) << n << " " << hit << " +" << align;
            });
        }
}

struct Visits {
    std::vector<int> count, team;
    std::vector<char> inRegion;
    std::vector<std::vector<int>> byThread;  // each thread appends to its own list only
};

void recordVisit(void* ctx, int slot) {
    auto& v = *static_cast<Visits*>(ctx);
    const auto i = static_cast<std::size_t>(slot);
    ++v.count[i];
    v.team[i] = omp_get_num_threads();
    v.inRegion[i] = omp_in_parallel() ? 1 : 0;
    v.byThread[static_cast<std::size_t>(omp_get_thread_num())].push_back(slot);
}

// No more slots than threads: the calling thread, in order. More: one region of the requested
// size (when the runtime is free to give it), thread t taking block t in order, the last the rest.
TEST(RegExpMultiRun, ContiguousBlocksOneThreadEach) {
    const bool fullTeams = !omp_get_dynamic();
    for (int threads : {1, 2, 3, 8})
        for (int capacity : {1, 2, 3, 7, 8, 9, 17, 64, 200}) {
            const auto cap = static_cast<std::size_t>(capacity);
            Visits v{std::vector<int>(cap), std::vector<int>(cap), std::vector<char>(cap), std::vector<std::vector<int>>(8)};
            zet::rx::ownRegExpMultiRun(capacity, threads, recordVisit, &v);
            const std::string where = std::to_string(capacity) + " slots, " + std::to_string(threads) + " threads";
            EXPECT_TRUE(std::all_of(v.count.begin(), v.count.end(), [](int c) { return c == 1; })) << where;
            const int team = capacity <= threads ? 1 : v.team[0];
            EXPECT_TRUE(std::all_of(v.team.begin(), v.team.end(), [&](int n) { return n == team; })) << where;
            if (capacity <= threads) {
                EXPECT_TRUE(std::none_of(v.inRegion.begin(), v.inRegion.end(), [](char c) { return c; })) << where;
            } else if (fullTeams && omp_get_thread_limit() >= threads) {
                EXPECT_EQ(team, threads) << where;
            }
            for (int t = 0, from = 0; t < team; ++t) {
                const int to = t == team - 1 ? capacity : from + capacity / team;
                std::vector<int> block;
                for (int i = from; i < to; ++i) block.push_back(i);
                EXPECT_EQ(v.byThread[static_cast<std::size_t>(t)], block) << where << ", thread " << t;
                from = to;
            }
        }
}

// Patterns the driver treats differently: literal alternations, required and leading literals,
// anchors, look-around, global searches, groups beyond the records given, reads up to the end.
const char* const kPatterns[][2] = {
    {"cat|dog", ""},        {"(\\w+)@(\\w+)\\.com", ""}, {"[0-9]{2,}", "g"},    {"ab*c", "i"},
    {"^line", "m"},         {"\\w+$", ""},               {"x*", "g"},           {"(?<=a)b", ""},
    {"(a)|(z)", "g"},       {"nothere", ""},             {"(e)(r)(r)(o)(r)", ""}, {"\\d+(?=\\.)", ""},
    {"\\bend\\b", ""},      {"(?i)LINE (\\w+)", "g"},    {"d$", "m"},           {"[^a-z ]+", ""},
};
constexpr int kPatternCount = static_cast<int>(std::size(kPatterns));

TEST(RegExpMultiFind, ChecksComeFirstAndTouchNoEntry) {
    auto state = regexp_search::compile("a");
    TableBlock b(2, 0);
    ASSERT_EQ(zetsRegExpMultiInit(b.table(), 2), zetStatusOk);
    ASSERT_EQ(zetsRegExpMultiAdd(state.get(), 1, b.table()), zetStatusOk);
    const zet8u src[] = "a";
    RegExpMatchRecord rec{nullptr, -3};
    RegExpMultiResult r[2] = {{-3, -3, 1, -3, &rec}, {-3, -3, 1, -3, &rec}};
    for (const auto& [s, len, res, table, want] : std::vector<std::tuple<const zet8u*, zet32s, RegExpMultiResult*, RegExpMultiState*, ZetStatus>>{
             {nullptr, 0, nullptr, nullptr, zetStatusNullPointer}, {src, 0, nullptr, nullptr, zetStatusNullPointer},
             {src, 0, nullptr, b.table(), zetStatusNullPointer}, {src, 0, r, b.table(), zetStatusBadSize},
             {src, -1, r, b.table(), zetStatusBadSize}, {src, INT_MIN, r, b.table(), zetStatusBadSize}}) {
        EXPECT_EQ(zetsRegExpMultiFind_8u(s, len, res, table), want);
        EXPECT_TRUE(r[0].searched == -3 && r[0].id == -3 && r[0].numMatch == 1 && r[0].status == -3 && rec.len == -3);
    }
}

// Tables of 1 to 200 slots, each slot its own state, with free slots among them (some reused),
// one state without the mark (-189), one slot with no records (-6) and record counts from 1 to 4
// (warning 12): every searched entry is what a search of that slot alone gives, and free slots'
// entries and records stay as they were, on 1, 2, 3 and 8 threads. The subject lies against an
// unreadable page.
TEST(RegExpMultiFind, EverySlotAsIfSearchedAlone) {
    zetcore_double::CoreScope core;
    const std::string text = "a cat and 42 dogs\nline two: joe@example.com 3.14 ab ABBC error\nline zab end";
    guarded::Arena arena(4096);
    std::vector<StatePtr> owned;
    for (int i = 0; i < 200; ++i) {
        owned.push_back(regexp_search::compile(kPatterns[i % kPatternCount][0], kPatterns[i % kPatternCount][1]));
        ASSERT_TRUE(owned.back() != nullptr);
    }
    std::vector<zet8u> unmarked(sizeof(RegExpState), 0);
    auto* noMark = reinterpret_cast<RegExpState*>(unmarked.data());
    const RegExpMatchRecord kUnwritten{reinterpret_cast<const zet8u*>(&kPoison), -9};
    for (int threads : {1, 2, 3, 8})
        for (int capacity : {1, 2, 3, 4, 5, 8, 9, 31, 64, 200}) {
            zetcore_double::setNumThreads(threads);
            const std::string where = std::to_string(capacity) + " slots, " + std::to_string(threads) + " threads";
            const auto* src = arena.place(std::span(reinterpret_cast<const zet8u*>(text.data()), text.size()), capacity % 16,
                                          guarded::Edge::End, zet8u{'a'});
            const auto len = static_cast<zet32s>(text.size());
            zet32s size = 0;
            ASSERT_EQ(zetsRegExpMultiGetSize(capacity, &size), zetStatusOk);
            std::vector<std::uint64_t> block(static_cast<std::size_t>(size) / 8 + 1);
            auto* table = reinterpret_cast<RegExpMultiState*>(block.data());
            ASSERT_EQ(zetsRegExpMultiInit(table, capacity), zetStatusOk);
            std::vector<RegExpState*> inSlot(static_cast<std::size_t>(capacity));
            for (int i = 0; i < capacity; ++i) ASSERT_EQ(zetsRegExpMultiAdd(owned[i].get(), 1000 + i, table), zetStatusOk);
            for (int i = 0; i < capacity; ++i) inSlot[i] = owned[i].get();
            for (int i = 2; i < capacity; i += 5) zetsRegExpMultiDelete(1000 + i, table), inSlot[i] = nullptr;
            if (capacity > 2) zetsRegExpMultiAdd(noMark, -5, table), inSlot[2] = noMark;

            std::vector<std::vector<RegExpMatchRecord>> records(static_cast<std::size_t>(capacity), std::vector<RegExpMatchRecord>(6, kUnwritten));
            std::vector<RegExpMultiResult> results(static_cast<std::size_t>(capacity));
            for (int i = 0; i < capacity; ++i) results[i] = {-9, -9, i == 4 ? 0 : 1 + i % 4, -9, records[i].data()};
            const std::vector<RegExpMultiResult> before = results;
            ASSERT_EQ(zetsRegExpMultiFind_8u(src, len, results.data(), table), zetStatusOk) << where;

            for (int i = 0; i < capacity; ++i) {
                const RegExpMultiResult& got = results[i];
                const std::vector<RegExpMatchRecord>& rec = records[i];
                std::vector<RegExpMatchRecord> alone(6, kUnwritten);
                zet32s n = before[i].numMatch;
                const ZetStatus st = inSlot[i] == nullptr ? -9 : zetsRegExpFind_8u(src, len, inSlot[i], alone.data(), &n);
                const zet32s id = inSlot[i] == nullptr ? -9 : inSlot[i] == noMark ? -5 : 1000 + i;
                EXPECT_EQ(got.searched, inSlot[i] == nullptr ? -9 : 1) << where << ", slot " << i;
                EXPECT_EQ(got.id, id) << where << ", slot " << i;
                EXPECT_EQ(got.status, st) << where << ", slot " << i;
                EXPECT_EQ(got.numMatch, n) << where << ", slot " << i;
                EXPECT_EQ(got.pMatch, before[i].pMatch);
                for (std::size_t r = 0; r < rec.size(); ++r)
                    EXPECT_TRUE(rec[r].pStr == alone[r].pStr && rec[r].len == alone[r].len) << where << ", slot " << i << ", record " << r;
            }
        }
}

}  // namespace
