// Multi-pattern tables: sizes and checks, slots by identifier at any block address, the vector slot
// scans, the spread of slots over threads, and searches equal to a search of each slot alone.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <numeric>
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

constexpr unsigned char kPoison = 0xA5;
// With 8-byte pointers a 24-byte header and 12 bytes a slot, with 4-byte pointers 12 and 8.
constexpr bool kWide = sizeof(void*) == 8;
constexpr int kHeader = kWide ? 24 : 12, kSlot = kWide ? 12 : 8;
constexpr int kMaxCapacity = (INT_MAX - kHeader) / kSlot;

// Caller memory for a table, `misalign` bytes past a 16-byte boundary, poisoned beforehand.
struct TableBlock {
    std::vector<std::uint64_t> words;
    int misalign;
    TableBlock(int capacity, int misalign) : words(static_cast<std::size_t>(kHeader + kSlot * capacity) / 8 + 6), misalign(misalign) {
        std::memset(words.data(), kPoison, words.size() * 8);
    }
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(words.data()) + misalign; }
    RegExpMultiState* table() { return reinterpret_cast<RegExpMultiState*>(bytes()); }
};

// The slots as text: "-" for a free slot, "s<k>:<id>" for states[k] under id.
std::string slots(const RegExpMultiState* t, const std::vector<RegExpState*>& states) {
    RegExpMultiState h;
    std::memcpy(&h, t, sizeof h);
    std::string out;
    for (int i = 0; i < h.capacity; ++i) {
        RegExpState* s;
        zet32s id;
        std::memcpy(&s, reinterpret_cast<const char*>(h.states) + sizeof s * i, sizeof s);
        std::memcpy(&id, reinterpret_cast<const char*>(h.ids) + 4 * i, 4);
        const auto k = std::find(states.begin(), states.end(), s) - states.begin();
        out.append(i ? " " : "");
        if (s == nullptr && id == 0) out.append("-");
        else out.append("s").append(std::to_string(k)).append(":").append(std::to_string(id));
    }
    return out;
}

TEST(RegExpMultiTable, SizesLayoutAndChecksBeforeAnythingIsWritten) {
    zetcore_double::CoreScope core;
    zet32s size = -1;
    const std::vector<std::pair<int, int>> sizes =
        kWide ? std::vector<std::pair<int, int>>{{1, 36}, {3, 60}, {kMaxCapacity, 2147483640}}
              : std::vector<std::pair<int, int>>{{1, 20}, {3, 36}, {kMaxCapacity, 2147483644}};
    for (const auto& [capacity, want] : sizes) {
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
    EXPECT_TRUE(size == -1 && allocated == block.table() && zetcore_double::mallocCalls() == 0);
    EXPECT_TRUE(std::all_of(block.bytes(), block.bytes() + 72, [](unsigned char c) { return c == kPoison; }));
    zetcore_double::failNextMallocs(1);
    EXPECT_EQ(zetsRegExpMultiInitAlloc(&allocated, 4), zetStatusNullPointer);
    EXPECT_TRUE(allocated == nullptr && zetcore_double::mallocCalls() == 1);
    // Header, then 5 state pointers and 5 identifiers, all zero; nothing after them is written.
    for (int misalign : {0, 1, 4, 8, 13}) {
        TableBlock b(5, misalign);
        ASSERT_EQ(zetsRegExpMultiInit(b.table(), 5), zetStatusOk);
        EXPECT_EQ(slots(b.table(), {}), "- - - - -");
        RegExpMultiState h;
        std::memcpy(&h, b.table(), sizeof h);
        const int ids = kWide ? 64 : 32, end = kWide ? 84 : 52;
        EXPECT_TRUE(reinterpret_cast<unsigned char*>(h.states) == b.bytes() + kHeader && reinterpret_cast<unsigned char*>(h.ids) == b.bytes() + ids);
        EXPECT_TRUE(std::all_of(b.bytes() + end, b.bytes() + end + 16, [](unsigned char c) { return c == kPoison; }));
    }
    ASSERT_EQ(zetsRegExpMultiInitAlloc(&allocated, 3), zetStatusOk);
    EXPECT_EQ(slots(allocated, {}), "- - -");
    zetsRegExpMultiFree(allocated);
    EXPECT_EQ(zetcore_double::freeCalls(), 1);
}

TEST(RegExpMultiTable, AddModifyDeleteByIdentifier) {
    std::vector<char> storage(16);
    std::vector<RegExpState*> states;
    for (char& c : storage) states.push_back(reinterpret_cast<RegExpState*>(&c));
    const ZetStatus ok = zetStatusOk, noRoom = zetStatusNoRoom, absent = zetStatusNotFound, badId = zetStatusBadArgument;
    struct Op {
        char kind;  // a: add, m: modify, d: delete
        int state;  // index into the states, -1 for null
        zet32s id;
        ZetStatus want;
    };
    std::vector<Op> fill11;
    for (int i = 0; i < 11; ++i) fill11.push_back({'a', i, i + 1, ok});
    const auto then = [](std::vector<Op> a, std::vector<Op> b) { return a.insert(a.end(), b.begin(), b.end()), a; };
    for (const auto& [capacity, ops, want] : std::vector<std::tuple<int, std::vector<Op>, std::string>>{
             {3, {{'a', 0, 1, ok}, {'a', 1, 2, ok}, {'a', 2, 3, ok}, {'a', 3, 4, noRoom}}, "s0:1 s1:2 s2:3"},
             // A deleted slot is the next one filled, before later free ones.
             {3, {{'a', 0, 1, ok}, {'a', 1, 2, ok}, {'a', 2, 3, ok}, {'d', 0, 2, ok}, {'a', 3, 4, ok}}, "s0:1 s3:4 s2:3"},
             {3, {{'a', 0, 1, ok}, {'d', 0, 1, ok}, {'d', 0, 1, absent}, {'m', 2, 1, absent}}, "- - -"},
             // The null state and null table come before the identifier.
             {3, {{'a', 0, 0, badId}, {'d', 0, 0, badId}, {'m', 0, 0, badId}, {'a', -1, 0, zetStatusNullPointer}, {'m', -1, 0, zetStatusNullPointer},
                  {'A', 0, 0, zetStatusNullPointer}, {'M', 0, 0, zetStatusNullPointer}, {'D', 0, 0, zetStatusNullPointer}}, "- - -"},
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
                RegExpMultiState* t = std::isupper(op.kind) ? nullptr : b.table();  // upper case: a null table
                const char k = static_cast<char>(std::tolower(op.kind));
                const ZetStatus st = k == 'a'   ? zetsRegExpMultiAdd(s, op.id, t)
                                     : k == 'm' ? zetsRegExpMultiModify(s, op.id, t)
                                                : zetsRegExpMultiDelete(op.id, t);
                EXPECT_EQ(st, op.want) << op.kind << " " << op.state << " " << op.id << " at +" << misalign;
            }
            EXPECT_EQ(slots(b.table(), states), want) << "at +" << misalign;
        }
    }
}

// Every count up to 24 and every place of the first hit (or none), a second hit after it, at all
// 16 alignments against both unreadable edges, with the sought value as the poison around.
TEST(RegExpMultiScan, VectorScansMatchAPlainLoop) {
    guarded::Arena arena(4096);
    std::mt19937 rng(6808);
    for (int n = 0; n <= 24; ++n)
        for (int hit = -1; hit < n; ++hit) {
            std::vector<zet32s> ids(static_cast<std::size_t>(n));
            std::vector<std::uintptr_t> ptrs(ids.size());
            for (int i = 0; i < n; ++i) ids[i] = static_cast<zet32s>(rng() % 6) + 1, ptrs[i] = rng() % 6 + 1;
            if (hit >= 0) {
                const int again = hit + static_cast<int>(rng() % static_cast<unsigned>(n - hit));
                ids[hit] = ids[again] = 9, ptrs[hit] = ptrs[again] = 0;
            }
            const int want = hit < 0 ? n : hit;
            guarded::forEachPlacement(arena, ids, zet32s{9}, [&](zet32s* p, int align, guarded::Edge) {
                EXPECT_EQ(zet::rx::ownRegExpMultiScanIds(p, n, 9), want) << n << " +" << align;
            });
            guarded::forEachPlacement(arena, ptrs, std::uintptr_t{0}, [&](std::uintptr_t* p, int align, guarded::Edge) {
                EXPECT_EQ(zet::rx::ownRegExpMultiScanNull(p, n), want) << n << " +" << align;
            });
        }
}

struct Visits {
    std::vector<int> count, team, inRegion;
    std::vector<std::vector<int>> byThread;  // each thread appends to its own list only
};

// No more slots than threads: the calling thread, in order. More: one region of the requested
// size (when the runtime is free to give it), thread t taking block t in order, the last the rest.
TEST(RegExpMultiRun, ContiguousBlocksOneThreadEach) {
    const bool fullTeams = !omp_get_dynamic();
    for (int threads : {1, 2, 3, 8})
        for (int capacity : {1, 2, 3, 7, 8, 9, 17, 64, 200}) {
            const auto cap = static_cast<std::size_t>(capacity);
            Visits v{std::vector<int>(cap), std::vector<int>(cap), std::vector<int>(cap), std::vector<std::vector<int>>(8)};
            zet::rx::ownRegExpMultiRun(capacity, threads, [](void* ctx, int slot) {
                auto& v = *static_cast<Visits*>(ctx);
                ++v.count[slot], v.team[slot] = omp_get_num_threads(), v.inRegion[slot] = omp_in_parallel();
                v.byThread[static_cast<std::size_t>(omp_get_thread_num())].push_back(slot);
            }, &v);
            const std::string where = std::to_string(capacity) + " slots, " + std::to_string(threads) + " threads";
            const int team = capacity <= threads ? 1 : v.team[0];
            EXPECT_EQ(v.count, std::vector<int>(cap, 1)) << where;
            EXPECT_EQ(v.team, std::vector<int>(cap, team)) << where;
            if (capacity <= threads) {
                EXPECT_EQ(v.inRegion, std::vector<int>(cap, 0)) << where;
            } else if (fullTeams && omp_get_thread_limit() >= threads) {
                EXPECT_EQ(team, threads) << where;
            }
            for (int t = 0, from = 0; t < team; from += capacity / team, ++t) {
                std::vector<int> block(static_cast<std::size_t>(t == team - 1 ? capacity - from : capacity / team));
                std::iota(block.begin(), block.end(), from);
                EXPECT_EQ(v.byThread[static_cast<std::size_t>(t)], block) << where << ", thread " << t;
            }
        }
}

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

// Tables of 1 to 200 slots, each its own state, with free slots (some reused by a state without
// the mark, -189), a slot with no records (-6) and 1 to 4 records (warning 12), the subject against
// an unreadable page, on 1, 2, 3 and 8 threads: every searched entry is what a search of that slot
// alone gives; free slots' entries and records stay as they were.
TEST(RegExpMultiFind, EverySlotAsIfSearchedAlone) {
    // Literal alternations, required and leading literals, anchors, look-around, global searches,
    // groups beyond the records given, reads up to the end.
    static const char* const kPatterns[][2] = {
        {"cat|dog", ""}, {"(\\w+)@(\\w+)\\.com", ""}, {"[0-9]{2,}", "g"}, {"ab*c", "i"}, {"^line", "m"}, {"\\w+$", ""}, {"x*", "g"},
        {"(?<=a)b", ""}, {"(a)|(z)", "g"}, {"nothere", ""}, {"(e)(r)(r)(o)(r)", ""}, {"\\d+(?=\\.)", ""}, {"\\bend\\b", ""},
        {"(?i)LINE (\\w+)", "g"}, {"d$", "m"}, {"[^a-z ]+", ""}};
    zetcore_double::CoreScope core;
    const std::string text = "a cat and 42 dogs\nline two: joe@example.com 3.14 ab ABBC error\nline zab end";
    const auto len = static_cast<zet32s>(text.size());
    guarded::Arena arena(4096);
    std::vector<regexp_search::StatePtr> owned;
    for (int i = 0; i < 200; ++i) owned.push_back(regexp_search::compile(kPatterns[i % 16][0], kPatterns[i % 16][1]));
    std::vector<zet8u> unmarked(sizeof(RegExpState), 0);
    auto* noMark = reinterpret_cast<RegExpState*>(unmarked.data());
    const RegExpMatchRecord kUnwritten{&kPoison, -9};
    for (int threads : {1, 2, 3, 8})
        for (int capacity : {1, 2, 3, 4, 5, 8, 9, 31, 64, 200}) {
            zetcore_double::setNumThreads(threads);
            const std::string where = std::to_string(capacity) + " slots, " + std::to_string(threads) + " threads";
            const auto* src = arena.place(std::span(reinterpret_cast<const zet8u*>(text.data()), text.size()), capacity % 16,
                                          guarded::Edge::End, zet8u{'a'});
            TableBlock b(capacity, 0);
            ASSERT_EQ(zetsRegExpMultiInit(b.table(), capacity), zetStatusOk);
            std::vector<RegExpState*> inSlot(static_cast<std::size_t>(capacity));
            for (int i = 0; i < capacity; ++i) ASSERT_EQ(zetsRegExpMultiAdd(inSlot[i] = owned[i].get(), 1000 + i, b.table()), zetStatusOk);
            for (int i = 2; i < capacity; i += 5) zetsRegExpMultiDelete(1000 + i, b.table()), inSlot[i] = nullptr;
            if (capacity > 2) zetsRegExpMultiAdd(noMark, -5, b.table()), inSlot[2] = noMark;

            std::vector<std::vector<RegExpMatchRecord>> records(inSlot.size(), std::vector<RegExpMatchRecord>(6, kUnwritten));
            std::vector<RegExpMultiResult> results(inSlot.size());
            for (int i = 0; i < capacity; ++i) results[i] = {-9, -9, i == 4 ? 0 : 1 + i % 4, -9, records[i].data()};
            ASSERT_EQ(zetsRegExpMultiFind_8u(src, len, results.data(), b.table()), zetStatusOk) << where;
            for (int i = 0; i < capacity; ++i) {
                std::vector<RegExpMatchRecord> alone(6, kUnwritten);
                zet32s n = i == 4 ? 0 : 1 + i % 4;
                const bool free = inSlot[i] == nullptr;
                const ZetStatus st = free ? -9 : zetsRegExpFind_8u(src, len, inSlot[i], alone.data(), &n);
                const RegExpMultiResult& got = results[i];
                EXPECT_TRUE(got.searched == (free ? -9 : 1) && got.id == (free ? -9 : inSlot[i] == noMark ? -5 : 1000 + i) && got.status == st &&
                            got.numMatch == n && got.pMatch == records[i].data())
                    << where << ", slot " << i << ": " << got.searched << " " << got.id << " " << got.status << " " << got.numMatch;
                for (std::size_t r = 0; r < alone.size(); ++r)
                    EXPECT_TRUE(records[i][r].pStr == alone[r].pStr && records[i][r].len == alone[r].len) << where << ", slot " << i << " #" << r;
            }
        }
}

}  // namespace
