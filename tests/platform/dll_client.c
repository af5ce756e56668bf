/* A C program as a Windows user writes one: zetch.h, linked against the import library zetch.lib,
 * run with zetch.dll and zetcore.dll on the search path. It reaches the library the way such a
 * program does: a string search, a compiled pattern, and a multi-pattern table searched on more
 * threads than one (the OpenMP runtime beside the DLL). Prints each check that fails and exits
 * with their number. */
#include <stdio.h>
#include <string.h>

#include "zetch.h"

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        printf("failed: %s\n", what);
        ++failures;
    }
}

int main(void) {
    const LibraryVersion* version = zetchGetLibVersion();
    check(version->major == 7 && strcmp(version->version, "7.1.0 (r36264)") == 0, "version record");

    const zet8u text[] = "mail ann@example.com or bob@example.org";
    const zet32s len = (zet32s)strlen((const char*)text);
    zet32s index = -2;
    check(zetsFind_8u(text, len, (const zet8u*)"bob", 3, &index) == zetStatusOk && index == 24, "zetsFind_8u");

    RegExpState* re = NULL;
    zet32s errOffset = -1;
    check(zetsRegExpInitAlloc("(\\w+)@(\\w+)\\.org", "", &re, &errOffset) == zetStatusOk && re != NULL,
          "zetsRegExpInitAlloc");
    RegExpMatchRecord records[3];
    zet32s count = 3;
    check(zetsRegExpFind_8u(text, len, re, records, &count) == zetStatusOk && count == 3 &&
              records[0].pStr == text + 24 && records[0].len == 15 && records[2].len == 7,
          "zetsRegExpFind_8u");

    /* More slots than threads: the search runs in a parallel region. */
    enum { kSlots = 40 };
    RegExpMultiState* table = NULL;
    check(zetsRegExpMultiInitAlloc(&table, kSlots) == zetStatusOk, "zetsRegExpMultiInitAlloc");
    RegExpMultiResult results[kSlots];
    RegExpMatchRecord slotRecords[kSlots][3];
    RegExpState* states[kSlots];
    for (int i = 0; i < kSlots; ++i) {
        const char* pattern = i % 2 ? "[a-z]+@example\\.com" : "x{2}";
        states[i] = NULL;
        check(zetsRegExpInitAlloc(pattern, "", &states[i], &errOffset) == zetStatusOk, "slot pattern");
        check(zetsRegExpMultiAdd(states[i], 100 + i, table) == zetStatusOk, "zetsRegExpMultiAdd");
        results[i].numMatch = 3;
        results[i].pMatch = slotRecords[i];
    }
    check(zetsRegExpMultiFind_8u(text, len, results, table) == zetStatusOk, "zetsRegExpMultiFind_8u");
    for (int i = 0; i < kSlots; ++i) {
        const int found = i % 2 ? 1 : 0;
        check(results[i].searched == 1 && results[i].id == 100 + i && results[i].status == zetStatusOk &&
                  results[i].numMatch == found && (!found || slotRecords[i][0].pStr == text + 5),
              "slot result");
    }
    for (int i = 0; i < kSlots; ++i) zetsRegExpFree(states[i]);
    zetsRegExpMultiFree(table);
    zetsRegExpFree(re);

    printf("%d checks failed\n", failures);
    return failures;
}
