/*
 * zetch: string primitives over caller-owned 8-bit and 16-bit strings.
 *
 * Every function except zetchGetLibVersion, zetsRegExpFree and zetsRegExpMultiFree returns a
 * ZetStatus: 0 on success, a negative code on error (nothing the caller may rely on was written),
 * a positive code for a warning that comes with valid results. Strings are a pointer plus a signed
 * 32-bit length in code units; zero units inside are data. _Z functions take zero-terminated
 * strings, _I functions work in place, _D2L functions take lists of strings. No function writes a
 * terminating zero. A search that finds nothing reports -1.
 *
 * The header compiles as C99 and as C++.
 */
#ifndef ZETCH_H
#define ZETCH_H

/* On Windows the DLL's exports come from a module-definition file written from this header (with
 * their ordinals), so declarations carry no attribute there, for the library and its users alike. */
#if defined(__GNUC__) && !defined(_WIN32)
#define ZETCH_API __attribute__((visibility("default")))
#else
#define ZETCH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Code units and integers. */
typedef unsigned char zet8u;
typedef unsigned short zet16u;
typedef int zet32s;
typedef unsigned int zet32u;

/* Status codes. */
typedef int ZetStatus;
enum {
    zetStatusOk = 0,
    zetStatusRegExpRecordsTruncated = 12, /* warning: more match records than the array holds */
    zetStatusSplitIncomplete = 26,        /* warning: all split slots filled, text remains */
    zetStatusSplitTruncated = 27,         /* warning: a split piece was cut to its slot */
    zetStatusError = -1,                  /* internal failure code; never returned */
    zetStatusNotFound = -2,               /* identifier not in the multi-pattern table */
    zetStatusBadArgument = -5,            /* identifier 0 */
    zetStatusBadSize = -6,                /* a count or size that must be positive is not */
    zetStatusBadFormat = -7,              /* subject format neither 0 nor 1 */
    zetStatusNullPointer = -8,            /* a required pointer is null, or allocation failed */
    zetStatusNoRoom = -9,                 /* multi-pattern table full */
    zetStatusBadLength = -119,            /* negative length, or position/range outside the string */
    zetStatusRegExpBadEscape = -183,      /* pattern: malformed escape or braced construct */
    zetStatusRegExpBadClass = -184,       /* pattern: malformed class or quoted sequence */
    zetStatusRegExpBadReference = -185,   /* pattern or template: bad back-reference or group */
    zetStatusRegExpSyntax = -186,         /* pattern: parentheses, nesting or group syntax */
    zetStatusRegExpBadQuantifier = -187,  /* pattern: malformed quantifier or bound too large */
    zetStatusRegExpMatchLimit = -188,     /* search ended with its match budget exhausted */
    zetStatusRegExpBadState = -189,       /* state object lacks its mark */
    zetStatusRegExpBadOption = -190       /* options string holds an unknown letter */
};

/* Regular-expression option letters as bits. */
enum {
    zetRegExpOptionDotAll = 1,     /* s */
    zetRegExpOptionMultiline = 2,  /* m */
    zetRegExpOptionCaseless = 4,   /* i */
    zetRegExpOptionExtended = 8,   /* x */
    zetRegExpOptionGlobal = 16     /* g */
};

/* The constant version record. */
typedef struct LibraryVersion {
    zet32s major;
    zet32s minor;
    zet32s patch;
    zet32s revision;
    char targetCpu[4];
    const char* name;
    const char* version;
    const char* buildDate;
} LibraryVersion;

/* One match or group: a pointer into the subject and a length; an unset group is {NULL, -1}. */
typedef struct RegExpMatchRecord {
    const zet8u* pStr;
    zet32s len;
} RegExpMatchRecord;

/* Opaque objects in caller memory (sizes from the matching GetSize function). */
typedef struct RegExpState RegExpState;
typedef struct RegExpReplaceState RegExpReplaceState;
typedef struct RegExpMultiState RegExpMultiState;

/* Per-slot result of a multi-pattern search: 24 bytes with 8-byte pointers (pMatch at offset 16),
 * 20 bytes with 4-byte pointers. */
typedef struct RegExpMultiResult {
    zet32s searched;            /* out: 1 when the slot held a pattern and was searched */
    zet32s id;                  /* out: the slot's identifier */
    zet32s numMatch;            /* in: records in pMatch; out: records stored */
    ZetStatus status;           /* out: the slot's search status */
    RegExpMatchRecord* pMatch;  /* in: the slot's record array */
} RegExpMultiResult;

/* ---- Version ---- */
/* Returns one of two constant records; the name ends in "+" when SSE4.2 kernels can run. */
ZETCH_API const LibraryVersion* zetchGetLibVersion(void);

/* ---- Comparison and equality ---- */
/* First difference pSrc1[i] - pSrc2[i] of two strings of len units, or 0. */
ZETCH_API ZetStatus zetsCompare_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult);
/* 16-bit form of zetsCompare_8u. */
ZETCH_API ZetStatus zetsCompare_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult);
/* As zetsCompare_8u with A..Z folded to a..z. */
ZETCH_API ZetStatus zetsCompareIgnoreCaseLatin_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult);
/* As zetsCompare_16u with A..Z folded to a..z. */
ZETCH_API ZetStatus zetsCompareIgnoreCaseLatin_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult);
/* As zetsCompare_16u with every unit folded to its simple lower case. */
ZETCH_API ZetStatus zetsCompareIgnoreCase_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult);
/* 1 when the first len units are equal, else 0. */
ZETCH_API ZetStatus zetsEqual_8u(const zet8u* pSrc1, const zet8u* pSrc2, zet32s len, zet32s* pResult);
/* 16-bit form of zetsEqual_8u. */
ZETCH_API ZetStatus zetsEqual_16u(const zet16u* pSrc1, const zet16u* pSrc2, zet32s len, zet32s* pResult);

/* ---- Substring search ---- */
/* Index of the first occurrence of pFind in pSrc, or -1 (an empty needle is never found). */
ZETCH_API ZetStatus zetsFind_8u(const zet8u* pSrc, zet32s len, const zet8u* pFind, zet32s lenFind, zet32s* pIndex);
/* 16-bit form of zetsFind_8u. */
ZETCH_API ZetStatus zetsFind_16u(const zet16u* pSrc, zet32s len, const zet16u* pFind, zet32s lenFind, zet32s* pIndex);
/* Index of the last occurrence of pFind in pSrc, or -1. */
ZETCH_API ZetStatus zetsFindRev_8u(const zet8u* pSrc, zet32s len, const zet8u* pFind, zet32s lenFind, zet32s* pIndex);
/* 16-bit form of zetsFindRev_8u. */
ZETCH_API ZetStatus zetsFindRev_16u(const zet16u* pSrc, zet32s len, const zet16u* pFind, zet32s lenFind, zet32s* pIndex);
/* zetsFind_8u on zero-terminated strings. */
ZETCH_API ZetStatus zetsFind_Z_8u(const zet8u* pSrc, const zet8u* pFind, zet32s* pIndex);
/* zetsFind_16u on zero-terminated strings. */
ZETCH_API ZetStatus zetsFind_Z_16u(const zet16u* pSrc, const zet16u* pFind, zet32s* pIndex);

/* ---- Single-character search ---- */
/* Index of the first unit equal to valFind, or -1. */
ZETCH_API ZetStatus zetsFindC_8u(const zet8u* pSrc, zet32s len, zet8u valFind, zet32s* pIndex);
/* 16-bit form of zetsFindC_8u. */
ZETCH_API ZetStatus zetsFindC_16u(const zet16u* pSrc, zet32s len, zet16u valFind, zet32s* pIndex);
/* Index of the last unit equal to valFind, or -1. */
ZETCH_API ZetStatus zetsFindRevC_8u(const zet8u* pSrc, zet32s len, zet8u valFind, zet32s* pIndex);
/* 16-bit form of zetsFindRevC_8u. */
ZETCH_API ZetStatus zetsFindRevC_16u(const zet16u* pSrc, zet32s len, zet16u valFind, zet32s* pIndex);
/* zetsFindC_8u on a zero-terminated string; valFind 0 gives the string's length. */
ZETCH_API ZetStatus zetsFindC_Z_8u(const zet8u* pSrc, zet8u valFind, zet32s* pIndex);
/* zetsFindC_16u on a zero-terminated string; valFind 0 gives the string's length. */
ZETCH_API ZetStatus zetsFindC_Z_16u(const zet16u* pSrc, zet16u valFind, zet32s* pIndex);

/* ---- Character-set search ---- */
/* Index of the first unit that is any of the lenAnyOf units of pAnyOf, or -1. */
ZETCH_API ZetStatus zetsFindCAny_8u(const zet8u* pSrc, zet32s len, const zet8u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex);
/* 16-bit form of zetsFindCAny_8u. */
ZETCH_API ZetStatus zetsFindCAny_16u(const zet16u* pSrc, zet32s len, const zet16u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex);
/* Index of the last unit that is any of the units of pAnyOf, or -1. */
ZETCH_API ZetStatus zetsFindRevCAny_8u(const zet8u* pSrc, zet32s len, const zet8u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex);
/* 16-bit form of zetsFindRevCAny_8u. */
ZETCH_API ZetStatus zetsFindRevCAny_16u(const zet16u* pSrc, zet32s len, const zet16u* pAnyOf, zet32s lenAnyOf, zet32s* pIndex);

/* ---- Insert, remove, concatenate ---- */
/* pDst = pSrc[0, startIndex) + pInsert + pSrc[startIndex, srcLen); pDst may be pSrc. */
ZETCH_API ZetStatus zetsInsert_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pInsert, zet32s insertLen, zet8u* pDst, zet32s startIndex);
/* 16-bit form of zetsInsert_8u. */
ZETCH_API ZetStatus zetsInsert_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pInsert, zet32s insertLen, zet16u* pDst, zet32s startIndex);
/* Inserts pInsert into pSrcDst at startIndex; *pSrcDstLen grows by insertLen. */
ZETCH_API ZetStatus zetsInsert_8u_I(const zet8u* pInsert, zet32s insertLen, zet8u* pSrcDst, zet32s* pSrcDstLen, zet32s startIndex);
/* 16-bit form of zetsInsert_8u_I. */
ZETCH_API ZetStatus zetsInsert_16u_I(const zet16u* pInsert, zet32s insertLen, zet16u* pSrcDst, zet32s* pSrcDstLen, zet32s startIndex);
/* pDst = pSrc without the len units at startIndex. */
ZETCH_API ZetStatus zetsRemove_8u(const zet8u* pSrc, zet32s srcLen, zet8u* pDst, zet32s startIndex, zet32s len);
/* 16-bit form of zetsRemove_8u. */
ZETCH_API ZetStatus zetsRemove_16u(const zet16u* pSrc, zet32s srcLen, zet16u* pDst, zet32s startIndex, zet32s len);
/* Removes len units at startIndex in place; *pSrcDstLen shrinks by len. */
ZETCH_API ZetStatus zetsRemove_8u_I(zet8u* pSrcDst, zet32s* pSrcDstLen, zet32s startIndex, zet32s len);
/* 16-bit form of zetsRemove_8u_I. */
ZETCH_API ZetStatus zetsRemove_16u_I(zet16u* pSrcDst, zet32s* pSrcDstLen, zet32s startIndex, zet32s len);
/* pDst = pSrc1 followed by pSrc2. */
ZETCH_API ZetStatus zetsConcat_8u(const zet8u* pSrc1, zet32s len1, const zet8u* pSrc2, zet32s len2, zet8u* pDst);
/* 16-bit form of zetsConcat_8u. */
ZETCH_API ZetStatus zetsConcat_16u(const zet16u* pSrc1, zet32s len1, const zet16u* pSrc2, zet32s len2, zet16u* pDst);

/* ---- String lists ---- */
/* Joins numSrc strings into pDst. */
ZETCH_API ZetStatus zetsConcat_8u_D2L(const zet8u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet8u* pDst);
/* 16-bit form of zetsConcat_8u_D2L. */
ZETCH_API ZetStatus zetsConcat_16u_D2L(const zet16u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet16u* pDst);
/* Joins numSrc strings into pDst with delim between neighbours. */
ZETCH_API ZetStatus zetsConcatC_8u_D2L(const zet8u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet8u delim, zet8u* pDst);
/* 16-bit form of zetsConcatC_8u_D2L. */
ZETCH_API ZetStatus zetsConcatC_16u_D2L(const zet16u* const pSrc[], const zet32s srcLen[], zet32s numSrc, zet16u delim, zet16u* pDst);
/* Splits pSrc at delim into the *pNumDst buffers pDst[k] of capacity pDstLen[k].
 * Piece k is the text up to the next delim (or to the end) and is copied to pDst[k]. Two adjacent
 * delimiters give an empty piece; a delim that ends the text starts no piece after it; an empty
 * text gives none.
 * In: *pNumDst is the number of slots, pDstLen[k] the capacity of pDst[k] in units.
 * Out: *pNumDst is the number of pieces stored and pDstLen[k], for each of them, its stored
 * length; the entries from *pNumDst on are left as they were.
 * Warnings (the pieces stored are valid):
 * - zetStatusSplitTruncated (27): a piece was longer than its slot. The slot holds the piece's
 *   first pDstLen[k] units and pDstLen[k] keeps the capacity (so a length equal to the capacity
 *   may be a whole piece or a cut one); the rest of that piece is skipped and the pieces after
 *   it are stored as usual.
 * - zetStatusSplitIncomplete (26): the slots ran out with text left after the last piece stored;
 *   takes precedence over 27. When no piece was cut, the text left begins at the sum of
 *   pDstLen[k] + 1 over the pieces stored.
 * Errors: a null pSrc, pDst, pDstLen or pNumDst; srcLen < 0 (zetStatusBadLength); *pNumDst < 1
 * (zetStatusBadSize). A null pDst[k] or a negative pDstLen[k] is only found when piece k comes:
 * the pieces before it are stored (and their lengths written), *pNumDst keeps its input value,
 * and zetStatusNullPointer or zetStatusBadLength is returned. */
ZETCH_API ZetStatus zetsSplitC_8u_D2L(const zet8u* pSrc, zet32s srcLen, zet8u delim, zet8u* pDst[], zet32s pDstLen[], zet32s* pNumDst);
/* 16-bit form of zetsSplitC_8u_D2L. */
ZETCH_API ZetStatus zetsSplitC_16u_D2L(const zet16u* pSrc, zet32s srcLen, zet16u delim, zet16u* pDst[], zet32s pDstLen[], zet32s* pNumDst);

/* ---- Character replacement ---- */
/* Copies pSrc to pDst with every oldVal replaced by newVal; pDst may be pSrc. */
ZETCH_API ZetStatus zetsReplaceC_8u(const zet8u* pSrc, zet8u* pDst, zet32s len, zet8u oldVal, zet8u newVal);
/* 16-bit form of zetsReplaceC_8u. */
ZETCH_API ZetStatus zetsReplaceC_16u(const zet16u* pSrc, zet16u* pDst, zet32s len, zet16u oldVal, zet16u newVal);

/* ---- Trimming ---- */
/* Copies pSrc without trimChar at both ends to pDst; *pDstLen gets the kept length. */
ZETCH_API ZetStatus zetsTrimC_8u(const zet8u* pSrc, zet32s srcLen, zet8u trimChar, zet8u* pDst, zet32s* pDstLen);
/* 16-bit form of zetsTrimC_8u. */
ZETCH_API ZetStatus zetsTrimC_16u(const zet16u* pSrc, zet32s srcLen, zet16u trimChar, zet16u* pDst, zet32s* pDstLen);
/* Trims trimChar at both ends in place, moving the kept part to the front. */
ZETCH_API ZetStatus zetsTrimC_8u_I(zet8u* pSrcDst, zet32s* pSrcDstLen, zet8u trimChar);
/* 16-bit form of zetsTrimC_8u_I. */
ZETCH_API ZetStatus zetsTrimC_16u_I(zet16u* pSrcDst, zet32s* pSrcDstLen, zet16u trimChar);
/* Copies pSrc without members of the set pTrim at both ends to pDst. */
ZETCH_API ZetStatus zetsTrimCAny_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pTrim, zet32s trimLen, zet8u* pDst, zet32s* pDstLen);
/* 16-bit form of zetsTrimCAny_8u. */
ZETCH_API ZetStatus zetsTrimCAny_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pTrim, zet32s trimLen, zet16u* pDst, zet32s* pDstLen);
/* As zetsTrimCAny_8u, trimming the start only. */
ZETCH_API ZetStatus zetsTrimStartCAny_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pTrim, zet32s trimLen, zet8u* pDst, zet32s* pDstLen);
/* 16-bit form of zetsTrimStartCAny_8u. */
ZETCH_API ZetStatus zetsTrimStartCAny_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pTrim, zet32s trimLen, zet16u* pDst, zet32s* pDstLen);
/* As zetsTrimCAny_8u, trimming the end only. */
ZETCH_API ZetStatus zetsTrimEndCAny_8u(const zet8u* pSrc, zet32s srcLen, const zet8u* pTrim, zet32s trimLen, zet8u* pDst, zet32s* pDstLen);
/* 16-bit form of zetsTrimEndCAny_8u. */
ZETCH_API ZetStatus zetsTrimEndCAny_16u(const zet16u* pSrc, zet32s srcLen, const zet16u* pTrim, zet32s trimLen, zet16u* pDst, zet32s* pDstLen);

/* ---- Latin case conversion (the 26 ASCII letters only) ---- */
/* pDst = pSrc with a..z made upper case. */
ZETCH_API ZetStatus zetsUppercaseLatin_8u(const zet8u* pSrc, zet8u* pDst, zet32s len);
/* 16-bit form of zetsUppercaseLatin_8u. */
ZETCH_API ZetStatus zetsUppercaseLatin_16u(const zet16u* pSrc, zet16u* pDst, zet32s len);
/* a..z made upper case in place. */
ZETCH_API ZetStatus zetsUppercaseLatin_8u_I(zet8u* pSrcDst, zet32s len);
/* 16-bit form of zetsUppercaseLatin_8u_I. */
ZETCH_API ZetStatus zetsUppercaseLatin_16u_I(zet16u* pSrcDst, zet32s len);
/* pDst = pSrc with A..Z made lower case. */
ZETCH_API ZetStatus zetsLowercaseLatin_8u(const zet8u* pSrc, zet8u* pDst, zet32s len);
/* 16-bit form of zetsLowercaseLatin_8u. */
ZETCH_API ZetStatus zetsLowercaseLatin_16u(const zet16u* pSrc, zet16u* pDst, zet32s len);
/* A..Z made lower case in place. */
ZETCH_API ZetStatus zetsLowercaseLatin_8u_I(zet8u* pSrcDst, zet32s len);
/* 16-bit form of zetsLowercaseLatin_8u_I. */
ZETCH_API ZetStatus zetsLowercaseLatin_16u_I(zet16u* pSrcDst, zet32s len);

/* ---- Unicode simple case conversion (16-bit units) ----
 * One unit in, one unit out (never a change of length), by a fixed table of simple case
 * mappings of Basic Multilingual Plane characters: 704 units have a lower-case form and 673 an
 * upper-case form. The table is the library's own, not the current Unicode data, and differs
 * from it, for example:
 * - U+03C2 (final sigma) and U+00B5 (micro sign) have no upper-case form (Unicode: U+03A3 and
 *   U+039C); U+03A3 lower-cases to U+03C3 only.
 * - The Georgian capitals U+10A0..U+10C5 lower-case to U+10D0..U+10F5 (Unicode: U+2D00..U+2D25),
 *   and U+10D0..U+10F5 have no upper-case form.
 * - U+018E lower-cases to U+0258, and U+0258 upper-cases to U+018E (Unicode: U+018E <-> U+01DD;
 *   U+01DD has no mapping here).
 * - Characters the table does not know (U+1E9E, U+2C65, U+1C90.. among them) stay unchanged.
 * Every unit without a mapping, surrogates included, is copied unchanged, so a surrogate pair
 * always passes through untouched. zetsCompareIgnoreCase_16u folds with the same lower-case
 * table. */
/* pDst = simple upper case of each unit of pSrc. */
ZETCH_API ZetStatus zetsUppercase_16u(const zet16u* pSrc, zet16u* pDst, zet32s len);
/* Simple upper case of each unit, in place. */
ZETCH_API ZetStatus zetsUppercase_16u_I(zet16u* pSrcDst, zet32s len);
/* pDst = simple lower case of each unit of pSrc. */
ZETCH_API ZetStatus zetsLowercase_16u(const zet16u* pSrc, zet16u* pDst, zet32s len);
/* Simple lower case of each unit, in place. */
ZETCH_API ZetStatus zetsLowercase_16u_I(zet16u* pSrcDst, zet32s len);

/* ---- UTF conversion (resumable; lengths in/out: available/consumed, capacity/written) ----
 * Both functions convert character by character until the source is used up or the next
 * character's encoding does not fit whole into the destination (a surrogate pair needs two units,
 * a UTF-8 sequence all of its bytes); *pSrcLen and *pDstLen then say how many units were consumed
 * and written, and a call with the rest of the source and fresh room goes on from there. Only
 * null pointers and negative lengths are errors; the rules below decide everything else:
 * - UTF-8 in: a byte that does not begin a well-formed sequence (a stray continuation byte, 0xFE,
 *   0xFF, a lead byte without all of its continuation bytes, an overlong form) becomes one unit
 *   of the same value, and decoding goes on with the byte after it.
 * - Values above U+10FFFF, from four-byte forms (F4 90 80 80 and up, lead bytes to 0xF7) and
 *   from the five- and six-byte forms (lead bytes 0xF8..0xFD, values up to 0x7FFFFFFF), are
 *   decoded and written as a surrogate pair of their low bits: high = 0xD800 | (((v - 0x10000) >> 10) & 0x3FF),
 *   low = 0xDC00 | (v & 0x3FF). The bits above are lost: UTF-16 back to UTF-8 gives a four-byte
 *   form of another character.
 * - UTF-16 in: a surrogate that is not the high half of a high-low pair is written as its own
 *   three-byte sequence.
 * The end of the source is the end of the text: a UTF-8 sequence cut by it passes through as
 * malformed units, one per byte, and a high surrogate as the source's last unit as a three-byte
 * sequence, though more input would have completed them. A caller converting a stream in chunks
 * therefore keeps a cut character for the next call, and converts it as it stands only with the
 * stream's last chunk:
 * - UTF-8: among the chunk's last 5 bytes, the last byte that is no continuation byte
 *   (10xxxxxx); when it is a lead byte 0xC0..0xFD that needs more bytes than follow it in the
 *   chunk (110xxxxx: 2 in all, 1110xxxx: 3, 11110xxx: 4, 111110xx: 5, 1111110x: 6), it and
 *   the bytes after it go in front of the next chunk.
 * - UTF-16: a last unit 0xD800..0xDBFF (read byte-swapped when bigEndian) goes in front of the
 *   next chunk. */
/* UTF-8 to UTF-16; bigEndian != 0 writes byte-swapped units. */
ZETCH_API ZetStatus zetsConvertUTF_8u16u(const zet8u* pSrc, zet32s* pSrcLen, zet16u* pDst, zet32s* pDstLen, zet32s bigEndian);
/* UTF-16 to UTF-8; bigEndian != 0 reads byte-swapped units. */
ZETCH_API ZetStatus zetsConvertUTF_16u8u(const zet16u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, zet32s bigEndian);

/* ---- Hashing ---- */
/* Shift-xor hash: h = (h << 1) ^ c. */
ZETCH_API ZetStatus zetsHash_8u32u(const zet8u* pSrc, zet32s len, zet32u* pHashVal);
/* 16-bit form of zetsHash_8u32u. */
ZETCH_API ZetStatus zetsHash_16u32u(const zet16u* pSrc, zet32s len, zet32u* pHashVal);
/* Multiply-31 hash: h = h * 31 + c. */
ZETCH_API ZetStatus zetsHashSJ2_8u32u(const zet8u* pSrc, zet32s len, zet32u* pHashVal);
/* 16-bit form of zetsHashSJ2_8u32u. */
ZETCH_API ZetStatus zetsHashSJ2_16u32u(const zet16u* pSrc, zet32s len, zet32u* pHashVal);
/* Multiply-33-xor hash from 5381, stopping at the first zero unit. */
ZETCH_API ZetStatus zetsHashMSCS_8u32u(const zet8u* pSrc, zet32s len, zet32u* pHashVal);
/* 16-bit form of zetsHashMSCS_8u32u. */
ZETCH_API ZetStatus zetsHashMSCS_16u32u(const zet16u* pSrc, zet32s len, zet32u* pHashVal);

/* ---- Regular-expression object ---- */
/* Size in bytes of a state for this pattern: 40052 + 20 * strlen(pPattern). */
ZETCH_API ZetStatus zetsRegExpGetSize(const char* pPattern, zet32s* pSize);
/* Compiles pPattern with the options letters "gimsx" (pOptions may be NULL) into pState. */
ZETCH_API ZetStatus zetsRegExpInit(const char* pPattern, const char* pOptions, RegExpState* pState, zet32s* pErrOffset);
/* Allocates a state and compiles into it; *ppState is NULL on failure. */
ZETCH_API ZetStatus zetsRegExpInitAlloc(const char* pPattern, const char* pOptions, RegExpState** ppState, zet32s* pErrOffset);
/* Releases a state from zetsRegExpInitAlloc (NULL is passed on unchecked). */
ZETCH_API void zetsRegExpFree(RegExpState* pState);
/* Sets the matcher's budget (default 10000). */
ZETCH_API ZetStatus zetsRegExpSetMatchLimit(zet32s matchLimit, RegExpState* pState);
/* Sets the subject format: 0 bytes, 1 UTF-8 (default). */
ZETCH_API ZetStatus zetsRegExpSetFormat(zet32s format, RegExpState* pState);

/* ---- Regular-expression search ---- */
/* Searches pSrc; *pNumMatch records in, records stored out (0: no match). */
ZETCH_API ZetStatus zetsRegExpFind_8u(const zet8u* pSrc, zet32s srcLen, RegExpState* pState, RegExpMatchRecord* pMatch, zet32s* pNumMatch);

/* ---- Regular-expression replacement ----
 * Two steps: zetsRegExpReplaceInit parses a template into a RegExpReplaceState (caller memory of
 * the size zetsRegExpReplaceGetSize reports, aligned for 32-bit integers), then
 * zetsRegExpReplace_8u writes a source to a destination with the first match of a compiled
 * pattern, or every match when it was compiled with "g", replaced by the expanded template.
 *
 * Template: "$&" inserts the whole match, "$" followed by decimal digits inserts that group (all
 * the digits are taken, so write "$1\2" for group 1 followed by a literal 2); "$0", "$" before
 * anything else and a "$" at the end are refused with zetStatusRegExpBadReference. A backslash is
 * dropped and the byte after it is read by these same rules ("\\" vanishes, "\$1" is still a
 * reference). Every other byte is copied. A group that did not take part, or a number past the
 * pattern's groups, inserts nothing.
 *
 * The state is 12 + 12 * strlen(template) bytes: three 32-bit words, then one item of three 32-bit
 * words per literal run or reference. Word 0 holds the low and word 2 the high 32 bits of the
 * template's address (both 0 for a NULL template), word 1 the number of items. A literal item is
 * {0x10000001, length, offset of its first byte from the template's start}; a reference is
 * {0x10000002, group number (0 for $&), 0}. Literals are not copied: the template must stay
 * alive and unchanged while the state is used. The state may be copied or moved (it holds no
 * address of itself).
 *
 * Replacement, with K = *pDstLen: each piece (the source text before a match, one item of an
 * expansion, the source after the last match) is written only if it leaves at least one byte of
 * the room left unused; the first piece that does not fit ends the call, with *pSrcLen = source
 * bytes handled and *pDstLen = bytes of complete output, so a small destination can be used call
 * after call (go on at pSrc + *pSrcLen). Pieces are never split: a call that consumes nothing
 * needs a larger destination (longer than the next stretch without a match, or than the next
 * expansion). A source without any match is the exception: it is copied up to K bytes, filling
 * the destination. Each call searches from its own pSrc, so a pattern that looks before its start
 * (^, \b, look-behind) or matches the empty string can give a different result when resumed.
 * pMatch receives the match records (*pNumMatch in: capacity, out: records stored); with "g" each
 * match takes groupCount records (whole match, then every group), the array must hold them for
 * every match (matches past a full array are copied unchanged), and a match whose records were
 * cut off by the array's end is left for the next call. Returns the search's status: 0, or 12
 * when a match's records were cut to the array; -8 for a NULL pointer and -6 for a length
 * or record count below 1 (nothing written); -189 for a pattern state without its mark (the
 * destination untouched, both lengths 0). The source and destination must not overlap. */
/* Size in bytes of a parsed replacement template: 12 * strlen(pTemplate) + 12 (12 for NULL);
 * zetStatusBadLength when that does not fit in a zet32s. */
ZETCH_API ZetStatus zetsRegExpReplaceGetSize(const char* pTemplate, zet32s* pSize);
/* Parses a replacement template into pReplaceState; a NULL template has no items. */
ZETCH_API ZetStatus zetsRegExpReplaceInit(const char* pTemplate, RegExpReplaceState* pReplaceState);
/* Copies pSrc to pDst with the first (or, with g, every) match replaced through the template. */
ZETCH_API ZetStatus zetsRegExpReplace_8u(const zet8u* pSrc, zet32s* pSrcLen, zet8u* pDst, zet32s* pDstLen, RegExpMatchRecord* pMatch, zet32s* pNumMatch, RegExpState* pRegExpState, RegExpReplaceState* pReplaceState);

/* ---- Multi-pattern tables ---- */
/* A table holds capacity slots, each a pointer to a compiled state that the caller keeps alive and a
 * non-zero identifier. Its block takes 24 + 12 * capacity bytes with 8-byte pointers (a 24-byte
 * header, then 8 bytes per state pointer and 4 per identifier), 12 + 8 * capacity bytes with 4-byte
 * pointers. capacity runs from 1 to the largest count whose size fits a zet32s (178956968 slots
 * with 8-byte pointers); 0, a negative capacity or a larger one gives zetStatusBadSize. */
/* Size in bytes of a table of capacity slots. */
ZETCH_API ZetStatus zetsRegExpMultiGetSize(zet32s capacity, zet32s* pSize);
/* Initialises a table of capacity empty slots in caller memory of that size. */
ZETCH_API ZetStatus zetsRegExpMultiInit(RegExpMultiState* pMulti, zet32s capacity);
/* Allocates and initialises a table; a failed allocation gives zetStatusNullPointer and *ppMulti NULL. */
ZETCH_API ZetStatus zetsRegExpMultiInitAlloc(RegExpMultiState** ppMulti, zet32s capacity);
/* Releases a table from zetsRegExpMultiInitAlloc (the same routine as zetsRegExpFree). */
ZETCH_API void zetsRegExpMultiFree(RegExpMultiState* pMulti);
/* Puts a compiled state with identifier id (not 0) into the first free slot (zetStatusNoRoom: none). */
ZETCH_API ZetStatus zetsRegExpMultiAdd(RegExpState* pState, zet32s id, RegExpMultiState* pMulti);
/* Points the first slot with identifier id at another state (zetStatusNotFound: no such slot). */
ZETCH_API ZetStatus zetsRegExpMultiModify(RegExpState* pState, zet32s id, RegExpMultiState* pMulti);
/* Empties the first slot with identifier id (zetStatusNotFound: no such slot). */
ZETCH_API ZetStatus zetsRegExpMultiDelete(zet32s id, RegExpMultiState* pMulti);
/* Searches pSrc (srcLen >= 1) with every pattern of the table as zetsRegExpFind_8u does. pResults has
 * capacity entries, entry i for slot i, with numMatch and pMatch filled in; a searched slot's entry
 * gets searched = 1, its id and the search's status, a free slot's entry is left untouched. Tables
 * with more slots than the core library's thread count are searched on that many threads, each
 * taking a contiguous block of slots; a state must therefore not stand in two slots. */
ZETCH_API ZetStatus zetsRegExpMultiFind_8u(const zet8u* pSrc, zet32s srcLen, RegExpMultiResult* pResults, const RegExpMultiState* pMulti);

#ifdef __cplusplus
}
#endif

#endif /* ZETCH_H */
