// The UTF conversions by their scalar rules alone, without the vector blocks: the same arguments,
// checks and results as zetsConvertUTF_8u16u and zetsConvertUTF_16u8u. The library's own code
// does not call them; the tests compare the vector path against them. Not exported.
#pragma once

#include "core/common.h"

namespace zet {

ZetStatus ownConvertUtf8To16Scalar(const zet8u* pSrc, zet32s* pSrcLen, zet16u* pDst, zet32s* pDstLen, zet32s bigEndian);
ZetStatus ownConvertUtf16To8Scalar(const zet16u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, zet32s bigEndian);

}  // namespace zet
