#!/usr/bin/env python3
"""Writes src/regexp/unicode_tables.cpp, the regular-expression engine's Unicode 5.1 data.

Usage: tools/gen_unicode_tables.py [UCD-FOLDER] [OUTPUT]

UCD-FOLDER holds the plain-text extracts CharacterData.txt, CharacterRanges.txt, Scripts.txt and
Blocks.txt (default: ../shared/ucd-5.1.0 relative to the repository). OUTPUT defaults to
src/regexp/unicode_tables.cpp in the repository. The output depends only on the input files.

Tables written (types in src/regexp/unicode_tables.h):
  kCharacterTable   every assigned code point outside the range rows: code point, category mask,
                    simple upper-case and lower-case mapping (0: none), ascending
  kCharacterIndex   for each 256-code-point page, the first record at or after the page's start
  kCharacterRanges  the ten large uniform stretches with their category
  kBlocks/kBlockNames       the blocks, ascending, named "In" + name without spaces and hyphens
  kScripts/kScriptNames/kScriptRanges  the scripts in lookup order with their (first, last) pairs
                    in the order of the script file
"""

import os
import sys

CATEGORY_MASKS = {
    "Ll": 0x81, "Lu": 0x82, "Lt": 0x84, "Lm": 0x88, "Lo": 0x90,
    "Mn": 0x101, "Mc": 0x102, "Me": 0x104,
    "Zs": 0x201, "Zl": 0x202, "Zp": 0x204,
    "Sm": 0x401, "Sc": 0x402, "Sk": 0x404, "So": 0x408,
    "Nd": 0x801, "Nl": 0x802, "No": 0x804,
    "Pd": 0x1001, "Ps": 0x1002, "Pe": 0x1004, "Pi": 0x1008, "Pf": 0x1010, "Pc": 0x1020, "Po": 0x1040,
    "Cc": 0x2001, "Cf": 0x2002, "Co": 0x2004, "Cs": 0x2008, "Cn": 0x2010,
}

# The order in which \p{Name} tries the scripts.
SCRIPT_ORDER = """
Common Latin Greek Cyrillic Armenian Hebrew Arabic Syriac Thaana Devanagari Bengali Gurmukhi
Gujarati Oriya Tamil Telugu Kannada Malayalam Sinhala Thai Lao Tibetan Myanmar Georgian Hangul
Ethiopic Cherokee Canadian_Aboriginal Ogham Runic Khmer Mongolian Hiragana Katakana Bopomofo Han Yi
Old_Italic Gothic Deseret Inherited Tagalog Hanunoo Buhid Tagbanwa Limbu Tai_Le Linear_B Ugaritic
Shavian Osmanya Cypriot Braille Buginese Coptic New_Tai_Lue Glagolitic Tifinagh Syloti_Nagri
Old_Persian Kharoshthi Balinese Cuneiform Phoenician Phags_Pa Nko Sundanese Lepcha Ol_Chiki Vai
Saurashtra Kayah_Li Rejang Lycian Carian Lydian Cham
""".split()

# The block names as the database spells them. The extract title-cases the small words of some
# names ("Greek And Coptic", "Phags Pa"); the names derived from it must agree with these letter
# for letter when case is ignored, and the database's spelling is what \p{In...} accepts.
BLOCK_NAMES = """
InBasicLatin InLatin1Supplement InLatinExtendedA InLatinExtendedB InIPAExtensions
InSpacingModifierLetters InCombiningDiacriticalMarks InGreekandCoptic InCyrillic
InCyrillicSupplement InArmenian InHebrew InArabic InSyriac InArabicSupplement InThaana InNKo
InDevanagari InBengali InGurmukhi InGujarati InOriya InTamil InTelugu InKannada InMalayalam
InSinhala InThai InLao InTibetan InMyanmar InGeorgian InHangulJamo InEthiopic InEthiopicSupplement
InCherokee InUnifiedCanadianAboriginalSyllabics InOgham InRunic InTagalog InHanunoo InBuhid
InTagbanwa InKhmer InMongolian InLimbu InTaiLe InNewTaiLue InKhmerSymbols InBuginese InBalinese
InSundanese InLepcha InOlChiki InPhoneticExtensions InPhoneticExtensionsSupplement
InCombiningDiacriticalMarksSupplement InLatinExtendedAdditional InGreekExtended
InGeneralPunctuation InSuperscriptsandSubscripts InCurrencySymbols
InCombiningDiacriticalMarksforSymbols InLetterlikeSymbols InNumberForms InArrows
InMathematicalOperators InMiscellaneousTechnical InControlPictures InOpticalCharacterRecognition
InEnclosedAlphanumerics InBoxDrawing InBlockElements InGeometricShapes InMiscellaneousSymbols
InDingbats InMiscellaneousMathematicalSymbolsA InSupplementalArrowsA InBraillePatterns
InSupplementalArrowsB InMiscellaneousMathematicalSymbolsB InSupplementalMathematicalOperators
InMiscellaneousSymbolsandArrows InGlagolitic InLatinExtendedC InCoptic InGeorgianSupplement
InTifinagh InEthiopicExtended InCyrillicExtendedA InSupplementalPunctuation InCJKRadicalsSupplement
InKangxiRadicals InIdeographicDescriptionCharacters InCJKSymbolsandPunctuation InHiragana
InKatakana InBopomofo InHangulCompatibilityJamo InKanbun InBopomofoExtended InCJKStrokes
InKatakanaPhoneticExtensions InEnclosedCJKLettersandMonths InCJKCompatibility
InCJKUnifiedIdeographsExtensionA InYijingHexagramSymbols InCJKUnifiedIdeographs InYiSyllables
InYiRadicals InVai InCyrillicExtendedB InModifierToneLetters InLatinExtendedD InSylotiNagri
InPhagspa InSaurashtra InKayahLi InRejang InCham InHangulSyllables InHighSurrogates
InHighPrivateUseSurrogates InLowSurrogates InPrivateUseArea InCJKCompatibilityIdeographs
InAlphabeticPresentationForms InArabicPresentationFormsA InVariationSelectors InVerticalForms
InCombiningHalfMarks InCJKCompatibilityForms InSmallFormVariants InArabicPresentationFormsB
InHalfwidthandFullwidthForms InSpecials InLinearBSyllabary InLinearBIdeograms InAegeanNumbers
InAncientGreekNumbers InAncientSymbols InPhaistosDisc InLycian InCarian InOldItalic InGothic
InUgaritic InOldPersian InDeseret InShavian InOsmanya InCypriotSyllabary InPhoenician InLydian
InKharoshthi InCuneiform InCuneiformNumbersandPunctuation InByzantineMusicalSymbols
InMusicalSymbols InAncientGreekMusicalNotation InTaiXuanJingSymbols InCountingRodNumerals
InMathematicalAlphanumericSymbols InMahjongTiles InDominoTiles InCJKUnifiedIdeographsExtensionB
InCJKCompatibilityIdeographsSupplement InTags InVariationSelectorsSupplement
InSupplementaryPrivateUseAreaA InSupplementaryPrivateUseAreaB
""".split()

RECORD_COUNT = 19316
RANGE_COUNT = 10


def fail(message):
    sys.exit("gen_unicode_tables: " + message)


def data_lines(path):
    """The non-comment, non-blank lines of a data file, with their line numbers."""
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                yield number, line


def parse_span(text):
    """"0041" or "0041..005A" -> (first, last)."""
    parts = text.strip().split("..")
    first = int(parts[0], 16)
    last = int(parts[-1], 16)
    if len(parts) > 2 or last < first:
        raise ValueError(text)
    return first, last


def mask_of(name, where):
    if name not in CATEGORY_MASKS:
        fail(f"{where}: unknown general category {name!r}")
    return CATEGORY_MASKS[name]


def read_characters(folder):
    records = []
    for number, line in data_lines(os.path.join(folder, "CharacterData.txt")):
        fields = line.split(";")
        if len(fields) != 5:
            fail(f"CharacterData.txt:{number}: expected 5 fields")
        cp = int(fields[0], 16)
        upper = int(fields[2], 16) if fields[2] else 0
        lower = int(fields[3], 16) if fields[3] else 0
        records.append((cp, mask_of(fields[1], f"CharacterData.txt:{number}"), upper, lower))
    if len(records) != RECORD_COUNT:
        fail(f"CharacterData.txt: {len(records)} records, expected {RECORD_COUNT}")
    if any(a[0] >= b[0] for a, b in zip(records, records[1:])):
        fail("CharacterData.txt: code points are not strictly ascending")
    return records


def read_ranges(folder):
    rows = []
    for number, line in data_lines(os.path.join(folder, "CharacterRanges.txt")):
        span, category = line.split(";")
        first, last = parse_span(span)
        rows.append((first, last, mask_of(category.strip(), f"CharacterRanges.txt:{number}")))
    if len(rows) != RANGE_COUNT:
        fail(f"CharacterRanges.txt: {len(rows)} rows, expected {RANGE_COUNT}")
    return rows


def read_blocks(folder):
    blocks = []
    for number, line in data_lines(os.path.join(folder, "Blocks.txt")):
        span, name = line.split(";")
        first, last = parse_span(span)
        derived = "In" + name.strip().replace(" ", "").replace("-", "")
        blocks.append((derived, first, last))
    if len(blocks) != len(BLOCK_NAMES):
        fail(f"Blocks.txt: {len(blocks)} blocks, expected {len(BLOCK_NAMES)}")
    result = []
    for (derived, first, last), name in zip(blocks, BLOCK_NAMES):
        if derived.lower() != name.lower():
            fail(f"Blocks.txt: block {derived!r} where {name!r} was expected")
        result.append((name, first, last))
    if any(a[1] > a[2] or a[2] >= b[1] for a, b in zip(result, result[1:])):
        fail("Blocks.txt: blocks are not ascending and disjoint")
    return result


def read_scripts(folder):
    pairs = {}
    for number, line in data_lines(os.path.join(folder, "Scripts.txt")):
        body = line.split("#")[0]
        span, name = body.split(";")
        name = name.strip()
        if name not in SCRIPT_ORDER:
            fail(f"Scripts.txt:{number}: unknown script {name!r}")
        pairs.setdefault(name, []).append(parse_span(span))
    if sorted(pairs) != sorted(SCRIPT_ORDER):
        fail("Scripts.txt: scripts missing: " + " ".join(sorted(set(SCRIPT_ORDER) - set(pairs))))
    for name, spans in pairs.items():
        if any(a[1] >= b[0] for a, b in zip(spans, spans[1:])):
            fail(f"Scripts.txt: the pairs of {name} are not ascending and disjoint")
    return [(name, pairs[name]) for name in SCRIPT_ORDER]


def check_disjoint(records, ranges):
    for first, last, _ in ranges:
        inside = [r[0] for r in records if first <= r[0] <= last]
        if inside:
            fail(f"U+{inside[0]:04X} is both a record and inside range row U+{first:04X}..U+{last:04X}")


def page_index(records):
    """index[k] = first record whose code point is at least k * 256; one entry past the last page."""
    pages = records[-1][0] // 256 + 2
    index = []
    i = 0
    for page in range(pages):
        while i < len(records) and records[i][0] < page * 256:
            i += 1
        index.append(i)
    return index


def hx(v):
    """Hexadecimal literal, plain 0 for zero."""
    return f"0x{v:X}" if v else "0"


def rows(items, per_line, indent="    "):
    """Comma-separated items, per_line to a line."""
    lines = []
    for i in range(0, len(items), per_line):
        lines.append(indent + ",".join(items[i:i + per_line]) + ",")
    return "\n".join(lines)


def name_pool(names):
    """One char array holding every name with its terminator; returns (literal lines, offsets)."""
    offsets, at = [], 0
    for name in names:
        offsets.append(at)
        at += len(name) + 1
    lines = []
    line = "   "
    for name in names:
        piece = f' "{name}\\0"'
        if len(line) + len(piece) > 100:
            lines.append(line)
            line = "   "
        line += piece
    lines.append(line)
    return "\n".join(lines), offsets


def render(records, ranges, blocks, scripts):
    out = []
    out.append("// generated by tools/gen_unicode_tables.py, do not edit")
    out.append("// Unicode 5.1.0 data of the regular-expression engine (layout in unicode_tables.h).")
    out.append('#include "regexp/unicode_tables.h"')
    out.append("")
    out.append("namespace zet::rx {")
    out.append("")

    out.append(f"const UnicodeCharacter kCharacterTable[{len(records)}] = {{")
    out.append(rows([f"{{{hx(cp)},{hx(cat)},{hx(up)},{hx(lo)}}}" for cp, cat, up, lo in records], 5))
    out.append("};")
    out.append("")

    index = page_index(records)
    out.append(f"const zet16u kCharacterIndex[{len(index)}] = {{")
    out.append(rows([str(v) for v in index], 16))
    out.append("};")
    out.append("")

    out.append(f"const UnicodeRange kCharacterRanges[{len(ranges)}] = {{")
    out.append(rows([f"{{0x{a:X},0x{b:X},0x{c:X}}}" for a, b, c in ranges], 1))
    out.append("};")
    out.append("")

    literal, offsets = name_pool([b[0] for b in blocks])
    out.append("const char kBlockNames[] =")
    out.append(literal + ";")
    out.append("")
    out.append(f"const UnicodeBlock kBlocks[{len(blocks)}] = {{")
    out.append(rows([f"{{0x{first:X},0x{last:X},{off}}}" for (_, first, last), off in zip(blocks, offsets)], 4))
    out.append("};")
    out.append("")

    literal, offsets = name_pool([s[0] for s in scripts])
    out.append("const char kScriptNames[] =")
    out.append(literal + ";")
    out.append("")
    table, flat = [], []
    for (name, spans), off in zip(scripts, offsets):
        table.append(f"{{{off},{len(flat)},{len(spans)}}}")
        flat.extend(spans)
    out.append(f"const UnicodeScript kScripts[{len(scripts)}] = {{")
    out.append(rows(table, 6))
    out.append("};")
    out.append("")
    out.append(f"const UnicodePair kScriptRanges[{len(flat)}] = {{")
    out.append(rows([f"{{0x{a:X},0x{b:X}}}" for a, b in flat], 6))
    out.append("};")
    out.append("")
    out.append("}  // namespace zet::rx")
    return "\n".join(out) + "\n"


def main(argv):
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = argv[1] if len(argv) > 1 else os.path.join(repo, "..", "shared", "ucd-5.1.0")
    output = argv[2] if len(argv) > 2 else os.path.join(repo, "src", "regexp", "unicode_tables.cpp")
    records = read_characters(folder)
    ranges = read_ranges(folder)
    check_disjoint(records, ranges)
    text = render(records, ranges, read_blocks(folder), read_scripts(folder))
    with open(output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main(sys.argv)
