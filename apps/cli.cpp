#include "cli.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <fstream>

namespace cli {

int usageError(const Command& cmd, const std::string& message) {
    std::fprintf(stderr, "zetch %s: %s\nusage: zetch %s\n", cmd.name, message.c_str(), cmd.usage);
    return kUsage;
}

std::optional<std::vector<std::uint8_t>> readInput(std::string_view file) {
    std::vector<std::uint8_t> data;
    if (file.empty() || file == "-") {
        std::vector<char> buf(1 << 16);
        std::size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), stdin)) > 0) data.insert(data.end(), buf.begin(), buf.begin() + n);
        if (std::ferror(stdin)) {
            std::fprintf(stderr, "zetch: cannot read standard input\n");
            return std::nullopt;
        }
        return data;
    }
    std::ifstream in(std::string(file), std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zetch: cannot open %.*s\n", static_cast<int>(file.size()), file.data());
        return std::nullopt;
    }
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return data;
}

std::optional<std::uint32_t> parseUnit(std::string_view t) {
    auto number = [](std::string_view digits, int base) -> std::optional<std::uint32_t> {
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        std::uint32_t v = 0;
        for (char c : digits) {
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
            if (d >= base) return std::nullopt;
            v = v * base + static_cast<std::uint32_t>(d);
        }
        return v;
    };
    if (t.size() == 1) return static_cast<std::uint8_t>(t[0]);
    if (t.size() == 2 && t[0] == '\\') {
        switch (t[1]) {
            case 'n': return '\n';
            case 't': return '\t';
            case 'r': return '\r';
            case '0': return 0;
            case '\\': return '\\';
            default: return std::nullopt;
        }
    }
    if (t.starts_with("\\x") || t.starts_with("0x") || t.starts_with("0X")) return number(t.substr(2), 16);
    if (t.starts_with("#")) return number(t.substr(1), 10);
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> parseSet(std::string_view t) {
    std::vector<std::uint8_t> set;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] != '\\') {
            set.push_back(static_cast<std::uint8_t>(t[i++]));
            continue;
        }
        const std::size_t n = t.substr(i).starts_with("\\x") ? 4 : 2;
        const auto unit = i + n <= t.size() ? parseUnit(t.substr(i, n)) : std::nullopt;
        if (!unit) return std::nullopt;
        set.push_back(static_cast<std::uint8_t>(*unit));
        i += n;
    }
    return set;
}

}  // namespace cli
