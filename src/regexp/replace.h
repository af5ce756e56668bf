// The parsed replacement template: the RegExpReplaceState block and its items.
//
// The block is three 32-bit words followed by the items, 12 + 12 * (template length) bytes, and
// must be aligned for 32-bit integers. Every word is 32 bits wide on every build, so literal items
// cannot hold the address of their bytes: they hold the offset of their first byte from the start
// of the template, and the header keeps the template's address itself, split into two 32-bit
// halves in its first and third words (the item array always begins right after the header, so
// its address needs no word of its own). A null template is stored as address 0 with no items.
#pragma once

#include <cstdint>

#include "core/common.h"

namespace zet::rx {

enum RegExpReplaceCode : zet32u {
    RegExpReplaceLiteral = 0x10000001,  // arg: length in bytes (>= 1); offset: first byte's offset in the template
    RegExpReplaceGroup = 0x10000002,    // arg: group number (0 for $&); offset: 0, unused
};

struct RegExpReplaceItem {
    zet32u code;
    zet32s arg;
    zet32u offset;
};
static_assert(sizeof(RegExpReplaceItem) == 12);

}  // namespace zet::rx

// The block header (the public header declares it opaque).
struct RegExpReplaceState {
    zet32u templateLow;   // low half of the template's address
    zet32s itemCount;     // number of items after the header
    zet32u templateHigh;  // high half of the template's address
};
static_assert(sizeof(RegExpReplaceState) == 12);

namespace zet::rx {

inline const RegExpReplaceItem* ownRegExpReplaceItems(const RegExpReplaceState* s) {
    return reinterpret_cast<const RegExpReplaceItem*>(s + 1);
}
inline RegExpReplaceItem* ownRegExpReplaceItems(RegExpReplaceState* s) { return reinterpret_cast<RegExpReplaceItem*>(s + 1); }

// The template's address as the header keeps it.
inline const zet8u* ownRegExpReplaceTemplate(const RegExpReplaceState* s) {
    const std::uint64_t address = (static_cast<std::uint64_t>(s->templateHigh) << 32) | s->templateLow;
    return reinterpret_cast<const zet8u*>(static_cast<std::uintptr_t>(address));
}

}  // namespace zet::rx
