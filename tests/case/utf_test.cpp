#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

using Bytes = std::vector<zet8u>;
using Units = std::vector<zet16u>;
template <class D>
using Result = std::pair<int, std::vector<D>>;  // units consumed, units written

zet16u swapped(zet16u u) { return static_cast<zet16u>(u >> 8 | u << 8); }

// The units as they lie in memory in the byte order `big` (bytes stay as they are).
template <class T>
std::vector<T> order(std::vector<T> v, bool big) {
    if (sizeof(T) == 2 && big)
        for (auto& u : v) u = static_cast<T>(swapped(u));
    return v;
}

// Reference conversions written from the rules: character by character until the source ends or
// the next character's units do not fit into `cap`.
Result<zet16u> ref(const Bytes& s, std::size_t cap, bool big) {
    Result<zet16u> r;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned b = s[i];
        const int k = std::countl_one(static_cast<zet8u>(b)) - 1;  // continuation bytes expected
        std::uint32_t v = b;
        std::size_t len = 1;
        if (k >= 1 && k <= 5 && i + k < s.size()) {
            std::uint32_t x = b & (0x3Fu >> k);
            bool ok = true;
            for (int j = 1; j <= k; ++j) ok = ok && (s[i + j] & 0xC0) == 0x80, x = x << 6 | (s[i + j] & 0x3F);
            const int need = x <= 0x7F ? 0 : x <= 0x7FF ? 1 : x <= 0xFFFF ? 2 : x <= 0x1FFFFF ? 3 : x <= 0x3FFFFFF ? 4 : 5;
            if (ok && need == k) v = x, len = static_cast<std::size_t>(k) + 1;
        }
        const Units units = v <= 0xFFFF ? Units{static_cast<zet16u>(v)}
                                        : Units{static_cast<zet16u>(0xD800 | ((v - 0x10000) >> 10 & 0x3FF)),
                                                static_cast<zet16u>(0xDC00 | (v & 0x3FF))};
        if (r.second.size() + units.size() > cap) break;
        for (zet16u u : units) r.second.push_back(big ? swapped(u) : u);
        r.first = static_cast<int>(i += len);
    }
    return r;
}

Result<zet8u> ref(const Units& s, std::size_t cap, bool big) {
    auto at = [&](std::size_t i) -> std::uint32_t { return big ? swapped(s[i]) : s[i]; };
    Result<zet8u> r;
    for (std::size_t i = 0; i < s.size();) {
        std::uint32_t c = at(i);
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && at(i + 1) >= 0xDC00 && at(i + 1) <= 0xDFFF;
        if (pair) c = 0x10000 + ((c & 0x3FF) << 10) + (at(i + 1) & 0x3FF);
        const std::size_t count = c <= 0x7F ? 1 : c <= 0x7FF ? 2 : c <= 0xFFFF ? 3 : 4;
        static constexpr zet8u kLead[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
        if (r.second.size() + count > cap) break;
        for (std::size_t j = 0; j < count; ++j) {
            const unsigned bits = c >> 6 * (count - 1 - j);
            r.second.push_back(static_cast<zet8u>(j == 0 ? kLead[count] | bits : 0x80 | (bits & 0x3F)));
        }
        r.first = static_cast<int>(i += pair ? 2 : 1);
    }
    return r;
}

// Random UTF-8 from pieces: ASCII runs long enough for the vector blocks, the well-formed forms of
// every length (surrogate values among the three-byte ones), and now and then one of them overlong
// (often by the least), cut short or with a continuation byte replaced, or a stray byte. A string
// favours ASCII, two-byte or three-byte characters, or none.
Bytes randomUtf8(std::mt19937& rng, std::size_t size) {
    static constexpr std::uint32_t kLo[7] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000, 0x80000000};
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng); };
    const std::uint32_t favourite = pick(0, 3);
    Bytes s;
    while (s.size() < size) {
        const bool plain = favourite < 3 && rng() % 4;
        const std::uint32_t k = plain ? favourite : pick(0, 5), flaw = plain ? 9 : pick(0, 6);
        if (k == 0) {
            for (std::uint32_t n = pick(1, 40); n--;) s.push_back(static_cast<zet8u>(pick(0, 0x7F)));
            continue;
        }
        std::uint32_t v = k == 2 && rng() % 8 == 0 ? pick(0xD800, 0xDFFF) : pick(kLo[k], k == 3 ? 0x10FFFF : kLo[k + 1] - 1);
        if (flaw == 0) v = rng() % 2 ? kLo[k] - 1 : pick(0, kLo[k] - 1);
        Bytes t{static_cast<zet8u>((0xFF00u >> (k + 1) & 0xFF) | v >> 6 * k)};  // the k + 1 byte form of v
        for (int j = static_cast<int>(k) - 1; j >= 0; --j) t.push_back(static_cast<zet8u>(0x80 | (v >> 6 * j & 0x3F)));
        if (flaw == 1) t.resize(pick(1, k));
        if (flaw == 2) t[pick(1, k)] = static_cast<zet8u>(rng() % 2 ? pick(0, 0x7F) : pick(0xC0, 0xFF));
        if (flaw == 3) t = {static_cast<zet8u>(rng() % 2 ? pick(0x80, 0xBF) : pick(0xF8, 0xFF))};
        s.insert(s.end(), t.begin(), t.end());
    }
    s.resize(size);
    return s;
}

ZetStatus convert(const zet8u* s, int* n, zet16u* d, int* m, bool big) { return zetsConvertUTF_8u16u(s, n, d, m, big); }
ZetStatus convert(const zet16u* s, int* n, zet8u* d, int* m, bool big) { return zetsConvertUTF_16u8u(s, n, d, m, big); }

template <class S>
using Other = std::conditional_t<sizeof(S) == 1, zet16u, zet8u>;  // the units of the other side
template <class D>
constexpr D kPoison = static_cast<D>(0xEEEE);

// The library's conversion of s into `cap` units of room (and one more) filled with poison: only
// the units reported as written may change.
template <class S>
Result<Other<S>> run(const std::vector<S>& s, std::size_t cap, bool big) {
    std::vector<Other<S>> dst(cap + 1, kPoison<Other<S>>);
    const S none = 0;
    int n = static_cast<int>(s.size()), m = static_cast<int>(cap);
    EXPECT_EQ(convert(s.empty() ? &none : s.data(), &n, dst.data(), &m, big), zetStatusOk);
    if (m < 0 || m > static_cast<int>(cap)) return {n, {}};
    EXPECT_EQ(std::count(dst.begin() + m, dst.end(), kPoison<Other<S>>), static_cast<long>(cap) + 1 - m) << "past " << m;
    dst.resize(static_cast<std::size_t>(m));
    return {n, dst};
}

TEST(UtfTest, Examples) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "byte-swapped" : "native order");
        auto ex = [&](const auto& in, const auto& out, int consumed, std::size_t cap = 64) {
            EXPECT_EQ(run(order(in, big), cap, big), std::pair(consumed, order(out, big))) << ::testing::PrintToString(in);
        };
        ex(Bytes{0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}, Units{0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00}, 10);
        ex(Bytes{0xC0, 0x80, 0x80, 0xFF, 0x41}, Units{0xC0, 0x80, 0x80, 0xFF, 0x41}, 5);  // overlong, stray, 0xFF
        ex(Bytes{0xFE, 0x83, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}, Units{0xFE, 0x83, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}, 7);
        // Overlong by the least in three, four and five bytes.
        ex(Bytes{0xE0, 0x9F, 0xBF, 0xF0, 0x8F, 0xBF, 0xBF, 0xF8, 0x87, 0xBF, 0xBF, 0xBF},
           Units{0xE0, 0x9F, 0xBF, 0xF0, 0x8F, 0xBF, 0xBF, 0xF8, 0x87, 0xBF, 0xBF, 0xBF}, 12);
        ex(Bytes{0xED, 0xA0, 0x80}, Units{0xD800}, 3);  // a surrogate value in three bytes
        ex(Bytes{0xE2, 0x41, 0xAC, 0xE2, 0x82}, Units{0xE2, 0x41, 0xAC, 0xE2, 0x82}, 5);  // bad and cut off: byte by byte
        ex(Bytes{0xF8, 0x88, 0x80, 0x80, 0x80}, Units{0xDBC0, 0xDC00}, 5);  // five bytes, 0x200000
        ex(Bytes{0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}, Units{0xDBBF, 0xDFFF}, 6);  // 0x7FFFFFFF: high bits dropped
        ex(Bytes{0x41, 0xF0, 0x9F, 0x98, 0x80}, Units{0x41}, 1, 2);  // a pair does not fit into one unit
        ex(Bytes{0x41, 0x42}, Units{}, 0, 0);
        ex(Bytes{}, Units{}, 0, 8);
        ex(Units{0xD83D, 0xDE00, 0xDE00}, Bytes{0xF0, 0x9F, 0x98, 0x80, 0xED, 0xB8, 0x80}, 3);  // a pair, a lone low one
        ex(Units{0xD83D, 0xD83D, 0xDE00, 0xD83D}, Bytes{0xED, 0xA0, 0xBD, 0xF0, 0x9F, 0x98, 0x80, 0xED, 0xA0, 0xBD}, 4);
        ex(Units{0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}, Bytes{0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}, 5);
        ex(Units{0x41, 0x20AC}, Bytes{0x41}, 1, 3);  // three bytes into two
        ex(Units{0x41, 0xD83D, 0xDE00}, Bytes{0x41}, 1, 4);  // four bytes into three
        ex(Units{}, Bytes{}, 0, 8);
    }
    EXPECT_EQ(run(Bytes{0xE2, 0x82, 0xAC, 0x41}, 8, true), Result<zet16u>(4, {0xAC20, 0x4100})) << "high byte first";
}

TEST(UtfTest, ArgumentChecks) {
    zet8u b[4] = {0x41, 0x42, 0x43, 0x44};
    zet16u u[4] = {0x41, 0x42, 0x43, 0x44};
    int n = 4, m = 4;
    EXPECT_EQ(zetsConvertUTF_8u16u(nullptr, &n, u, &m, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_8u16u(b, nullptr, u, &m, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_16u8u(u, &n, nullptr, &m, 1), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_16u8u(u, &n, b, nullptr, 1), zetStatusNullPointer);
    n = -1;
    EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, nullptr, &m, 0), zetStatusNullPointer) << "null before a bad length";
    for (auto [sn, dm] : {std::pair{-1, 4}, {4, -1}}) {
        n = sn, m = dm;
        EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, u, &m, 0), zetStatusBadLength);
        EXPECT_EQ(zetsConvertUTF_16u8u(u, &n, b, &m, 0), zetStatusBadLength);
        EXPECT_TRUE(n == sn && m == dm && b[0] == 0x41 && u[0] == 0x41) << "changed on failure";
    }
}

// Random text in both directions against the reference: at every capacity from 0 to one past what
// the whole source needs, and fed again and again with the rest of the source and little room
// (a stop never splits a character).
TEST(UtfTest, AgreesWithTheRulesAtEveryStop) {
    std::mt19937 rng(11);
    auto check = [&](const auto& s, bool big) {
        const auto whole = ref(s, SIZE_MAX, big);
        for (std::size_t cap = 0; cap <= whole.second.size() + 1; ++cap) ASSERT_EQ(run(s, cap, big), ref(s, cap, big)) << cap;
        decltype(whole.second) got;
        for (std::size_t pos = 0, room = 1; pos < s.size();) {
            const auto part = run(std::decay_t<decltype(s)>(s.begin() + pos, s.end()), room, big);
            got.insert(got.end(), part.second.begin(), part.second.end());
            pos += static_cast<std::size_t>(part.first);
            room = part.first == 0 ? room + 1 : 1 + rng() % 32;
        }
        ASSERT_EQ(got, whole.second) << "resumed";
    };
    for (int iter = 0; iter < 400; ++iter) {
        SCOPED_TRACE(iter);
        const Bytes s = randomUtf8(rng, rng() % 200);
        check(s, iter % 2);
        check(ref(s, SIZE_MAX, iter % 2).second, iter % 2);
    }
}

// Uniform text of the kinds that the vector blocks take whole (ASCII, two-byte, three-byte, a
// mixture, and one with pairs), with one byte or unit replaced at every position by each telling
// value, so that a block meets each flaw at each of its places; conversions start 0..3 units in.
TEST(UtfTest, OneFlawAnywhereInUniformText) {
    auto everyFlaw = [](const auto& text, const auto& flaws) {
        for (std::size_t from = 0; from < 4; ++from)
            for (std::size_t p = from; p < text.size(); ++p)
                for (auto flaw : flaws)
                    for (bool big : {false, true}) {
                        auto t = text;
                        t[p] = flaw;
                        t = order(std::decay_t<decltype(text)>(t.begin() + from, t.end()), big);
                        const auto want = ref(t, SIZE_MAX, big);
                        ASSERT_EQ(run(t, want.second.size(), big), want) << "at " << p << ": " << +flaw;
                    }
    };
    for (const Units& unit : {Units(20, 0x61), Units(20, 0xE9), Units(20, 0x4E2D),
                              Units{0x41, 0xE9, 0x42, 0x43, 0x4E2D, 0x44, 0x3B1, 0x3B2, 0x20, 0xFFFD, 0x2C, 0x100, 0x45, 0x46},
                              Units{0x61, 0xD83D, 0xDE00, 0x62, 0x20, 0xD83C, 0xDF89, 0xE9, 0xD83D, 0xDE00, 0x65, 0x4E2D}}) {
        Units s16(unit);
        s16.insert(s16.end(), unit.begin(), unit.end());
        everyFlaw(ref(s16, SIZE_MAX, false).second,
                  Bytes{0x41, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF});
        everyFlaw(s16, Units{0x41, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF});
    }
}

TEST(UtfTest, RoundTripOfAnyUnits) {
    std::mt19937 rng(14);
    for (int iter = 0; iter < 400; ++iter) {
        Units s(rng() % 200);
        for (auto& u : s) u = static_cast<zet16u>(rng() % 3 ? rng() : 0xD800 + rng() % 0x800);
        const Result<zet8u> a = run(s, 3 * s.size(), iter % 2);
        ASSERT_EQ(a.first, static_cast<int>(s.size()));
        ASSERT_EQ(run(a.second, s.size(), iter % 2), Result<zet16u>(static_cast<int>(a.second.size()), s));
    }
}

// Text of one kind (ASCII, two-byte or three-byte units) of every length 0..100 with at most one
// character of another kind, at every place where a block boundary can fall; the source at every
// alignment against both unreadable edges, into exact room or one unit less that ends at an
// unreadable page, at an alignment that changes with the source's (odd addresses included).
TEST(UtfTest, VectorBlocksStayInsideTheirBuffers) {
    guarded::Arena srcArena(1 << 13), dstArena(1 << 13);
    auto sweep = [&](const auto& s, bool big) {
        using S = typename std::decay_t<decltype(s)>::value_type;
        using D = Other<S>;
        const std::size_t full = ref(s, SIZE_MAX, big).second.size();
        for (std::size_t cap : {full, full - (full > 0)}) {
            const Result<D> want = ref(s, cap, big);
            std::vector<D> after = want.second, room(cap, kPoison<D>);
            after.resize(cap, kPoison<D>);
            guarded::forEachPlacement(srcArena, s, S{0x41}, [&](S* p, int align, guarded::Edge edge) {
                D* d = dstArena.place(std::span<const D>(room), (align * 5 + 3) % 16, guarded::Edge::End, kPoison<D>);
                int n = static_cast<int>(s.size()), m = static_cast<int>(cap);
                ASSERT_EQ(convert(p, &n, d, &m, big), zetStatusOk);
                ASSERT_TRUE(n == want.first && m == static_cast<int>(want.second.size()) &&
                            dstArena.holds(d, after, static_cast<char>(kPoison<D>)))
                    << s.size() << " units at " << align << (edge == guarded::Edge::End ? " before" : " after")
                    << " a page, room " << cap;
            });
        }
    };
    std::mt19937 rng(15);
    const unsigned kinds[][2] = {{0x20, 0x5F}, {0x80, 0x780}, {0x800, 0xD000}};
    for (int len = 0; len <= 100; ++len) {
        std::vector<int> spots{-1};
        for (int p : {0, 7, 8, 15, 16, 31, 32})
            for (int q : {p, len - 1 - p})
                if (q >= 0 && q < len) spots.push_back(q);
        for (int spot : spots)
            for (bool big : {false, true}) {
                Units s16(static_cast<std::size_t>(len));
                for (auto& u : s16) u = static_cast<zet16u>(kinds[len % 3][0] + rng() % kinds[len % 3][1]);
                if (spot >= 0) s16[spot] = static_cast<zet16u>(rng() % 2 ? (len % 3 ? 0x41 : 0xE9) : 0x4E2D);
                s16 = order(s16, big);
                sweep(s16, big);
                sweep(ref(s16, SIZE_MAX, big).second, big);
            }
    }
}

}  // namespace
