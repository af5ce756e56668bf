// libFuzzer target: a multi-pattern table of up to four patterns (a state per slot, as searches on
// several threads require) under adds, deletes and modifies checked against a plain model, and
// searches on 1 to 4 threads with the subject against an unreadable page: every occupied slot's
// entry is a separate zetsRegExpFind_8u's, a free slot's entry and records stay as they were.
// Input: [shape][options][placement][pattern bytes, zero]... (one per pattern)
//        [operation count][operations...][subject bytes]
// shape: bits 0-1 patterns - 1, bits 2-4 capacity - 1, bits 5-6 threads - 1.
// operation: bits 6-7 kind (add, delete, modify, search), bits 2-3 identifier - 1, bits 0-1 pattern.
#include <omp.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "regexp/multi.h"
#include "support/guarded.h"
#include "zetch.h"

namespace {

constexpr std::size_t kMaxSubject = 1 << 14;
constexpr int kRecords = 8;

[[noreturn]] void fail(const char* what, int slot) {
    std::fprintf(stderr, "regexp multi fuzz: %s (slot %d)\n", what, slot);
    std::abort();
}

struct Slot {
    RegExpState* state = nullptr;
    zet32s id = 0;
};

// The slot holding `id` first, or -1.
int firstWithId(const std::vector<Slot>& model, zet32s id) {
    for (std::size_t i = 0; i < model.size(); ++i)
        if (model[i].state != nullptr && model[i].id == id) return static_cast<int>(i);
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static guarded::Arena subjects(kMaxSubject + 64);
    if (size < 4) return 0;
    const int patterns = (data[0] & 3) + 1, capacity = ((data[0] >> 2) & 7) + 1, threads = ((data[0] >> 5) & 3) + 1;
    std::string options;
    for (int b = 0; b < 5; ++b)
        if (data[1] & (1 << b)) options += "gimsx"[b];
    const std::uint8_t place = data[2];
    std::size_t at = 3;
    std::vector<std::string> text(static_cast<std::size_t>(patterns));
    for (auto& p : text) {
        while (at < size && data[at] != 0) p += static_cast<char>(data[at++]);
        if (at < size) ++at;
    }
    const std::size_t opCount = at < size ? data[at++] : 0;
    const std::size_t opEnd = std::min(size, at + opCount);
    const std::span<const std::uint8_t> ops(data + at, opEnd - at);
    const std::size_t subjectLen = std::min(size - opEnd, kMaxSubject);
    const std::vector<zet8u> subject(data + opEnd, data + opEnd + subjectLen);

    // One state per (pattern, slot): a pattern that does not compile stands as the empty one.
    std::vector<RegExpState*> states(static_cast<std::size_t>(patterns * capacity), nullptr);
    for (int p = 0; p < patterns; ++p)
        for (int k = 0; k < capacity; ++k) {
            RegExpState*& s = states[static_cast<std::size_t>(p * capacity + k)];
            zet32s offset = 0;
            if (zetsRegExpInitAlloc(text[p].c_str(), options.c_str(), &s, &offset) != zetStatusOk)
                zetsRegExpInitAlloc("", options.c_str(), &s, &offset);
            if (s == nullptr) fail("allocation", -1);
            zetsRegExpSetMatchLimit(48, s);  // small: the limit bounds depth, not time
        }
    // A state of pattern p that no slot holds (there are as many as slots).
    std::vector<Slot> model(static_cast<std::size_t>(capacity));
    const auto unusedState = [&](int p) {
        for (int k = 0; k < capacity; ++k) {
            RegExpState* s = states[static_cast<std::size_t>(p * capacity + k)];
            bool used = false;
            for (const Slot& m : model) used = used || m.state == s;
            if (!used) return s;
        }
        return static_cast<RegExpState*>(nullptr);
    };

    RegExpMultiState* table = nullptr;
    if (zetsRegExpMultiInitAlloc(&table, capacity) != zetStatusOk) fail("table allocation", -1);
    omp_set_num_threads(threads);
    const zet8u* src = subjects.place(std::span<const zet8u>(subject), (place >> 1) & 15,
                                      (place & 1) ? guarded::Edge::Start : guarded::Edge::End, zet8u{'a'});
    const int len = static_cast<int>(subjectLen);

    const auto search = [&] {
        const RegExpMatchRecord unwritten{src, -7};
        std::vector<RegExpMatchRecord> records(static_cast<std::size_t>(capacity * kRecords), unwritten);
        std::vector<RegExpMultiResult> results(static_cast<std::size_t>(capacity));
        for (int i = 0; i < capacity; ++i) results[i] = {-7, -7, 1 + i % kRecords, -7, &records[static_cast<std::size_t>(i * kRecords)]};
        const ZetStatus st = zetsRegExpMultiFind_8u(src, len, results.data(), table);
        if (st != (len > 0 ? zetStatusOk : zetStatusBadSize)) fail("search status", -1);
        for (int i = 0; i < capacity; ++i) {
            const RegExpMultiResult& r = results[i];
            const RegExpMatchRecord* rec = &records[static_cast<std::size_t>(i * kRecords)];
            std::vector<RegExpMatchRecord> alone(kRecords, unwritten);
            zet32s n = 1 + i % kRecords;
            const Slot& m = model[static_cast<std::size_t>(i)];
            if (m.state == nullptr || len == 0) {
                if (r.searched != -7 || r.id != -7 || r.status != -7 || r.numMatch != n) fail("free slot's entry written", i);
            } else {
                const ZetStatus want = zetsRegExpFind_8u(src, len, m.state, alone.data(), &n);
                if (r.searched != 1 || r.id != m.id || r.status != want || r.numMatch != n) fail("entry differs", i);
            }
            for (int k = 0; k < kRecords; ++k)
                if (rec[k].pStr != alone[k].pStr || rec[k].len != alone[k].len) fail("record differs", i);
        }
    };

    for (const std::uint8_t op : ops) {
        const int kind = op >> 6, p = std::min(op & 3, patterns - 1);
        const zet32s id = ((op >> 2) & 3) + 1;
        ZetStatus want = zetStatusOk, got = zetStatusOk;
        if (kind == 0) {
            RegExpState* s = unusedState(p);
            if (s == nullptr) continue;  // every state of the pattern is in use
            int free = 0;
            while (free < capacity && model[static_cast<std::size_t>(free)].state != nullptr) ++free;
            if (free < capacity) model[static_cast<std::size_t>(free)] = {s, id};
            else want = zetStatusNoRoom;
            got = zetsRegExpMultiAdd(s, id, table);
        } else if (kind == 1 || kind == 2) {
            RegExpState* s = kind == 2 ? unusedState(p) : nullptr;
            if (kind == 2 && s == nullptr) continue;
            const int slot = firstWithId(model, id);
            if (slot < 0) want = zetStatusNotFound;
            else if (kind == 1) model[static_cast<std::size_t>(slot)] = {};
            else model[static_cast<std::size_t>(slot)].state = s;
            got = kind == 1 ? zetsRegExpMultiDelete(id, table) : zetsRegExpMultiModify(s, id, table);
        } else {
            search();
        }
        if (got != want) fail("operation status", -1);
        for (int i = 0; i < capacity; ++i) {
            Slot s;
            std::memcpy(&s.state, reinterpret_cast<const char*>(table->states) + i * sizeof s.state, sizeof s.state);
            std::memcpy(&s.id, reinterpret_cast<const char*>(table->ids) + i * sizeof s.id, sizeof s.id);
            if (s.state != model[static_cast<std::size_t>(i)].state || s.id != model[static_cast<std::size_t>(i)].id) fail("slot differs", i);
        }
    }
    search();
    zetsRegExpMultiFree(table);
    for (RegExpState* s : states) zetsRegExpFree(s);
    return 0;
}
