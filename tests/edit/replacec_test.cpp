#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/guarded.h"
#include "zetch.h"

namespace {

ZetStatus replaceC(const zet8u* s, zet8u* d, int n, zet8u o, zet8u v) { return zetsReplaceC_8u(s, d, n, o, v); }
ZetStatus replaceC(const zet16u* s, zet16u* d, int n, zet16u o, zet16u v) { return zetsReplaceC_16u(s, d, n, o, v); }

template <class T>
std::vector<T> unitsAt(const T* p, int n) {
    std::vector<T> v(n);
    if (n > 0) std::memcpy(v.data(), p, n * sizeof(T));
    return v;
}

// Whether the bytes the arena filled with poison around a placed string (those inside the arena:
// up to 64 on either side, fewer where the string lies against an edge) still hold it.
template <class T>
bool poisonIntact(const T* p, int n, int align, guarded::Edge edge, T poison) {
    const char* s = reinterpret_cast<const char*>(p);
    const long bytes = n * static_cast<long>(sizeof(T));
    const long before = edge == guarded::Edge::Start ? align : 64;
    const long after = edge == guarded::Edge::End ? (16 - (reinterpret_cast<std::uintptr_t>(s + bytes) & 15)) & 15 : 64;
    const char* unit = reinterpret_cast<const char*>(&poison);
    for (long j = before > 0 ? -before : bytes; j < bytes + after; j = j == -1 ? bytes : j + 1)
        if (s[j] != unit[(j + 64) % static_cast<long>(sizeof(T))]) return false;
    return true;
}

template <class T>
class ReplaceCTest : public ::testing::Test {};
using Units = ::testing::Types<zet8u, zet16u>;
TYPED_TEST_SUITE(ReplaceCTest, Units);

// Every length 0..300, every alignment of source and destination, both buffers against an
// unreadable page at their end and at their start; the destination's surroundings must keep their
// poison. The text mixes the old value, the new value, units sharing a byte with the old value,
// and (for 16-bit) pairs that would spell the old value across a unit boundary if lanes were out
// of step with the units.
TYPED_TEST(ReplaceCTest, KernelAgreesWithTheRuleAtEveryLengthAndAlignment) {
    using T = TypeParam;
    const bool wide = sizeof(T) == 2;
    const T oldVal = wide ? 0x5A3C : 0x5A, newVal = wide ? 0x1234 : 0x12, dstPoison = wide ? 0xEEEE : 0xEE;
    guarded::Arena srcArena(1 << 12), dstArena(1 << 12);
    std::mt19937 rng(11);
    for (int len = 0; len <= 300; ++len) {
        std::vector<T> src(len);
        for (int i = 0; i < len; ++i) {
            switch (rng() % 6) {
                case 0: case 1: src[i] = oldVal; break;
                case 2: src[i] = newVal; break;
                case 3: src[i] = static_cast<T>(oldVal ^ (T{1} << (rng() % (8 * sizeof(T))))); break;
                case 4: src[i] = wide ? static_cast<T>(i % 2 ? 0x3C00 | (rng() & 0xFF) : 0x005A | (rng() & 0xFF00)) : 0x3C; break;
                default: do src[i] = static_cast<T>(rng()); while (src[i] == dstPoison);
            }
        }
        std::vector<T> want = src;
        for (auto& u : want) u = u == oldVal ? newVal : u;
        const std::vector<T> blank(len, dstPoison);
        for (auto edge : {guarded::Edge::Start, guarded::Edge::End}) {
            for (int sa = 0; sa < 16; ++sa) {
                const T* s = srcArena.place(std::span<const T>(src), sa, edge, oldVal);
                for (int da = 0; da < 16; ++da) {
                    T* d = dstArena.place(std::span<const T>(blank), da, edge, dstPoison);
                    ASSERT_EQ(replaceC(s, d, len, oldVal, newVal), zetStatusOk);
                    ASSERT_EQ(unitsAt(d, len), want) << "len " << len << " src " << sa << " dst " << da;
                    ASSERT_TRUE(poisonIntact(d, len, da, edge, dstPoison)) << "len " << len << " dst " << da;
                }
                // In place: the same buffer is source and destination.
                T* p = srcArena.place(std::span<const T>(src), sa, edge, oldVal);
                ASSERT_EQ(replaceC(p, p, len, oldVal, newVal), zetStatusOk);
                ASSERT_EQ(unitsAt(p, len), want) << "in place, len " << len << " align " << sa;
                ASSERT_TRUE(poisonIntact(p, len, sa, edge, oldVal)) << "in place, len " << len;
            }
        }
    }
}

TYPED_TEST(ReplaceCTest, ChecksComeFirstAndWriteNothing) {
    using T = TypeParam;
    const T src[3] = {'a', ' ', 'b'};
    T dst[3] = {9, 9, 9};
    EXPECT_EQ(replaceC(nullptr, dst, -1, T{' '}, T{'_'}), zetStatusNullPointer) << "null wins over bad length";
    EXPECT_EQ(replaceC(src, nullptr, 3, T{' '}, T{'_'}), zetStatusNullPointer);
    EXPECT_EQ(replaceC(src, dst, -1, T{' '}, T{'_'}), zetStatusBadLength);
    EXPECT_EQ(replaceC(src, dst, 0, T{' '}, T{'_'}), zetStatusOk);
    EXPECT_EQ(unitsAt(dst, 3), std::vector<T>(3, 9));
    EXPECT_EQ(replaceC(src, dst, 3, T{' '}, T{'_'}), zetStatusOk);
    EXPECT_EQ(unitsAt(dst, 3), (std::vector<T>{'a', '_', 'b'}));
    std::vector<T> text(100);
    for (int i = 0; i < 100; ++i) text[i] = static_cast<T>(i % 3 ? 'x' : 'y');
    std::vector<T> out(100);
    EXPECT_EQ(replaceC(text.data(), out.data(), 100, T{'x'}, T{'x'}), zetStatusOk);
    EXPECT_EQ(out, text) << "replacing a value by itself copies";
}

}  // namespace
