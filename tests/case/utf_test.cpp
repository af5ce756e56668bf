#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "case/utf.h"
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
    for (auto& u : v) u = sizeof(T) == 2 && big ? static_cast<T>(swapped(u)) : u;
    return v;
}

// The least value of each UTF-8 form of k + 1 bytes (and one past the six-byte forms).
constexpr std::uint32_t kLeast[7] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000, 0x80000000};

// Appends the k + 1 byte form of v, overlong when v is below kLeast[k].
void form(Bytes& t, std::uint32_t v, int k) {
    t.push_back(static_cast<zet8u>(k ? (0xFF00u >> (k + 1) & 0xFF) | v >> 6 * k : v));
    for (int j = k - 1; j >= 0; --j) t.push_back(static_cast<zet8u>(0x80 | (v >> 6 * j & 0x3F)));
}

// Reference conversions written from the rules: character by character until the source ends or
// the next character's units do not fit into `cap`.
Result<zet16u> ref(const Bytes& s, std::size_t cap, bool big) {
    Result<zet16u> r;
    for (std::size_t i = 0; i < s.size();) {
        const int k = std::countl_one(s[i]) - 1;  // continuation bytes expected
        std::uint32_t v = s[i], len = 1;
        if (k >= 1 && k <= 5 && i + k < s.size()) {
            std::uint32_t x = s[i] & (0x3Fu >> k);
            bool ok = true;
            for (int j = 1; j <= k; ++j) ok = ok && (s[i + j] & 0xC0) == 0x80, x = x << 6 | (s[i + j] & 0x3F);
            if (ok && x >= kLeast[k]) v = x, len = k + 1;
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
        const int k = c <= 0x7F ? 0 : c <= 0x7FF ? 1 : c <= 0xFFFF ? 2 : 3;
        if (r.second.size() + k + 1 > cap) break;
        form(r.second, c, k);
        r.first = static_cast<int>(i += pair ? 2 : 1);
    }
    return r;
}

// Random UTF-8: ASCII runs long enough for the vector blocks, well-formed forms of every length
// (surrogate values among the three-byte ones), now and then one overlong (often by the least), cut
// short or with a bad continuation byte, or a stray byte; favouring one of the shorter forms or none.
Bytes randomUtf8(std::mt19937& rng, std::size_t size) {
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
        std::uint32_t v = k == 2 && rng() % 8 == 0 ? pick(0xD800, 0xDFFF) : pick(kLeast[k], k == 3 ? 0x10FFFF : kLeast[k + 1] - 1);
        if (flaw == 0) v = rng() % 2 ? kLeast[k] - 1 : pick(0, kLeast[k] - 1);
        const std::size_t at = s.size();
        form(s, v, static_cast<int>(k));
        if (flaw == 1) s.resize(at + pick(1, k));
        if (flaw == 2) s[at + pick(1, k)] = static_cast<zet8u>(rng() % 2 ? pick(0, 0x7F) : pick(0xC0, 0xFF));
        if (flaw == 3) s.resize(at + 1), s[at] = static_cast<zet8u>(rng() % 2 ? pick(0x80, 0xBF) : pick(0xF8, 0xFF));
    }
    s.resize(size);
    return s;
}

// Random text in runs of characters of one length after another, the lengths drawn with weights
// chosen per string (some strings are all of one kind), and, at a rate chosen per string (never, now
// and then, often), a flaw in between. The runs are what vector blocks take; the flaws are what they
// must leave to the rules, at any place relative to the blocks.
//
// UTF-8 runs hold one- to four-byte characters, three-byte ones with their edge values (the 0xE0
// leads, surrogate values) and four-byte ones up to U+10FFFF; the flaws are an overlong form (often
// by the least), a four-byte value past U+10FFFF, a five- or six-byte form, a sequence cut short,
// a continuation byte replaced by another byte, a stray continuation byte, 0xFE or 0xFF.
Bytes runsUtf8(std::mt19937& rng, std::size_t size) {
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng); };
    const std::uint32_t weight[4] = {pick(0, 3), pick(0, 3), pick(0, 3), pick(1, 3)};
    const std::uint32_t flawEvery = std::array{0u, 300u, 30u, 4u}[pick(0, 3)];
    Bytes s;
    while (s.size() < size) {
        if (flawEvery && rng() % flawEvery == 0) {
            const std::uint32_t k = pick(1, 3), at = static_cast<std::uint32_t>(s.size());
            switch (pick(0, 6)) {
                case 0: form(s, rng() % 2 ? kLeast[k] - 1 : pick(0, kLeast[k] - 1), static_cast<int>(k)); break;
                case 1: form(s, pick(0x110000, 0x1FFFFF), 3); break;
                case 2: form(s, pick(kLeast[4], 0x7FFFFFFF), static_cast<int>(pick(4, 5))); break;
                case 3: form(s, pick(kLeast[k], kLeast[k + 1] - 1), static_cast<int>(k)), s.resize(at + pick(1, k)); break;
                case 4:
                    form(s, pick(kLeast[k], std::min(kLeast[k + 1] - 1, 0x10FFFFu)), static_cast<int>(k));
                    s[at + pick(1, k)] = static_cast<zet8u>(rng() % 2 ? pick(0, 0x7F) : pick(0xC0, 0xFF));
                    break;
                default: s.push_back(static_cast<zet8u>(rng() % 4 ? pick(0x80, 0xBF) : pick(0xFE, 0xFF))); break;
            }
            continue;
        }
        std::uint32_t k = 0, r = pick(1, weight[0] + weight[1] + weight[2] + weight[3]);
        while (r > weight[k]) r -= weight[k++];
        for (std::uint32_t n = pick(1, 24); n--;) {
            std::uint32_t v = pick(kLeast[k], k == 3 ? 0x10FFFF : kLeast[k + 1] - 1);
            if (k == 2 && rng() % 8 == 0) v = rng() % 2 ? pick(0x800, 0xFFF) : pick(0xD800, 0xDFFF);
            form(s, v, static_cast<int>(k));
        }
    }
    s.resize(size);
    return s;
}

// The same for UTF-16: runs of units of one, two and three UTF-8 bytes and of surrogate pairs;
// the flaws are a high or a low surrogate on its own and a pair in the wrong order.
Units runsUtf16(std::mt19937& rng, std::size_t size) {
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return static_cast<zet16u>(std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng)); };
    const std::uint32_t weight[4] = {pick(0, 3), pick(0, 3), pick(0, 3), pick(1, 3)};
    const std::uint32_t flawEvery = std::array{0u, 300u, 30u, 4u}[pick(0, 3)];
    Units s;
    while (s.size() < size) {
        if (flawEvery && rng() % flawEvery == 0) {
            switch (pick(0, 2)) {
                case 0: s.push_back(pick(0xD800, 0xDBFF)); break;
                case 1: s.push_back(pick(0xDC00, 0xDFFF)); break;
                default: s.insert(s.end(), {pick(0xDC00, 0xDFFF), pick(0xD800, 0xDBFF)}); break;
            }
            continue;
        }
        std::uint32_t k = 0, r = pick(1, weight[0] + weight[1] + weight[2] + weight[3]);
        while (r > weight[k]) r -= weight[k++];
        for (std::uint32_t n = pick(1, 24); n--;) {
            if (k == 3) s.insert(s.end(), {pick(0xD800, 0xDBFF), pick(0xDC00, 0xDFFF)});
            else s.push_back(k == 2 ? (rng() % 2 ? pick(0x800, 0xD7FF) : pick(0xE000, 0xFFFF)) : pick(kLeast[k], kLeast[k + 1] - 1));
        }
    }
    s.resize(size);
    return s;
}

// The library's conversions, or the scalar rules alone without the vector blocks.
enum class Path { Library, ScalarRules };

ZetStatus convert(const zet8u* s, int* n, zet16u* d, int* m, bool big, Path path = Path::Library) {
    return (path == Path::Library ? zetsConvertUTF_8u16u : zet::ownConvertUtf8To16Scalar)(s, n, d, m, big);
}
ZetStatus convert(const zet16u* s, int* n, zet8u* d, int* m, bool big, Path path = Path::Library) {
    return (path == Path::Library ? zetsConvertUTF_16u8u : zet::ownConvertUtf16To8Scalar)(s, n, d, m, big);
}

template <class S>
using Other = std::conditional_t<sizeof(S) == 1, zet16u, zet8u>;  // the units of the other side
template <class D>
constexpr D kPoison = static_cast<D>(0xEEEE);

// The library's conversion of s into `cap` units of room, followed by 64 more, all filled with
// poison: only the units reported as written may change.
template <class S>
Result<Other<S>> run(const std::vector<S>& s, std::size_t cap, bool big, Path path = Path::Library) {
    std::vector<Other<S>> dst(cap + 64, kPoison<Other<S>>);
    const S none = 0;
    int n = static_cast<int>(s.size()), m = static_cast<int>(cap);
    EXPECT_EQ(convert(s.empty() ? &none : s.data(), &n, dst.data(), &m, big, path), zetStatusOk);
    if (m < 0 || m > static_cast<int>(cap)) return {n, {}};
    EXPECT_EQ(std::count(dst.begin() + m, dst.end(), kPoison<Other<S>>), static_cast<long>(cap) + 64 - m) << "past " << m;
    dst.resize(static_cast<std::size_t>(m));
    return {n, dst};
}

TEST(UtfTest, Examples) {
    // Byte by byte: overlong (by the least in two to six bytes), stray, 0xFF, 0xFE, bad continuation, cut off.
    const Bytes raw{0xC0, 0x80, 0xC1, 0xBF, 0x80, 0xFF, 0xFE, 0x83, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xE0, 0x9F, 0xBF, 0xF0, 0x8F, 0xBF,
                    0xBF, 0xF8, 0x87, 0xBF, 0xBF, 0xBF, 0xFC, 0x83, 0xBF, 0xBF, 0xBF, 0xBF, 0xE2, 0x41, 0xAC, 0xE2, 0x82};
    auto ex = [](const auto& in, const auto& out) { EXPECT_EQ(run(in, 64, false), std::pair(static_cast<int>(in.size()), out)); };
    ex(Bytes{0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}, Units{0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00});
    ex(raw, Units(raw.begin(), raw.end()));
    ex(Bytes{0xED, 0xA0, 0x80, 0xF8, 0x88, 0x80, 0x80, 0x80, 0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF},  // a surrogate value,
       Units{0xD800, 0xDBC0, 0xDC00, 0xDBBF, 0xDFFF});  // 0x200000 in five bytes, 0x7FFFFFFF in six with its high bits dropped
    ex(Units{0xD83D, 0xDE00, 0xDE00, 0xD83D, 0xD83D, 0xDE00, 0xD83D},  // a pair, lone halves
       Bytes{0xF0, 0x9F, 0x98, 0x80, 0xED, 0xB8, 0x80, 0xED, 0xA0, 0xBD, 0xF0, 0x9F, 0x98, 0x80, 0xED, 0xA0, 0xBD});
    ex(Units{0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}, Bytes{0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF});
    EXPECT_EQ(run(Bytes{0x41, 0xF0, 0x9F, 0x98, 0x80}, 2, false), Result<zet16u>(1, {0x41})) << "a pair into one unit";
    EXPECT_EQ(run(Bytes{0xE2, 0x82, 0xAC, 0x41}, 8, true), Result<zet16u>(4, {0xAC20, 0x4100})) << "high byte first";
}

TEST(UtfTest, ArgumentChecks) {
    zet8u b[4] = {0x41};
    zet16u u[4] = {0x41};
    const ZetStatus null = zetStatusNullPointer, bad = zetStatusBadLength;
    // Which of source, its length, destination, its length is null (bits 0..3); the two lengths.
    for (auto [nulls, sn, dm, want] : {std::tuple{1, 4, 4, null}, {2, 4, 4, null}, {4, 4, 4, null}, {8, 4, 4, null},
                                       {4, -1, 4, null}, {0, -1, 4, bad}, {0, 4, -1, bad}}) {
        int n = sn, m = dm;
        auto call = [&, k = nulls](auto* s, auto* d) {
            return convert(k & 1 ? nullptr : s, k & 2 ? nullptr : &n, k & 4 ? nullptr : d, k & 8 ? nullptr : &m, true);
        };
        EXPECT_TRUE(call(b, u) == want && call(u, b) == want) << nulls << " " << sn << " " << dm;
        EXPECT_TRUE(n == sn && m == dm && b[0] == 0x41 && u[0] == 0x41) << "changed on failure";
    }
}

// Random text both ways against the reference at every capacity up to one past the whole need, and
// resumed again and again with the rest of the source and little room (a stop never splits a character).
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

// The library and the scalar rules alone give the same units and counts, and neither writes past
// what it reports, for text of runs that vector blocks take with flaws among them at every rate,
// into every capacity from 0 to the whole need and into ample room, in both byte orders.
TEST(UtfTest, VectorBlocksAgreeWithTheScalarRulesAlone) {
    std::mt19937 rng(16);
    auto agree = [](const auto& s, bool big) {
        const std::size_t full = run(s, 3 * s.size(), big, Path::ScalarRules).second.size();
        for (std::size_t cap = 0; cap <= full + 1; ++cap)
            ASSERT_EQ(run(s, cap, big), run(s, cap, big, Path::ScalarRules)) << "room " << cap << " of " << full;
        ASSERT_EQ(run(s, 3 * s.size() + 40, big), run(s, 3 * s.size() + 40, big, Path::ScalarRules)) << "ample room";
    };
    for (int iter = 0; iter < 300; ++iter) {
        SCOPED_TRACE(iter);
        const std::size_t size = rng() % 4 ? rng() % 400 : rng() % 40;
        agree(runsUtf8(rng, size), iter % 2);
        agree(order(runsUtf16(rng, size), iter % 2), iter % 2);
    }
}

// Any 16-bit units, lone surrogates included, come back unchanged from UTF-8.
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

// Text that the vector blocks take whole (ASCII, two-byte, three-byte, mixed, with pairs), one byte
// or unit replaced at every position by each telling value; conversions start 0..3 units in.
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

// Text of one kind (ASCII, two-byte or three-byte units, surrogate pairs; two of them for each length
// 0..100) with at most one unit of another kind where a block boundary can fall; the source at every
// alignment at both unreadable edges, into exact room or one unit less ending at an unreadable page,
// and into ample room (where blocks may store ahead of what they have converted).
TEST(UtfTest, VectorBlocksStayInsideTheirBuffers) {
    guarded::Arena srcArena(1 << 13), dstArena(1 << 13);
    auto sweep = [&]<class S>(const std::vector<S>& s, bool big) {
        using D = Other<S>;
        const std::size_t full = ref(s, SIZE_MAX, big).second.size();
        for (std::size_t cap : {full, full - (full > 0), 3 * s.size() + 40}) {
            const Result<D> want = ref(s, cap, big);
            const std::vector<D> room(cap, kPoison<D>);
            guarded::forEachPlacement(srcArena, s, S{0x41}, [&](S* p, int align, guarded::Edge edge) {
                D* d = dstArena.place(std::span<const D>(room), (align * 5 + 3) % 16, guarded::Edge::End, kPoison<D>);
                int n = static_cast<int>(s.size()), m = static_cast<int>(cap);
                ASSERT_TRUE(convert(p, &n, d, &m, big) == zetStatusOk && n == want.first &&
                            m == static_cast<int>(want.second.size()) && dstArena.holds(d, want.second, static_cast<char>(kPoison<D>)))
                    << s.size() << " units at " << align << ", edge " << static_cast<int>(edge) << ", room " << cap;
            });
        }
    };
    std::mt19937 rng(15);
    auto unit = [&](int kind, int j) {
        const unsigned base[] = {0x20, 0x80, 0x800, j % 2 ? 0xDC00u : 0xD800u}, range[] = {0x5F, 0x780, 0xD000, 0x400};
        return static_cast<zet16u>(base[kind] + rng() % range[kind]);
    };
    for (int len = 0; len <= 100; ++len)
        for (int spot : {-1, 0, 7, 8, 15, 16, 31, 32, len - 1, len - 8, len - 9, len - 16, len - 17, len - 32, len - 33})
            for (bool big : {false, true}) {
                if (spot < -1 || spot >= len) continue;
                const int kind = (len + 2 * big) % 4;
                Units s16(static_cast<std::size_t>(len));
                for (int j = 0; j < len; ++j) s16[j] = unit(kind, j);
                if (spot >= 0) s16[spot] = unit((kind + 1 + rng() % 3) % 4, spot);
                s16 = order(s16, big);
                sweep(s16, big);
                sweep(ref(s16, SIZE_MAX, big).second, big);
            }
}

}  // namespace
