#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <random>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

using Bytes = std::vector<zet8u>;
using Units = std::vector<zet16u>;

zet16u swapped(zet16u u) { return static_cast<zet16u>((u >> 8) | (u << 8)); }

// ---- reference conversions, written straight from the rules ----

struct Ref8 {
    Units out;
    int consumed = 0;
};

Ref8 ref8to16(const Bytes& s, std::size_t cap, bool big) {
    Ref8 r;
    std::size_t i = 0;
    while (i < s.size() && r.out.size() < cap) {
        const unsigned b = s[i];
        std::uint32_t v = b;
        std::size_t len = 1;
        int ones = 0;
        while (ones < 8 && (b & (0x80u >> ones))) ++ones;
        const int k = ones - 1;
        if (k >= 1 && k <= 5 && i + k < s.size()) {
            std::uint32_t x = b & ((1u << (6 - k)) - 1);
            bool ok = true;
            for (int j = 1; j <= k; ++j) {
                ok = ok && (s[i + j] & 0xC0) == 0x80;
                x = (x << 6) | (s[i + j] & 0x3F);
            }
            const int need = x <= 0x7F ? 0 : x <= 0x7FF ? 1 : x <= 0xFFFF ? 2 : x <= 0x1FFFFF ? 3 : x <= 0x3FFFFFF ? 4 : 5;
            if (ok && need == k) v = x, len = static_cast<std::size_t>(k) + 1;
        }
        const std::size_t count = v <= 0xFFFF ? 1 : 2;
        const zet16u units[2] = {zet16u(count == 1 ? v : 0xD800 | (((v - 0x10000) >> 10) & 0x3FF)),
                                 zet16u(0xDC00 | (v & 0x3FF))};
        if (r.out.size() + count > cap) break;
        for (std::size_t j = 0; j < count; ++j) r.out.push_back(big ? swapped(units[j]) : units[j]);
        i += len;
    }
    r.consumed = static_cast<int>(i);
    return r;
}

struct Ref16 {
    Bytes out;
    int consumed = 0;
};

Ref16 ref16to8(const Units& s, std::size_t cap, bool big) {
    auto at = [&](std::size_t i) { return big ? swapped(s[i]) : s[i]; };
    Ref16 r;
    std::size_t i = 0;
    while (i < s.size() && r.out.size() < cap) {
        std::uint32_t c = at(i);
        std::size_t len = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && at(i + 1) >= 0xDC00 && at(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c & 0x3FF) << 10) + (at(i + 1) & 0x3FF);
            len = 2;
        }
        const std::size_t count = c <= 0x7F ? 1 : c <= 0x7FF ? 2 : c <= 0xFFFF ? 3 : 4;
        static constexpr zet8u kLead[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
        if (r.out.size() + count > cap) break;
        for (std::size_t j = 0; j < count; ++j) {
            const unsigned bits = c >> (6 * (count - 1 - j));
            r.out.push_back(static_cast<zet8u>(j == 0 ? kLead[count] | bits : 0x80 | (bits & 0x3F)));
        }
        i += len;
    }
    r.consumed = static_cast<int>(i);
    return r;
}

// ---- calls through the library ----

struct Got8 {
    ZetStatus status;
    int consumed, written;
    Units out;
};

// What the destinations hold before a conversion.
constexpr zet16u kPoison16 = 0xBEEF;
constexpr zet8u kPoison8 = 0xEE;

// Converts into a destination of `cap` units (and one more) filled with poison; `out` holds the
// whole destination.
Got8 to16(const Bytes& s, int cap, bool big) {
    Units dst(static_cast<std::size_t>(cap) + 1, kPoison16);
    const zet8u dummy = 0;
    int n = static_cast<int>(s.size()), m = cap;
    const ZetStatus st = zetsConvertUTF_8u16u(s.empty() ? &dummy : s.data(), &n, dst.data(), &m, big);
    return {st, n, m, dst};
}

struct Got16 {
    ZetStatus status;
    int consumed, written;
    Bytes out;
};

Got16 to8(const Units& s, int cap, bool big) {
    Bytes dst(static_cast<std::size_t>(cap) + 1, kPoison8);
    const zet16u dummy = 0;
    int n = static_cast<int>(s.size()), m = cap;
    const ZetStatus st = zetsConvertUTF_16u8u(s.empty() ? &dummy : s.data(), &n, dst.data(), &m, big);
    return {st, n, m, dst};
}

Units head(const Units& v, int n) { return Units(v.begin(), v.begin() + n); }
Bytes head(const Bytes& v, int n) { return Bytes(v.begin(), v.begin() + n); }

// ---- worked examples ----

struct Case8 {
    Bytes in;
    Units out;  // native order
    int consumed;
    int cap = 64;
};

TEST(UtfTest, Utf8ToUtf16Examples) {
    const Case8 cases[] = {
        {{0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}, {0x0041, 0x00E9, 0x20AC, 0xD83D, 0xDE00}, 10},
        {{0xC0, 0x80}, {0x00C0, 0x0080}, 2},              // overlong
        {{0x80}, {0x0080}, 1},                            // stray continuation byte
        {{0xFF}, {0x00FF}, 1},
        {{0xFE, 0x41}, {0x00FE, 0x0041}, 2},
        {{0xED, 0xA0, 0x80}, {0xD800}, 3},                // surrogate value in three bytes
        {{0xE2, 0x82}, {0x00E2, 0x0082}, 2},              // cut off by the end of the source
        {{0xE2, 0x41, 0xAC}, {0x00E2, 0x0041, 0x00AC}, 3},  // bad continuation: judged byte by byte
        {{0xF8, 0x88, 0x80, 0x80, 0x80}, {0xDBC0, 0xDC00}, 5},  // five bytes, 0x200000
        {{0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}, {0xDBBF, 0xDFFF}, 6},  // six bytes, 0x7FFFFFFF, high bits dropped
        {{0xFC, 0x83, 0xBF, 0xBF, 0xBF, 0xBF}, {0xFC, 0x83, 0xBF, 0xBF, 0xBF, 0xBF}, 6},  // 0x3FFFFFF in six: overlong
        {{0xF4, 0x90, 0x80, 0x80}, {0xD800, 0xDC00}, 4},  // 0x110000: bits above the pair dropped
        {{0xF0, 0x9F, 0x98, 0x80}, {}, 0, 1},             // a pair does not fit into one unit
        {{0x41, 0xF0, 0x9F, 0x98, 0x80}, {0x41}, 1, 2},   // nor into the one left after 'A'
        {{0x41, 0x42}, {}, 0, 0},                         // no room at all
        {{}, {}, 0, 8},
    };
    for (const auto& c : cases)
        for (bool big : {false, true}) {
            const Got8 g = to16(c.in, c.cap, big);
            Units want = c.out;
            if (big)
                for (auto& u : want) u = swapped(u);
            EXPECT_EQ(g.status, zetStatusOk);
            EXPECT_EQ(g.consumed, c.consumed) << "input size " << c.in.size() << " big " << big;
            EXPECT_EQ(head(g.out, g.written), want) << "input size " << c.in.size() << " big " << big;
        }
    // The byte-swapped form of the first example, unit by unit.
    const Got8 g = to16(cases[0].in, 8, true);
    EXPECT_EQ(head(g.out, g.written), (Units{0x4100, 0xE900, 0xAC20, 0x3DD8, 0x00DE}));
}

struct Case16 {
    Units in;
    Bytes out;
    int consumed;
    int cap = 64;
};

TEST(UtfTest, Utf16ToUtf8Examples) {
    const Case16 cases[] = {
        {{0xD83D, 0xDE00}, {0xF0, 0x9F, 0x98, 0x80}, 2},
        {{0xDE00}, {0xED, 0xB8, 0x80}, 1},                            // lone low surrogate
        {{0xD83D, 0x0041}, {0xED, 0xA0, 0xBD, 0x41}, 2},              // high not followed by a low
        {{0x0041, 0xD83D}, {0x41, 0xED, 0xA0, 0xBD}, 2},              // high as the last unit
        {{0xD83D, 0xD83D, 0xDE00}, {0xED, 0xA0, 0xBD, 0xF0, 0x9F, 0x98, 0x80}, 3},
        {{0x0000, 0x007F, 0x0080, 0x07FF, 0x0800, 0xFFFF},
         {0x00, 0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}, 6},
        {{0x20AC}, {}, 0, 2},                                         // three bytes into two
        {{0x41, 0xD83D, 0xDE00}, {0x41}, 1, 4},                       // four bytes into three
        {{0x41}, {}, 0, 0},
        {{}, {}, 0, 8},
    };
    for (const auto& c : cases)
        for (bool big : {false, true}) {
            Units in = c.in;
            if (big)
                for (auto& u : in) u = swapped(u);
            const Got16 g = to8(in, c.cap, big);
            EXPECT_EQ(g.status, zetStatusOk);
            EXPECT_EQ(g.consumed, c.consumed) << "input size " << c.in.size() << " big " << big;
            EXPECT_EQ(head(g.out, g.written), c.out) << "input size " << c.in.size() << " big " << big;
        }
}

TEST(UtfTest, ArgumentChecks) {
    zet8u b[4] = {0x41, 0x42, 0x43, 0x44};
    zet16u u[4] = {0x41, 0x42, 0x43, 0x44};
    int n = 4, m = 4;
    EXPECT_EQ(zetsConvertUTF_8u16u(nullptr, &n, u, &m, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_8u16u(b, nullptr, u, &m, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, nullptr, &m, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, u, nullptr, 0), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_16u8u(nullptr, &n, b, &m, 1), zetStatusNullPointer);
    EXPECT_EQ(zetsConvertUTF_16u8u(u, &n, b, nullptr, 1), zetStatusNullPointer);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(m, 4);
    // Null wins over a negative length; a negative length is rejected before anything is written.
    n = -1;
    EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, nullptr, &m, 0), zetStatusNullPointer);
    for (auto [sn, dm] : {std::pair{-1, 4}, {4, -1}, {0, -5}, {-3, 0}}) {
        n = sn, m = dm;
        EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, u, &m, 0), zetStatusBadLength);
        EXPECT_EQ(zetsConvertUTF_16u8u(u, &n, b, &m, 0), zetStatusBadLength);
        EXPECT_EQ(n, sn);
        EXPECT_EQ(m, dm);
    }
    EXPECT_EQ(b[0], 0x41);
    EXPECT_EQ(u[0], 0x41);
    // Empty source: both lengths 0 whatever the capacity; no room: both 0.
    n = 0, m = 4;
    EXPECT_EQ(zetsConvertUTF_16u8u(u, &n, b, &m, 0), zetStatusOk);
    EXPECT_EQ(m, 0);
    n = 4, m = 0;
    EXPECT_EQ(zetsConvertUTF_8u16u(b, &n, u, &m, 0), zetStatusOk);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(m, 0);
}

// ---- randomized differential ----

// UTF-8 k + 1 byte form of v (k = 0..5), overlong when v is small for k.
void encodeUtf8(Bytes& out, std::uint32_t v, int k) {
    if (k == 0) return out.push_back(static_cast<zet8u>(v));
    out.push_back(static_cast<zet8u>(((0xFF00u >> (k + 1)) & 0xFF) | (v >> (6 * k))));
    for (int j = k - 1; j >= 0; --j) out.push_back(static_cast<zet8u>(0x80 | ((v >> (6 * j)) & 0x3F)));
}

// Random UTF-8 with every kind of piece: ASCII runs long enough for the vector paths, the well-formed
// forms of every length, surrogate values, overlong and cut sequences, bad continuations, stray bytes.
Bytes randomUtf8(std::mt19937& rng, std::size_t size) {
    static constexpr std::uint32_t kLo[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    static constexpr std::uint32_t kHi[6] = {0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFFF, 0x7FFFFFFF};
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng); };
    // Mostly ASCII, mostly two-byte, mostly three-byte, or anything.
    const int style = static_cast<int>(rng() % 4);
    Bytes s;
    while (s.size() < size) {
        int kind = static_cast<int>(rng() % 16);
        if (style == 0 && kind >= 6 && rng() % 4) kind = 0;
        if (style == 1 && kind >= 4 && rng() % 4) kind = 2;
        if (style == 2 && kind != 4 && rng() % 4) kind = 4;
        switch (kind) {
            case 0: case 1:
                for (std::uint32_t n = pick(1, 40); n--;) s.push_back(static_cast<zet8u>(pick(0, 0x7F)));
                break;
            case 2: case 3: encodeUtf8(s, pick(0x80, 0x7FF), 1); break;
            case 4: encodeUtf8(s, pick(0x800, 0xFFFF), 2); break;
            case 5: encodeUtf8(s, pick(0xD800, 0xDFFF), 2); break;
            case 6: encodeUtf8(s, pick(0x10000, 0x10FFFF), 3); break;
            case 7: {
                const int k = static_cast<int>(pick(3, 5));
                encodeUtf8(s, pick(kLo[k], kHi[k]), k);
                break;
            }
            case 8: {  // overlong
                const int k = static_cast<int>(pick(1, 5));
                encodeUtf8(s, pick(0, kLo[k] - 1), k);
                break;
            }
            case 9: {  // cut short
                const int k = static_cast<int>(pick(1, 5));
                Bytes t;
                encodeUtf8(t, pick(kLo[k], kHi[k]), k);
                t.resize(pick(1, static_cast<std::uint32_t>(k)));
                s.insert(s.end(), t.begin(), t.end());
                break;
            }
            case 10: {  // a continuation byte replaced
                const int k = static_cast<int>(pick(1, 5));
                Bytes t;
                encodeUtf8(t, pick(kLo[k], kHi[k]), k);
                t[pick(1, static_cast<std::uint32_t>(k))] = static_cast<zet8u>(rng() % 2 ? pick(0, 0x7F) : pick(0xC0, 0xFF));
                s.insert(s.end(), t.begin(), t.end());
                break;
            }
            case 11: s.push_back(static_cast<zet8u>(pick(0x80, 0xBF))); break;
            case 12: s.push_back(static_cast<zet8u>(pick(0xFE, 0xFF))); break;
            default: s.push_back(static_cast<zet8u>(pick(0, 0xFF))); break;
        }
    }
    s.resize(size);
    return s;
}

// Random code units: ASCII runs, two- and three-byte values, pairs and lone surrogates.
Units randomUtf16(std::mt19937& rng, std::size_t size) {
    auto pick = [&](unsigned lo, unsigned hi) { return static_cast<zet16u>(std::uniform_int_distribution<unsigned>(lo, hi)(rng)); };
    // Mostly ASCII, mostly below 0x800, mostly three-byte units, or anything.
    const unsigned style = rng() % 4;
    Units s;
    while (s.size() < size) {
        unsigned kind = rng() % 8;
        if (style < 3 && rng() % 4) kind = style == 0 ? 0 : style == 1 ? 2 : 3;
        switch (kind) {
            case 0: case 1:
                for (int n = pick(1, 40); n--;) s.push_back(pick(0, 0x7F));
                break;
            case 2: s.push_back(pick(0x80, 0x7FF)); break;
            case 3: s.push_back(rng() % 2 ? pick(0x800, 0xD7FF) : pick(0xE000, 0xFFFF)); break;
            case 4: s.push_back(pick(0xD800, 0xDBFF)), s.push_back(pick(0xDC00, 0xDFFF)); break;
            case 5: s.push_back(pick(0xD800, 0xDFFF)); break;
            default: s.push_back(pick(0, 0xFFFF)); break;
        }
    }
    s.resize(size);
    return s;
}

// Every capacity from 0 to one past what the whole source needs: each stopping point, and the
// destination after the written units must be untouched.
TEST(UtfTest, Utf8ToUtf16AgreesWithTheRulesAtEveryCapacity) {
    std::mt19937 rng(11);
    for (int iter = 0; iter < 300; ++iter) {
        const Bytes s = randomUtf8(rng, rng() % 90);
        const bool big = iter % 2;
        const std::size_t full = ref8to16(s, SIZE_MAX, big).out.size();
        for (std::size_t cap = 0; cap <= full + 1; ++cap) {
            const Ref8 want = ref8to16(s, cap, big);
            const Got8 g = to16(s, static_cast<int>(cap), big);
            ASSERT_EQ(g.status, zetStatusOk);
            ASSERT_EQ(g.consumed, want.consumed) << "iter " << iter << " cap " << cap;
            ASSERT_EQ(head(g.out, g.written), want.out) << "iter " << iter << " cap " << cap;
            for (std::size_t j = static_cast<std::size_t>(g.written); j < g.out.size(); ++j)
                ASSERT_EQ(g.out[j], kPoison16) << "iter " << iter << " cap " << cap << " unit " << j;
        }
    }
}

TEST(UtfTest, Utf16ToUtf8AgreesWithTheRulesAtEveryCapacity) {
    std::mt19937 rng(12);
    for (int iter = 0; iter < 300; ++iter) {
        const Units s = randomUtf16(rng, rng() % 70);
        const bool big = iter % 2;
        const std::size_t full = ref16to8(s, SIZE_MAX, big).out.size();
        for (std::size_t cap = 0; cap <= full + 1; ++cap) {
            const Ref16 want = ref16to8(s, cap, big);
            const Got16 g = to8(s, static_cast<int>(cap), big);
            ASSERT_EQ(g.status, zetStatusOk);
            ASSERT_EQ(g.consumed, want.consumed) << "iter " << iter << " cap " << cap;
            ASSERT_EQ(head(g.out, g.written), want.out) << "iter " << iter << " cap " << cap;
            for (std::size_t j = static_cast<std::size_t>(g.written); j < g.out.size(); ++j)
                ASSERT_EQ(g.out[j], kPoison8) << "iter " << iter << " cap " << cap << " byte " << j;
        }
    }
}

// Feeding the rest of the source again and again with small random room gives exactly the
// one-call result: a stop never splits a character.
TEST(UtfTest, ResumingWithSmallDestinationsGivesTheWholeResult) {
    std::mt19937 rng(13);
    for (int iter = 0; iter < 200; ++iter) {
        const bool big = iter % 2;
        const Bytes s8 = randomUtf8(rng, 300 + rng() % 300);
        Units got;
        for (std::size_t pos = 0, room = 1; pos < s8.size();) {
            Units buf(room);
            int n = static_cast<int>(s8.size() - pos), m = static_cast<int>(room);
            ASSERT_EQ(zetsConvertUTF_8u16u(s8.data() + pos, &n, buf.data(), &m, big), zetStatusOk);
            got.insert(got.end(), buf.begin(), buf.begin() + m);
            pos += static_cast<std::size_t>(n);
            room = n == 0 ? room + 1 : 1 + rng() % 24;
        }
        ASSERT_EQ(got, ref8to16(s8, SIZE_MAX, big).out) << "iter " << iter;

        const Units s16 = randomUtf16(rng, 200 + rng() % 200);
        Bytes got8;
        for (std::size_t pos = 0, room = 1; pos < s16.size();) {
            Bytes buf(room);
            int n = static_cast<int>(s16.size() - pos), m = static_cast<int>(room);
            ASSERT_EQ(zetsConvertUTF_16u8u(s16.data() + pos, &n, buf.data(), &m, big), zetStatusOk);
            got8.insert(got8.end(), buf.begin(), buf.begin() + m);
            pos += static_cast<std::size_t>(n);
            room = n == 0 ? room + 1 : 1 + rng() % 40;
        }
        ASSERT_EQ(got8, ref16to8(s16, SIZE_MAX, big).out) << "iter " << iter;
    }
}

// Uniform text of the kinds that the vector blocks take whole (ASCII, two-byte, three-byte, and
// mixtures, with four-byte characters too), with one byte or unit replaced at every position by every kind of value, so that a
// block sees each flaw at each of its places; every conversion starts at 0..3 units in.
TEST(UtfTest, OneFlawAnywhereInUniformText) {
    const std::vector<std::vector<std::uint32_t>> texts = {
        std::vector<std::uint32_t>(40, 0x4E2D),
        std::vector<std::uint32_t>(40, 0x00E9),
        {0x41, 0xE9, 0x42, 0x43, 0x4E2D, 0x44, 0x3B1, 0x3B2, 0x20, 0xFFFD, 0x2C, 0x100, 0x45, 0x46, 0x47, 0x48,
         0x41, 0xE9, 0x42, 0x43, 0x4E2D, 0x44, 0x3B1, 0x3B2, 0x20, 0xFFFD, 0x2C, 0x100, 0x45, 0x46, 0x47, 0x48},
        std::vector<std::uint32_t>(40, 0x61),
        {0x61, 0x1F600, 0x62, 0x20, 0x1F389, 0xE9, 0x1F600, 0x1F600, 0x63, 0x64, 0x10000, 0x10FFFF, 0x65, 0x4E2D,
         0x61, 0x1F600, 0x62, 0x20, 0x1F389, 0xE9, 0x1F600, 0x1F600, 0x63, 0x64, 0x10000, 0x10FFFF, 0x65, 0x4E2D},
    };
    const zet8u badBytes[] = {0x41, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
    const zet16u badUnits[] = {0x41, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
    for (const auto& text : texts) {
        Units s16;
        for (auto c : text) {
            if (c > 0xFFFF) s16.push_back(static_cast<zet16u>(0xD7C0 + (c >> 10))), c = 0xDC00 | (c & 0x3FF);
            s16.push_back(static_cast<zet16u>(c));
        }
        const Bytes s8 = ref16to8(s16, SIZE_MAX, false).out;
        for (int from = 0; from < 4; ++from)
            for (bool big : {false, true}) {
                for (std::size_t p = from; p < s8.size(); ++p)
                    for (zet8u bad : badBytes) {
                        Bytes t(s8.begin() + from, s8.end());
                        t[p - from] = bad;
                        const Ref8 want = ref8to16(t, SIZE_MAX, big);
                        const Got8 g = to16(t, static_cast<int>(want.out.size()), big);
                        ASSERT_EQ(g.consumed, want.consumed) << "position " << p << " byte " << int(bad);
                        ASSERT_EQ(head(g.out, g.written), want.out) << "position " << p << " byte " << int(bad);
                    }
                for (std::size_t p = from; p < s16.size(); ++p)
                    for (zet16u bad : badUnits) {
                        Units t(s16.begin() + from, s16.end());
                        t[p - from] = bad;
                        if (big)
                            for (auto& u : t) u = swapped(u);
                        const Ref16 want = ref16to8(t, SIZE_MAX, big);
                        const Got16 g = to8(t, static_cast<int>(want.out.size()), big);
                        ASSERT_EQ(g.consumed, want.consumed) << "position " << p << " unit " << bad;
                        ASSERT_EQ(head(g.out, g.written), want.out) << "position " << p << " unit " << bad;
                    }
            }
    }
}

TEST(UtfTest, RoundTripOfAnyCodeUnits) {
    std::mt19937 rng(14);
    for (int iter = 0; iter < 400; ++iter) {
        const bool big = iter % 2;
        Units s(rng() % 200);
        for (auto& u : s) u = static_cast<zet16u>(rng() % 3 ? rng() : 0xD800 + rng() % 0x800);
        const Got16 a = to8(s, static_cast<int>(3 * s.size()), big);
        ASSERT_EQ(a.consumed, static_cast<int>(s.size()));
        const Got8 b = to16(head(a.out, a.written), static_cast<int>(s.size()), big);
        ASSERT_EQ(b.consumed, a.written);
        ASSERT_EQ(head(b.out, b.written), s) << "iter " << iter;
    }
}

// ---- guarded sweeps of the vector runs ----

// ASCII strings of every length 0..100 with at most one non-ASCII character, at every place where
// a block boundary can fall, against both unreadable edges and all 16 alignments; the destination
// ends at an unreadable page and takes the next alignment each time (odd addresses included). Room
// is exact or one unit short, so the stop falls inside the vector runs too.
TEST(UtfTest, VectorRunsStayInsideTheirBuffers) {
    guarded::Arena srcArena(1 << 13), dstArena(1 << 13);
    std::mt19937 rng(15);
    for (int len = 0; len <= 100; ++len) {
        std::vector<int> spots{-1};
        for (int p : {0, 7, 8, 15, 16, 31, 32})
            for (int q : {p, len - 1 - p})
                if (q >= 0 && q < len) spots.push_back(q);
        for (int spot : spots) {
            Units s16(static_cast<std::size_t>(len));
            for (auto& u : s16) u = static_cast<zet16u>(0x20 + rng() % 0x5F);
            if (spot >= 0) s16[spot] = static_cast<zet16u>(rng() % 2 ? 0x00E9 : 0x4E2D);
            for (bool big : {false, true}) {
                Units in16 = s16;
                if (big)
                    for (auto& u : in16) u = swapped(u);
                const Bytes s8 = ref16to8(in16, SIZE_MAX, big).out;
                const Units want16 = ref8to16(s8, SIZE_MAX, big).out;
                for (int shortBy : {0, 1}) {
                    const int cap8 = std::max(0, static_cast<int>(s8.size()) - shortBy);
                    const int cap16 = std::max(0, static_cast<int>(want16.size()) - shortBy);
                    const Ref16 r8 = ref16to8(in16, static_cast<std::size_t>(cap8), big);
                    const Ref8 r16 = ref8to16(s8, static_cast<std::size_t>(cap16), big);
                    const Bytes poison8(static_cast<std::size_t>(cap8), kPoison8);
                    const Units poison16(static_cast<std::size_t>(cap16), kPoison16);
                    Units got(static_cast<std::size_t>(cap16));
                    guarded::forEachPlacement(srcArena, in16, zet16u{0x41}, [&](zet16u* p, int align, guarded::Edge) {
                        zet8u* d = dstArena.place(std::span<const zet8u>(poison8), (align * 5 + 3) % 16,
                                                  guarded::Edge::End, kPoison8);
                        int n = len, m = cap8;
                        ASSERT_EQ(zetsConvertUTF_16u8u(p, &n, d, &m, big), zetStatusOk);
                        ASSERT_EQ(n, r8.consumed) << "len " << len << " spot " << spot << " align " << align;
                        ASSERT_TRUE(std::equal(d, d + m, r8.out.begin(), r8.out.end()))
                            << "len " << len << " spot " << spot << " align " << align;
                        ASSERT_EQ(std::count(d + m, d + cap8, kPoison8), cap8 - m);
                    });
                    guarded::forEachPlacement(srcArena, s8, zet8u{0x41}, [&](zet8u* p, int align, guarded::Edge) {
                        zet16u* d = dstArena.place(std::span<const zet16u>(poison16), (align * 5 + 3) % 16,
                                                   guarded::Edge::End, kPoison16);
                        int n = static_cast<int>(s8.size()), m = cap16;
                        ASSERT_EQ(zetsConvertUTF_8u16u(p, &n, d, &m, big), zetStatusOk);
                        ASSERT_EQ(n, r16.consumed) << "len " << len << " spot " << spot << " align " << align;
                        if (cap16) std::memcpy(got.data(), d, got.size() * 2);  // d may be odd
                        ASSERT_TRUE(std::equal(got.begin(), got.begin() + m, r16.out.begin(), r16.out.end()))
                            << "len " << len << " spot " << spot << " align " << align;
                        ASSERT_EQ(std::count(got.begin() + m, got.end(), kPoison16), cap16 - m);
                    });
                }
            }
        }
    }
}

}  // namespace
