#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include "support/guarded.h"
#include "support/unit_sets.h"
#include "support/zetcore_double.h"
#include "zetch.h"

namespace {

using namespace unit_sets;

// The 8-bit or the 16-bit form of a function, for the unit type T of the test.
#define BY_WIDTH(f) std::get<sizeof(T) - 1>(std::pair(&f##_8u, &f##_16u))

using Statuses = std::vector<ZetStatus>;
constexpr ZetStatus null = zetStatusNullPointer, bad = zetStatusBadLength;

// What f writes through its last argument, or INT_MIN when it does not return zetStatusOk.
template <class F, class... A>
int written(F f, A... a) {
    int out = -7;
    return f(a..., &out) == zetStatusOk ? out : INT_MIN;
}
template <class F, class... A>
std::pair<int, int> bothWays(F fwd, F rev, A... a) { return {written(fwd, a...), written(rev, a...)}; }

// The rules, written from the definitions: the lowest and the highest i < n with hit(i); the members of a set;
// the occurrences of a non-empty needle; the difference at the first differing unit (plain, A..Z folded).
template <class Hit>
std::pair<int, int> firstLast(int n, Hit hit) {
    std::pair<int, int> r{-1, -1};
    for (int i = 0; i < n; ++i)
        if (hit(i)) r = {r.first < 0 ? i : r.first, i};
    return r;
}
template <class T>
std::pair<int, int> anyRule(const std::vector<T>& s, std::vector<T> set) {
    std::sort(set.begin(), set.end());
    return firstLast(int(s.size()), [&](int i) { return std::binary_search(set.begin(), set.end(), s[i]); });
}
template <class T>
std::pair<int, int> findRule(const std::vector<T>& text, const std::vector<T>& needle) {
    const int candidates = needle.empty() ? 0 : int(text.size() - needle.size()) + 1;
    return firstLast(candidates, [&](int i) { return std::equal(needle.begin(), needle.end(), text.begin() + i); });
}
int latinFold(int u) { return u >= 'A' && u <= 'Z' ? u + 32 : u; }
template <class T>
std::array<int, 3> compareRule(const std::vector<T>& a, const std::vector<T>& b) {  // and equality
    std::array<int, 3> r{0, 0, a == b};
    for (std::size_t i = 0; i < a.size() && r[0] == 0; ++i) r[0] = a[i] - b[i];
    for (std::size_t i = 0; i < a.size() && r[1] == 0; ++i) r[1] = latinFold(a[i]) - latinFold(b[i]);
    return r;
}

template <class T>
class SearchTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(SearchTest, Units);

// Lengths up to a few passes of the widest kernel: every length 0..300, then every 37th up to 1100 bytes (several whole
// passes and a tail). Every alignment of the variant's vector width at both unreadable edges, the key as poison: no
// hit, or one where the kernels change gear (short pieces, overlapping blocks, first block, passes, the last pass that
// ends at the string's end), found from its near and its far end; in strings of up to two 64-byte blocks also two,
// of which the first and the last must be told apart. Every fourth key is 0, which a masked load's zero lanes must
// not match.
TYPED_TEST(SearchTest, FindCKernelsAgreeWithTheRule) {
    using T = TypeParam;
    const auto fwd = BY_WIDTH(zetsFindC), rev = BY_WIDTH(zetsFindRevC);
    guarded::Arena arena(1 << 14);
    std::mt19937 rng(7);
    for (int len = 0; len * sizeof(T) <= 1100; len += len < 300 ? 1 : 37) {
        const T key = static_cast<T>(len % 4 == 3 ? 0 : sizeof(T) == 1 ? 0x5A : 0x5A3C);
        const auto s = nonMembers(rng, len, std::vector{key});
        std::set<std::vector<int>> hitSets{{}};
        for (int p : {0, 1, 3, 4, 7, 8, 15, 16, 17, 31, 32, 47, 48, 63, 64, 65, 78, 79, 80, 127, 128, 129, 191, 192, 255, 256,
                      257, 383, 511, 512, 513})
            if (p < len) {
                hitSets.insert({{p}, {len - 1 - p}});
                if (len <= 128) hitSets.insert({p, len - 1 - p});
            }
        std::vector<std::pair<std::vector<int>, std::pair<int, int>>> cases;
        for (const auto& hits : hitSets) {
            auto t = s;
            for (int h : hits) t[h] = key;
            cases.push_back({hits, firstLast(len, [&](int i) { return t[i] == key; })});
        }
        auto put = [](T* p, int i, T u) { std::memcpy(p + i, &u, sizeof u); };  // p may be odd for 16-bit units
        guarded::forEachPlacement(arena, s, key, [&](T* p, int align, guarded::Edge edge) {
            for (const auto& [hits, want] : cases) {
                for (int h : hits) put(p, h, key);
                ASSERT_EQ(bothWays(fwd, rev, p, len, key), want) << len << " at " << align << "/" << int(edge);
                for (int h : hits) put(p, h, s[h]);
            }
        });
    }
}

// Lengths 0..300, 16 alignments, both unreadable edges, both kernel families, sets of 0..100 units against
// unreadable pages too. The string's poison is a member, the set's lies at both ends of the string.
TYPED_TEST(SearchTest, FindCAnyKernelsAgreeWithTheRule) {
    using T = TypeParam;
    const auto fwd = BY_WIDTH(zetsFindCAny), rev = BY_WIDTH(zetsFindRevCAny);
    guarded::Arena arena(1 << 12), setArena(1 << 12);
    std::mt19937 rng(11);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len = 0; len <= 300; ++len)
            for (int n : {len * 7 % 101, (len * 13 + 50) % 101}) {
                const auto set = randomSet<T>(rng, n);
                const T setPoison = nonMembers(rng, 1, set)[0];
                auto base = nonMembers(rng, len, set);
                if (len > 0) base[0] = base[len - 1] = setPoison;
                const int any = len ? int(rng() % len) : 0, near = int(rng() % (len / 2 + 1));
                for (const std::vector<int>& hits : {std::vector<int>{}, {any}, {near, len - 1 - near}, {len - 1}, {0}}) {
                    if (!hits.empty() && (len == 0 || n == 0)) continue;
                    auto s = base;
                    for (int h : hits) s[h] = set[rng() % n];
                    const auto want = anyRule(s, set);
                    guarded::forEachPlacement(arena, s, n ? set[0] : T{}, [&](T* p, int al, guarded::Edge e) {
                        const T* q = setArena.place(std::span<const T>(set), al * 5 % 16, e, setPoison);
                        ASSERT_EQ(bothWays(fwd, rev, p, len, q, n), want)
                            << "len " << len << " set " << n << " at " << al << "/" << int(e) << (sse42 ? " sse4.2" : "");
                    });
                }
            }
    });
}

// Texts of lengths 0..300, 16 alignments, both edges, needles of 2..80 units against a page too: near-misses and no
// occurrence, one at either end, near the end, early, or two. The text ends in the needle but for its poison last unit.
TYPED_TEST(SearchTest, FindKernelsAgreeWithTheRule) {
    using T = TypeParam;
    const auto fwd = BY_WIDTH(zetsFind), rev = BY_WIDTH(zetsFindRev);
    const T hi = static_cast<T>(sizeof(T) == 1 ? 0xC0 : 0xC100);  // units that differ in the high byte
    guarded::Arena textArena(1 << 12), needleArena(1 << 12);
    std::mt19937 rng(5);
    for (int len = 0; len <= 300; ++len)
        for (int n : {2, 3, 4, 9, 16, 17, 33, 78, 79, 80}) {
            if (n > len + 1) continue;
            std::vector<T> needle(n), base(len);
            for (auto* v : {&needle, &base})
                for (auto& u : *v) u = static_cast<T>(hi + rng() % 3);
            needle[0] = hi + 3, needle[n - 1] = hi + 4;  // unlike every other unit
            for (int k = 0; k < 6 && len >= n; ++k) {
                const int at = static_cast<int>(rng() % (len - n + 1));
                std::copy(needle.begin(), needle.end(), base.begin() + at);
                base[at + (n > 2 ? 1 + rng() % (n - 2) : rng() % 2)] ^= 8;
            }
            if (len >= n - 1) std::copy(needle.begin(), needle.end() - 1, base.end() - (n - 1));
            const T* pn = needleArena.place(std::span<const T>(needle), (len + n) % 16, guarded::Edge::End, T{0});
            for (const auto& plant : std::set<std::vector<int>>{{}, {0}, {len - n}, {len - n - 5}, {7}, {n / 2, len - 2 * n}}) {
                if (std::any_of(plant.begin(), plant.end(), [&](int at) { return at < 0 || at + n > len; })) continue;
                auto text = base;
                for (int at : plant) std::copy(needle.begin(), needle.end(), text.begin() + at);
                const auto want = findRule(text, needle);
                guarded::forEachPlacement(textArena, text, needle[n - 1], [&](T* p, int align, guarded::Edge edge) {
                    ASSERT_EQ(bothWays(fwd, rev, p, len, pn, n), want) << len << "/" << n << " at " << align << "/" << int(edge);
                });
            }
        }
}

// Both directions at every placement of the text in an arena (needle against a page too) agree with the rule.
template <class T>
void expectFindsEverywhere(guarded::Arena& textArena, guarded::Arena& needleArena, const std::vector<T>& text,
                           const std::vector<T>& needle, const std::string& what) {
    const auto fwd = BY_WIDTH(zetsFind), rev = BY_WIDTH(zetsFindRev);
    const auto want = findRule(text, needle);
    const T* pn = needleArena.place(std::span<const T>(needle), int(text.size() % 2), guarded::Edge::End, T{0});
    guarded::forEachPlacement(textArena, text, needle.back(), [&](T* p, int align, guarded::Edge edge) {
        ASSERT_EQ(bothWays(fwd, rev, p, int(text.size()), pn, int(needle.size())), want)
            << what << " len " << text.size() << "/" << needle.size() << " at " << align << "/" << int(edge);
    });
}

// The filter's units sit anywhere in the needle: a rare unit (bytes: not a lower-case letter or blank; 16-bit: outside
// Latin-1) at every kind of place in needles of lower-case letters and blanks, 2..300 units long (the choice looks at
// the first 256), with occurrences and near-misses (one unit changed, the rare one or another) planted around it.
TYPED_TEST(SearchTest, FindFiltersOnTheNeedlesRarestUnits) {
    using T = TypeParam;
    guarded::Arena textArena(1 << 13), needleArena(1 << 12);
    std::mt19937 rng(21);
    const T rare = static_cast<T>(sizeof(T) == 1 ? 'Q' : 0x4E2D);
    for (int round = 0; round < 300; ++round) {
        const int n = round < 100 ? 2 + round % 18 : 2 + int(rng() % 299);
        std::vector<T> needle(n);
        for (auto& u : needle) u = static_cast<T>(rng() % 5 ? 'a' + rng() % 4 : ' ');
        for (int k = 0, rares = round % 3; k < rares; ++k) needle[round % 2 ? rng() % n : n - 1 - rng() % std::min(n, 3)] = rare;
        const int len = n + int(rng() % 600);
        std::vector<T> text(len);
        for (auto& u : text) u = static_cast<T>(rng() % 5 ? 'a' + rng() % 4 : ' ');
        for (int k = 0; k < 4; ++k) {
            const int at = int(rng() % (len - n + 1));
            std::copy(needle.begin(), needle.end(), text.begin() + at);
            if (k < 3) text[at + rng() % n] ^= 1;
        }
        expectFindsEverywhere(textArena, needleArena, text, needle, "round " + std::to_string(round));
    }
}

// While the rarest unit stays rare the passes are tested on it alone, and where it turns out common on both units:
// decoys of that unit without the needle around it, sparse to dense, and one occurrence at every place in turn, so
// that it lies on both sides of wherever the search changes gear.
TYPED_TEST(SearchTest, FindAgreesWithTheRuleWhereTheRareUnitIsCommon) {
    using T = TypeParam;
    const auto fwd = BY_WIDTH(zetsFind), rev = BY_WIDTH(zetsFindRev);
    guarded::Arena textArena(1 << 13);
    std::mt19937 rng(23);
    const T rare = static_cast<T>(sizeof(T) == 1 ? '#' : 0x0416);
    for (int n : {3, 8, 40}) {
        std::vector<T> needle(n);
        for (auto& u : needle) u = static_cast<T>('a' + rng() % 3);
        needle[n / 2] = rare;
        for (int gap : {1, 3, 40, 700}) {
            std::vector<T> base(1500);
            for (auto& u : base) u = static_cast<T>('a' + rng() % 3);
            for (int i = 0; i < 1500; i += 1 + int(rng() % gap)) base[i] = rare;
            for (int at = 0; at + n <= 1500; ++at) {
                auto text = base;
                std::copy(needle.begin(), needle.end(), text.begin() + at);
                const T* p = textArena.place(std::span<const T>(text), at % guarded::kAlignments, guarded::Edge::End, rare);
                ASSERT_EQ(bothWays(fwd, rev, p, 1500, needle.data(), n), findRule(text, needle))
                    << "needle " << n << " gap " << gap << " at " << at;
            }
        }
    }
}

// Long needles of common units in texts over 128 times longer are sampled in windows of n - 7 (bytes) or n - 3 units:
// occurrences on both sides of window borders, at both ends of the text, and none; texts of few letters, so that many
// windows are filtered and some passed over.
TYPED_TEST(SearchTest, FindSampledWindowsAgreeWithTheRule) {
    using T = TypeParam;
    guarded::Arena textArena(1 << 17), needleArena(1 << 12);
    std::mt19937 rng(25);
    for (int n : {64, 80, 81, 100, 160}) {
        const int len = 128 * n + int(rng() % 200), window = n - 8 / int(sizeof(T)) + 1, candidates = len - n + 1;
        std::vector<T> needle(n), base(len);
        for (auto* v : {&needle, &base})
            for (auto& u : *v) u = static_cast<T>(rng() % 6 ? 'a' + rng() % (v == &base ? 6 : 4) : ' ');
        std::set<std::vector<int>> plants{{}, {0}, {candidates - 1}, {window - 1, candidates - window}};
        for (int k : {1, 2, 5, 40}) plants.insert({k * window - 1}), plants.insert({k * window}), plants.insert({k * window + 1});
        for (int k : {1, 2, 5}) plants.insert({candidates - k * window - 1}), plants.insert({candidates - k * window});
        for (const auto& plant : plants) {
            auto text = base;
            for (int at : plant) std::copy(needle.begin(), needle.end(), text.begin() + at);
            expectFindsEverywhere(textArena, needleArena, text, needle, "needle " + std::to_string(n));
        }
    }
}

// Lengths 0..300, then every 37th up to 1100 bytes; the first string at every alignment of the variant's vector width, the
// second at up to three (flush against the page, the first string's, and one that rotates with both), both
// against the page at their end (or start), poisons different: equal, equal but for letter case (the letters' neighbours
// @ [ ` { among the units), or one unit off (low, case or high bit, high byte) where the kernels change gear.
TYPED_TEST(SearchTest, CompareKernelsAgreeWithTheRule) {
    using T = TypeParam;
    constexpr int K = guarded::kAlignments;
    const unsigned flips[] = {0x01, 0x20, sizeof(T) == 1 ? 0x80u : 0x8000u, sizeof(T) == 1 ? 0x7Fu : 0x0100u};
    const auto cmp = BY_WIDTH(zetsCompare), latin = BY_WIDTH(zetsCompareIgnoreCaseLatin), eq = BY_WIDTH(zetsEqual);
    auto flip = [](T* p, int i, unsigned v) { T u; std::memcpy(&u, p + i, sizeof u), u ^= v, std::memcpy(p + i, &u, sizeof u); };
    guarded::Arena arena1(1 << 12), arena2(1 << 12);
    std::mt19937 rng(11);
    for (int len = 0; len * sizeof(T) <= 1100; len += len < 300 ? 1 : 37) {
        std::vector<T> a(len);
        for (auto& u : a) u = static_cast<T>(rng() % 3 ? '@' + rng() % 60 : rng());
        auto swapped = a;  // each letter in the other case
        for (auto& u : swapped) u ^= latinFold(u & ~0x20) != (u & ~0x20) ? 0x20 : 0;
        for (const auto& b : {a, swapped}) {
            std::vector<std::tuple<int, unsigned, std::array<int, 3>>> changes{{0, 0, compareRule(a, b)}};
            for (int p : {0, 9, 17, 40, 63, 95, 130, 200, 257})
                for (int q : {p, len - 1 - p})
                    if (auto c = b; q >= 0 && q < len)
                        c[q] ^= flips[(q + len) % 4], changes.push_back({q, flips[(q + len) % 4], compareRule(a, c)});
            guarded::forEachPlacement(arena1, a, T{0x11}, [&](T* p1, int align1, guarded::Edge edge) {
                const int flush = edge == guarded::Edge::Start ? 0 : (K - len * int(sizeof(T)) % K) % K;
                for (int align2 : std::set{flush, align1, (len * 5 + align1 * 3) % K}) {
                    T* p2 = arena2.place(std::span<const T>(b), align2, edge, T{0x22});
                    for (const auto& [q, bits, want] : changes) {
                        if (bits) flip(p2, q, bits);
                        const std::array got{written(cmp, p1, p2, len), written(latin, p1, p2, len), written(eq, p1, p2, len)};
                        ASSERT_EQ(got, want) << len << " at " << q << " aligns " << align1 << "/" << align2;
                        if (bits) flip(p2, q, bits);
                    }
                }
            });
        }
    }
}

// Lengths at every change of kernel (pieces, masked loads, 2, 4 or 8 blocks, passes), in units.
constexpr int kTierLengths[] = {1, 3, 4, 7, 8, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129, 255, 256, 257, 511, 700};

// Units whose bytes meet the kernels' lanes in every way: every byte, or 16-bit units with equal, mirrored, zero or
// high-bit bytes, and the letters' neighbours moved into the high byte or offset by 0x100.
template <class T>
std::vector<T> edgeUnits() {
    std::vector<T> units;
    for (int u = 0; u < 256; ++u) units.push_back(static_cast<T>(u));
    if constexpr (sizeof(T) == 2)
        for (int u : {0x0140, 0x0141, 0x015A, 0x015B, 0x0160, 0x0161, 0x017A, 0x017B, 0x4100, 0x4141, 0x5A00, 0x8041, 0xC15A,
                      0xFF41, 0xFF00, 0xFFFF, 0x8000, 0x8080, 0x7FFF, 0x5AA5})
            units.push_back(static_cast<T>(u));
    return units;
}

// Every such unit as the key of strings of every tier length made of units that share a byte with it: no hit, a hit
// first, in the middle, last, or in the middle and last.
TYPED_TEST(SearchTest, FindCEveryKeyAtEveryTier) {
    using T = TypeParam;
    const auto fwd = BY_WIDTH(zetsFindC), rev = BY_WIDTH(zetsFindRevC);
    std::mt19937 rng(3);
    for (T key : edgeUnits<T>())
        for (int len : kTierLengths) {
            const auto s = nonMembers(rng, len, std::vector{key});
            for (const std::vector<int>& hits : {std::vector<int>{}, {0}, {len / 2}, {len - 1}, {len / 2, len - 1}}) {
                auto t = s;
                for (int h : hits) t[h] = key;
                const std::pair<int, int> want = hits.empty() ? std::pair(-1, -1) : std::pair(hits.front(), hits.back());
                ASSERT_EQ(bothWays(fwd, rev, t.data(), len, key), want) << "key " << int(key) << " len " << len;
            }
        }
}

// Every pair of such units as the one pair that differs in strings that are equal but for letter case, at the start,
// middle and end of every tier length: the caseless order is that of the folded pair.
TYPED_TEST(SearchTest, CompareIgnoreCaseLatinEveryUnitPairAtEveryTier) {
    using T = TypeParam;
    const auto latin = BY_WIDTH(zetsCompareIgnoreCaseLatin);
    const auto units = edgeUnits<T>();
    std::mt19937 rng(4);
    for (int len : kTierLengths) {
        std::vector<T> a(len), b(len);
        for (int i = 0; i < len; ++i) a[i] = static_cast<T>('a' + rng() % 26 - (rng() % 2 ? 32 : 0)), b[i] = a[i] ^ 0x20;
        for (int p : {0, len / 2, len - 1})
            for (T u : units)
                for (T v : units) {
                    a[p] = u, b[p] = v;
                    ASSERT_EQ(written(latin, a.data(), b.data(), len), latinFold(u) - latinFold(v)) << len << " at " << p << ": " << int(u) << "/" << int(v);
                }
    }
}

// Small alphabets, with or without the zero unit, give every kind of partial and overlapping match; empty needles too.
TYPED_TEST(SearchTest, FindAgreesWithTheRuleOnRandomTexts) {
    using T = TypeParam;
    const auto fwd = BY_WIDTH(zetsFind), rev = BY_WIDTH(zetsFindRev);
    std::mt19937 rng(9);
    for (int round = 0; round < 20000; ++round) {
        const unsigned first = round % 2 ? 'a' : 0, letters = 2 + rng() % 3;
        std::vector<T> text(rng() % 120), needle(rng() % 13);
        for (auto* v : {&text, &needle})
            for (auto& u : *v) u = static_cast<T>(first + rng() % letters);
        text.reserve(1), needle.reserve(1);  // valid pointers for empty strings
        ASSERT_EQ(bothWays(fwd, rev, text.data(), int(text.size()), needle.data(), int(needle.size())), findRule(text, needle));
    }
}

// Per family: null pointers first (whatever the lengths), then lengths, nothing written on failure. The set search asks
// the core library once, after the checks, only for a non-empty string and set that fit the SSE4.2 kernels (5 registers).
TYPED_TEST(SearchTest, ArgumentChecksFeatureQueriesAndZeroTerminatedForms) {
    using T = TypeParam;
    zetcore_double::CoreScope scope;
    const T s[] = {'a', 'b', 'c', 'a', 'b', 'd', 0, 'x', 'y', 0}, bd[] = {'b', 'd', 0, 'd'}, xy[] = {'x', 'y', 0};
    const auto cz = BY_WIDTH(zetsFindC_Z);
    const auto fz = BY_WIDTH(zetsFind_Z);
    int idx = 77;
    for (auto fn : {BY_WIDTH(zetsFindC), BY_WIDTH(zetsFindRevC)})
        EXPECT_EQ(Statuses({fn(nullptr, -1, 1, &idx), fn(s, 3, 1, nullptr), fn(s, -1, 1, &idx)}), Statuses({null, null, bad}));
    for (auto fn : {BY_WIDTH(zetsFindCAny), BY_WIDTH(zetsFindRevCAny)})
        EXPECT_EQ(Statuses({fn(nullptr, -1, s, -1, &idx), fn(s, 3, nullptr, 0, &idx), fn(s, 3, s, 2, nullptr),
                            fn(s, -1, s, 2, &idx), fn(s, 3, s, -1, &idx)}), Statuses({null, null, null, bad, bad}));
    for (auto fn : {BY_WIDTH(zetsFind), BY_WIDTH(zetsFindRev)})
        EXPECT_EQ(Statuses({fn(nullptr, -1, s, 1, &idx), fn(s, 3, nullptr, -1, &idx), fn(s, 3, s, 1, nullptr),
                            fn(s, -1, s, 1, &idx), fn(s, 3, s, -1, &idx)}), Statuses({null, null, null, bad, bad}));
    EXPECT_EQ(Statuses({cz(nullptr, 1, &idx), cz(s, 0, nullptr), fz(nullptr, s, &idx), fz(s, nullptr, &idx), fz(s, s, nullptr)}),
              Statuses(5, null));
    std::vector fns{BY_WIDTH(zetsCompare), BY_WIDTH(zetsCompareIgnoreCaseLatin), BY_WIDTH(zetsEqual)};
    if constexpr (sizeof(T) == 2) fns.push_back(zetsCompareIgnoreCase_16u);
    for (auto fn : fns)
        EXPECT_EQ(Statuses({fn(nullptr, s, 2, &idx), fn(s, nullptr, -1, &idx), fn(s, s, -1, nullptr), fn(s, s, -1, &idx)}),
                  Statuses({null, null, null, bad}));
    EXPECT_EQ(idx, 77);
    EXPECT_EQ(zetcore_double::featureQueries(), 0);
    const int limit = 80 / sizeof(T);
    const std::vector<T> set(limit + 1, 'q');
    for (auto fn : {BY_WIDTH(zetsFindCAny), BY_WIDTH(zetsFindRevCAny)})
        for (auto [len, n, asks] : std::vector<std::array<int, 3>>{{0, 1, 0}, {9, 0, 0}, {9, limit, 1}, {9, limit + 1, 0}}) {
            const int before = zetcore_double::featureQueries();
            EXPECT_EQ(written(fn, s, len, set.data(), n), -1);
            EXPECT_EQ(zetcore_double::featureQueries() - before, asks) << "len " << len << " set " << n;
        }
    const std::vector got{written(cz, s, T{0}), written(cz, s, T{'x'}), written(cz, s, T{'b'}), written(fz, s, bd),
                          written(fz, s, xy), written(fz, s, s + 6), written(fz, s, s)};
    EXPECT_EQ(got, std::vector({6, -1, 1, 4, -1, -1, 0}));
}

// Every byte value as the only member (ten copies of it, past the broadcast kernels) and as the only non-member of the
// set, in texts that hold every value once, 256 bytes and, repeated, 4 KiB long (both kernel families): the byte
// tables have a row and a bit for each value.
TEST(FindCAnyTest8, EveryByteValueInAndOutOfTheSet) {
    std::vector<zet8u> text(4096);
    for (int i = 0; i < 4096; ++i) text[i] = static_cast<zet8u>((i % 256) * 167 + 13);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len : {256, 4096})
            for (int b = 0; b < 256; ++b) {
                const std::vector<zet8u> only(10, static_cast<zet8u>(b));
                std::vector<zet8u> others;
                for (int c = 0; c < 256; ++c)
                    if (c != b) others.push_back(static_cast<zet8u>(c));
                const auto got = [&](const std::vector<zet8u>& set) {
                    return bothWays(zetsFindCAny_8u, zetsFindRevCAny_8u, text.data(), len, set.data(), int(set.size()));
                };
                ASSERT_EQ(got(only), anyRule(std::vector(text.begin(), text.begin() + len), only)) << b << (sse42 ? " sse4.2" : "");
                ASSERT_EQ(got(others), anyRule(std::vector(text.begin(), text.begin() + len), others)) << b;
            }
    });
}

// 16-bit strings and sets on both sides of the general kernel's thresholds; sets of 2048 or more also given twice.
TEST(FindCAnyTest16, GeneralKernelThresholds) {
    std::mt19937 rng(13);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len : {1000, 4095, 4096, 8191, 8192, 16383, 16384, 32767, 32768})
            for (int n : {9, 10, 11, 17, 18, 19, 23, 24, 25, 57, 58, 59, 2048, 2049, 5000}) {
                if ((sse42 && n > 40) || (n > 1000 && len > 4096)) continue;  // the same kernel again
                auto set = randomSet<zet16u>(rng, n);  // larger sets also in reverse, so each member twice
                if (n > 1000) set.resize(2 * n), std::reverse_copy(set.begin(), set.begin() + n, set.begin() + n);
                auto s = nonMembers(rng, len, set);
                for (int hit : {-1, len - 1, len - 1 - len % 8, len / 2, 3}) {
                    if (hit >= 0) s[hit] = hit == len - 1 ? set[n - 1] : hit == 3 ? set[0] : set[rng() % n];
                    const auto got = bothWays(zetsFindCAny_16u, zetsFindRevCAny_16u, s.data(), len, set.data(), int(set.size()));
                    ASSERT_EQ(got, anyRule(s, set)) << "len " << len << " set " << set.size() << (sse42 ? " sse4.2" : "");
                }
            }
    });
}

// Every unit against its lower case (equal) and against the next unit, after a zero unit (data, not an end),
// folded by the library's simple lower-casing: the difference of the lower cases, or of the units after them.
TEST(CompareIgnoreCaseTest, AgreesWithTheLowerCaseConversionOnEveryUnit) {
    std::vector<zet16u> all(65536), lower(65536);
    for (int c = 0; c < 65536; ++c) all[c] = static_cast<zet16u>(c);
    ASSERT_EQ(zetsLowercase_16u(all.data(), lower.data(), 65536), zetStatusOk);
    EXPECT_EQ(written(zetsCompareIgnoreCase_16u, all.data(), lower.data(), 65536), 0);
    for (int c = 0; c + 1 < 65536; ++c) {
        const zet16u a[4] = {'x', 0, all[c], 'y'}, b[4] = {'X', 0, all[c + 1], 'z'};
        const int want = lower[c] != lower[c + 1] ? lower[c] - lower[c + 1] : 'y' - 'z';
        ASSERT_EQ(written(zetsCompareIgnoreCase_16u, a, b, 4), want) << "unit " << c;
    }
}

}  // namespace
