#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/guarded.h"
#include "support/unit_sets.h"
#include "support/zetcore_double.h"
#include "zetch.h"

namespace {

template <class T>
struct Edit;
#define EDIT_FUNCTIONS(T, W)                                                                                     \
    template <>                                                                                                  \
    struct Edit<T> {                                                                                             \
        static constexpr auto insert = zetsInsert_##W; static constexpr auto insertI = zetsInsert_##W##_I;       \
        static constexpr auto remove = zetsRemove_##W; static constexpr auto removeI = zetsRemove_##W##_I;       \
        static constexpr auto concat = zetsConcat_##W; static constexpr auto replace = zetsReplaceC_##W;         \
        static constexpr auto join = zetsConcat_##W##_D2L; static constexpr auto joinC = zetsConcatC_##W##_D2L;  \
        static constexpr auto split = zetsSplitC_##W##_D2L; static constexpr auto trimC = zetsTrimC_##W;         \
        static constexpr auto trimCI = zetsTrimC_##W##_I;                                                        \
        static constexpr decltype(&zetsTrimCAny_##W) trimAny[3] = {zetsTrimCAny_##W, zetsTrimStartCAny_##W,      \
                                                                   zetsTrimEndCAny_##W};                         \
    };
EDIT_FUNCTIONS(zet8u, 8u)
EDIT_FUNCTIONS(zet16u, 16u)

const ZetStatus kOk = zetStatusOk, kNull = zetStatusNullPointer, kLen = zetStatusBadLength, kSize = zetStatusBadSize;

template <class T>
std::vector<T> units(std::string_view s, std::size_t size = 0) {
    std::vector<T> v(s.begin(), s.end());
    v.resize(std::max(v.size(), size), T{'#'});
    v.reserve(v.size() + 1);
    return v;
}

template <class T>
class EditTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(EditTest, Units);

// Every position of every short string: insert (into another buffer, the source buffer itself and
// in place) and concatenate, then remove the inserted units again, against std::vector.
TYPED_TEST(EditTest, InsertRemoveConcatAgreeWithTheModel) {
    using T = TypeParam; using F = Edit<T>;
    const auto ins = units<T>("ABCDEFGHIJKLMNOPQRST");
    auto pad = [](std::vector<T> v) { return v.resize(80, T{'#'}), v; };
    for (int len = 0; len <= 40; ++len) {
        const auto src = units<T>(std::string_view("abcdefghijklmnopqrstuvwxyzabcdefghijklmn", len));
        for (int at = 0; at <= len; ++at) {
            for (int n : {0, 1, 3, 20}) {
                SCOPED_TRACE(testing::Message() << "len " << len << " at " << at << " n " << n);
                auto want = src, cat = std::vector<T>(src.begin(), src.begin() + at), tail = src;
                want.insert(want.begin() + at, ins.begin(), ins.begin() + n);
                cat.insert(cat.end(), ins.begin(), ins.begin() + n);
                tail.insert(tail.end(), want.end() - n, want.end());  // behind a string shortened in place
                auto out = pad({}), same = pad(src), inPlace = same, catOut = out, back = out;
                int k = len;
                F::insert(src.data(), len, ins.data(), n, out.data(), at);
                F::insert(same.data(), len, ins.data(), n, same.data(), at);
                F::insertI(ins.data(), n, inPlace.data(), &k, at);
                F::concat(src.data(), at, ins.data(), n, catOut.data());
                ASSERT_EQ(std::vector({out, same, inPlace, catOut, {T(k)}}),  // inserting nothing writes nothing
                          std::vector({n ? pad(want) : pad({}), pad(want), pad(want), pad(cat), {T(len + n)}}));
                F::remove(want.data(), len + n, back.data(), at, n);
                F::removeI(inPlace.data(), &k, at, n);
                ASSERT_EQ(std::vector({back, inPlace, {T(k)}}), std::vector({pad(src), pad(tail), {T(len)}}));
            }
        }
    }
}

// Checks in argument order, pointers first; a failure writes nothing, not even a length. A
// position plus a length past 32 bits lies outside the string.
TYPED_TEST(EditTest, FailedChecksWriteNothing) {
    using T = TypeParam; using F = Edit<T>;
    zetcore_double::CoreScope scope;
    const auto abcd = units<T>("abcd"), xy = units<T>("XY");
    const T *s = abcd.data(), *x = xy.data(), *list[2] = {s, x};
    auto buf = units<T>("", 8);
    T *d = buf.data(), *slots[2] = {d, d};
    int len = 4, neg = -1, zero = 0, lens[2] = {4, 2};
    std::vector<std::pair<ZetStatus, ZetStatus>> checks = {
        {F::insert(nullptr, -1, x, 2, d, 0), kNull},   {F::insert(s, 4, nullptr, 0, d, 0), kNull},
        {F::insert(s, -1, x, 2, d, 0), kLen},          {F::insert(s, 4, x, -1, d, 0), kLen},
        {F::insert(s, 4, x, 2, d, -1), kLen},          {F::insert(s, 4, x, 2, d, 5), kLen},
        {F::insertI(x, 2, d, nullptr, 0), kNull},      {F::insertI(x, 0, d, &neg, 0), kLen},
        {F::insertI(x, 2, d, &len, 5), kLen},          {F::insertI(x, INT_MAX - 3, d, &len, 0), kLen},
        {F::remove(nullptr, 4, d, 0, 1), kNull},       {F::remove(s, 4, d, 0, -1), kLen},
        {F::remove(s, 4, d, -1, 1), kLen},             {F::remove(s, 3, d, 2, 2), kLen},
        {F::remove(s, 4, d, 2, INT_MAX), kLen},        {F::removeI(d, nullptr, 0, 1), kNull},
        {F::removeI(d, &neg, 0, 0), kLen},             {F::removeI(d, &len, 4, 1), kLen},
        {F::concat(s, 4, nullptr, 0, d), kNull},       {F::concat(s, -1, x, 2, d), kLen},
        {F::concat(s, 4, x, -1, d), kLen},             {F::join(nullptr, lens, 0, d), kNull},
        {F::joinC(list, lens, 2, 0, nullptr), kNull},  {F::join(slots, lens, 0, d), kSize},
        {F::split(nullptr, -1, 0, slots, lens, &len), kNull}, {F::split(s, 4, 0, slots, lens, nullptr), kNull},
        {F::split(s, -1, 0, slots, lens, &zero), kLen},       {F::split(s, 4, 0, slots, lens, &zero), kSize},
        {F::replace(nullptr, d, -1, 'a', 'b'), kNull}, {F::replace(s, d, -1, 'a', 'b'), kLen},
        {F::trimC(nullptr, -1, 'a', d, &len), kNull},  {F::trimC(s, -1, 'a', d, &len), kLen},
        {F::trimCI(d, nullptr, 'a'), kNull},           {F::trimCI(d, &neg, '#'), kLen}};
    for (auto fn : F::trimAny)  // these ask for the processor feature only after their checks
        checks.insert(checks.end(), {{fn(nullptr, -1, x, -1, d, &len), kNull}, {fn(s, 4, nullptr, 0, d, &len), kNull},
                                     {fn(s, -1, x, -1, d, &len), kLen}, {fn(s, 4, x, -1, d, &len), kLen}});
    for (std::size_t i = 0; i < checks.size(); ++i) EXPECT_EQ(checks[i].first, checks[i].second) << "check #" << i;
    EXPECT_EQ(buf, units<T>("", 8));
    EXPECT_EQ(std::vector<int>({len, neg, zero, lens[0], lens[1]}), std::vector<int>({4, -1, 0, 4, 2}));
    EXPECT_EQ(zetcore_double::featureQueries(), 0);
}

// Split: pieces cut to their slots give 27, slots that run out before the text 26 (which wins).
// A bad slot (kNoSlot: null) or join element stops the call; the output before it stays.
TYPED_TEST(EditTest, ListTable) {
    using T = TypeParam; using F = Edit<T>;
    constexpr int kNoSlot = INT_MIN;
    const std::vector<int> four(4, 10);
    const ZetStatus trunc = zetStatusSplitTruncated, incomplete = zetStatusSplitIncomplete;
    const struct { std::string text; std::vector<int> caps; std::vector<std::string> pieces; ZetStatus status; } cases[] = {
        {"a,b,,c", four, {"a", "b", "", "c"}, kOk},     {"a,b,", four, {"a", "b"}, kOk},
        {",a", four, {"", "a"}, kOk},                   {"", {kNoSlot}, {}, kOk},
        {"abc", {3}, {"abc"}, kOk},                     {"abc,d", {2, 0}, {"ab", ""}, trunc},
        {"a,b,c", {10, 10}, {"a", "b"}, incomplete},    {"a,b,", {10, 10}, {"a", "b"}, kOk},
        {"a,b,,", {10, 10}, {"a", "b"}, incomplete},    {"abcdef,g", {3}, {"abc"}, incomplete},
        {"ab,c,d", {4, kNoSlot, 4}, {"ab"}, kNull},     {"ab,c,d", {4, -1, 4}, {"ab"}, kLen},
        {"ab,c", {4, 4, kNoSlot}, {"ab", "c"}, kOk}};
    for (const auto& c : cases) {
        const int slots = static_cast<int>(c.caps.size()), stored = static_cast<int>(c.pieces.size());
        const auto text = units<T>(c.text);
        std::vector<std::vector<T>> bufs(slots, units<T>("", 16)), want = bufs;
        std::vector<T*> dst;
        std::vector<int> caps, wantCaps;
        for (int k = 0; k < slots; ++k) {
            dst.push_back(c.caps[k] == kNoSlot ? nullptr : bufs[k].data());
            caps.push_back(c.caps[k] == kNoSlot ? 10 : c.caps[k]);
            wantCaps.push_back(k < stored ? static_cast<int>(c.pieces[k].size()) : caps[k]);
            if (k < stored) want[k] = units<T>(c.pieces[k], 16);
        }
        int num = slots;
        EXPECT_EQ(F::split(text.data(), static_cast<int>(text.size()), T{','}, dst.data(), caps.data(), &num), c.status);
        EXPECT_EQ(num, c.status < 0 ? slots : stored) << c.text;
        EXPECT_EQ(caps, wantCaps) << c.text;
        EXPECT_EQ(bufs, want) << c.text;
    }
    const auto a = units<T>("a"), bc = units<T>("bc");
    const T *src[3] = {a.data(), a.data(), bc.data()}, *bad[3] = {a.data(), nullptr, bc.data()};
    const int lens[3] = {1, 0, 2}, badLens[3] = {1, -1, 2};
    std::vector<std::vector<T>> d(5, units<T>("", 8));
    const ZetStatus got[5] = {F::joinC(src, lens, 3, T{','}, d[0].data()), F::join(src, lens, 3, d[1].data()),
                              F::joinC(src + 2, lens + 2, 1, T{','}, d[2].data()),
                              F::joinC(bad, lens, 3, T{','}, d[3].data()), F::joinC(src, badLens, 3, T{','}, d[4].data())};
    EXPECT_EQ(std::vector(got, got + 5), std::vector({kOk, kOk, kOk, kNull, kLen}));
    EXPECT_EQ(d, std::vector({units<T>("a,,bc", 8), units<T>("abc", 8), units<T>("bc", 8), units<T>("a", 8), units<T>("a", 8)}));
}

// Split by the rule: the pieces as written to slots of the given capacities, the lengths reported, the slot count
// and the status.
template <class T>
struct Split {
    std::vector<std::vector<T>> pieces;
    std::vector<int> lens;
    int num;
    ZetStatus status;
    bool operator==(const Split&) const = default;
    friend std::ostream& operator<<(std::ostream& o, const Split& s) {
        o << "status " << s.status << ", " << s.num << " slots, lengths";
        for (int n : s.lens) o << " " << n;
        return o;
    }
};
template <class T>
Split<T> splitRule(const std::vector<T>& text, T delim, std::vector<int> caps) {
    Split<T> r{{}, caps, 0, kOk};
    std::size_t pos = 0;
    for (; r.num < int(caps.size()) && pos < text.size(); ++r.num) {
        const std::size_t end = std::find(text.begin() + pos, text.end(), delim) - text.begin();
        const int piece = int(end - pos);
        if (piece <= caps[r.num]) r.lens[r.num] = piece;
        else r.status = zetStatusSplitTruncated;
        r.pieces.emplace_back(text.begin() + pos, text.begin() + pos + r.lens[r.num]);
        pos = end + 1;
    }
    if (pos < text.size()) r.status = zetStatusSplitIncomplete;
    return r;
}

// Lengths 0..300 at every alignment against both unreadable edges, the delimiter as poison: no delimiter, one where
// blocks meet, runs, or many (pieces of every copy size up to 70 units, empty ones too). Slots at odd byte offsets in
// one buffer, each in poison that must survive: exact, cut short (27) or too few (26). Zero is a delimiter in one case
// of four; 16-bit texts hold units that share a byte with the delimiter.
TYPED_TEST(EditTest, SplitSweep) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12);
    std::mt19937 rng(29);
    const char poison = 0x5E;
    for (int len = 0; len <= 300; ++len) {
        const T delim = static_cast<T>(len % 4 == 1 ? 0 : sizeof(T) == 1 ? ',' : 0x2C2C);
        const T near[3] = {T('a'), static_cast<T>(delim ^ 0x2C00), static_cast<T>(delim ^ 1)};
        std::vector<T> base(len);
        for (auto& u : base) u = near[rng() % (sizeof(T) == 1 ? 1 : 3)] + T(rng() % 3);
        std::vector<std::vector<int>> layouts = {{}, {0}, {len - 1}, {15, 16, 31, 32, 63, 64}, {len - 2, len - 1}};
        for (int gap : {1, 3, 17, 70}) {
            std::vector<int> at;
            for (int i = int(rng() % gap); i < len; i += 1 + int(rng() % gap)) at.push_back(i);
            layouts.push_back(at);
        }
        for (const auto& layout : layouts) {
            auto text = base;
            for (int i : layout)
                if (i >= 0 && i < len) text[i] = delim;
            const int pieces = int(std::count(text.begin(), text.end(), delim)) + 1;
            for (int shape = 0; shape < 3; ++shape) {
                std::vector<int> caps(shape == 2 ? std::max(1, pieces - 1) : pieces + 1, 72);
                if (shape == 1) caps[rng() % caps.size()] = int(rng() % 4);
                const auto want = splitRule(text, delim, caps);
                guarded::forEachPlacement(arena, text, delim, [&](T* p, int align, guarded::Edge edge) {
                    std::vector<char> out(caps.size() * 160 + 16, poison);
                    std::vector<T*> dst;
                    for (std::size_t k = 0; k < caps.size(); ++k) dst.push_back(reinterpret_cast<T*>(out.data() + 160 * k + 8 + k % 2));
                    Split<T> got{{}, caps, int(caps.size()), kOk};
                    got.status = Edit<T>::split(p, len, delim, dst.data(), got.lens.data(), &got.num);
                    auto expectOut = std::vector<char>(out.size(), poison);
                    for (int k = 0; k < got.num; ++k) {  // (slots may be misaligned for T: copied as bytes)
                        auto& piece = got.pieces.emplace_back(got.lens[k]);
                        if (!piece.empty()) std::memcpy(piece.data(), dst[k], piece.size() * sizeof(T));
                        if (!want.pieces[k].empty())
                            std::memcpy(expectOut.data() + (reinterpret_cast<char*>(dst[k]) - out.data()),
                                        want.pieces[k].data(), want.pieces[k].size() * sizeof(T));
                    }
                    ASSERT_EQ(got, want) << "len " << len << " pieces " << pieces << " shape " << shape << " at " << align << "/"
                                         << int(edge);
                    ASSERT_EQ(out, expectOut) << "written outside the pieces: len " << len;
                });
            }
        }
    }
}

// Lengths 0..300, all alignments of both buffers; the source against an unreadable page, the
// destination inside poison that must survive. 0x3C11, 0x225A spell the old value across units.
TYPED_TEST(EditTest, ReplaceSweep) {
    using T = TypeParam;
    const T oldVal = T(sizeof(T) == 2 ? 0x5A3C : 0x5A), newVal = T(0x1234), poison = T(0xEEEE);
    const T palette[7] = {oldVal, oldVal, newVal, T(oldVal ^ 1), T(oldVal ^ 1 << (8 * sizeof(T) - 1)), T(0x3C11), T(0x225A)};
    guarded::Arena srcArena(1 << 12), dstArena(1 << 12);
    std::mt19937 rng(11);
    for (int len = 0; len <= 300; ++len) {
        std::vector<T> src(len), want(len + 32, poison);
        for (int i = 0; i < len; ++i) {
            const unsigned r = rng();
            src[i] = r % 8 == 7 ? static_cast<T>(r >> 8) : palette[r % 8];
            want[16 + i] = src[i] == oldVal ? newVal : src[i];
        }
        const std::vector<T> blank(len + 32, poison);  // 16 units of poison on either side
        for (int sa = 0; sa < 16; ++sa) {
            for (auto edge : {guarded::Edge::Start, guarded::Edge::End}) {
                const T* s = srcArena.place(std::span<const T>(src), sa, edge, oldVal);
                for (int da = 0; da < 16; ++da) {
                    T* d = dstArena.place(std::span<const T>(blank), da, edge, poison);
                    Edit<T>::replace(s, d + 16, len, oldVal, newVal);
                    ASSERT_EQ(std::vector<T>(d, d + len + 32), want) << "len " << len << " src " << sa << " dst " << da;
                }
            }
        }
    }
}

// s without its leading (ends 0, 1) and trailing (ends 0, 2) units of the set.
template <class T>
std::vector<T> trimRule(const std::vector<T>& s, const std::vector<T>& set, int ends) {
    std::size_t first = 0, last = s.size();
    while (ends != 2 && first < last && unit_sets::contains(set, s[first])) ++first;
    while (ends != 1 && last > first && unit_sets::contains(set, s[last - 1])) --last;
    return {s.begin() + first, s.begin() + last};
}

// Lengths 0..300, set sizes 1..150, string and set at all alignments against unreadable pages,
// both kernel families. The poison around each is a unit whose reading would change the result.
TYPED_TEST(EditTest, TrimSweep) {
    using T = TypeParam;
    guarded::Arena arena(1 << 12), setArena(1 << 12);
    std::mt19937 rng(21);
    const T marker = static_cast<T>(0xA5A5);
    zetcore_double::forBothKernels([&](bool sse42) {
        for (int len = 0; len <= 300; ++len) {
            const int n = 1 + len % 150, lead = rng() % (len + 1), trail = rng() % (len - lead + 1);
            const auto set = unit_sets::randomSet<T>(rng, n);
            const T edge = unit_sets::nonMembers(rng, 1, set)[0];
            const bool single = rng() % 2;
            auto s = unit_sets::nonMembers(rng, len, set);  // member runs at the ends, a mixed body inside
            for (int i = 0; i < len; ++i)
                if (i < lead || i >= len - trail || rng() % 3 == 0) s[i] = set[single ? 0 : rng() % n];
            if (lead < len - trail) s[lead] = s[len - trail - 1] = edge;
            const auto kept = trimRule(s, {set[0]}, 0);
            auto keptInPlace = s;  // the units behind the kept part keep their old values
            std::copy(kept.begin(), kept.end(), keptInPlace.begin());
            guarded::forEachPlacement(arena, s, unit_sets::nonMembers(rng, 1, set)[0], [&](T* p, int align, guarded::Edge e) {
                SCOPED_TRACE(testing::Message() << "trim: len " << len << " set " << n << " align " << align << " edge "
                                                << int(e) << (sse42 ? " sse4.2" : " general"));
                const T* q = setArena.place(std::span<const T>(set), align * 7 % 16, e, edge);
                const int asked = zetcore_double::featureQueries();
                auto expectInto = [&](auto call, std::vector<T> want) {  // nothing written behind the result
                    std::vector<T> dst(len + 4, marker);
                    int k = -7;
                    ASSERT_EQ(call(dst.data(), &k), kOk);
                    ASSERT_EQ(k, static_cast<int>(want.size()));
                    ASSERT_EQ(dst, (want.resize(len + 4, marker), want));
                };
                for (int ends = 0; ends < 3; ++ends) {
                    expectInto([&](T* d, int* k) { return Edit<T>::trimAny[ends](p, len, q, n, d, k); }, trimRule(s, set, ends));
                    expectInto([&](T* d, int* k) { return Edit<T>::trimAny[ends](p, len, q, 0, d, k); }, s);
                }
                ASSERT_EQ(zetcore_double::featureQueries() - asked, 6) << "asked on every call";
                expectInto([&](T* d, int* k) { return Edit<T>::trimC(p, len, set[0], d, k); }, kept);
                int k = len;
                ASSERT_EQ(Edit<T>::trimCI(p, &k, set[0]), kOk);
                ASSERT_EQ(std::vector({std::vector<T>(p, p + len), {T(k)}}), std::vector({keptInPlace, {T(kept.size())}}));
            });
        }
    });
}

}  // namespace
