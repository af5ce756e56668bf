#include "cli.h"

#include <algorithm>
#include <cstdio>

namespace cli {

int usageError(const Command& cmd, const std::string& message) {
    std::fprintf(stderr, "zetch %s: %s\nusage: zetch %s\n", cmd.name, message.c_str(), cmd.usage);
    return kUsage;
}

std::optional<Parsed> parseArgs(const Command& cmd, const Args& args, std::initializer_list<std::string_view> flags,
                                std::initializer_list<std::string_view> valued) {
    Parsed p;
    bool options = true;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string_view a = args[k];
        if (!options || a.size() < 2 || a[0] != '-') {
            p.operands.push_back(a);
        } else if (a == "--") {
            options = false;
        } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
            p.options.emplace_back(a, std::string_view());
        } else if (std::find(valued.begin(), valued.end(), a) != valued.end()) {
            if (k + 1 == args.size()) return usageError(cmd, std::string(a) + " needs a value"), std::nullopt;
            p.options.emplace_back(a, args[++k]);
        } else if (a[1] != '-' && std::find(valued.begin(), valued.end(), a.substr(0, 2)) != valued.end()) {
            p.options.emplace_back(a.substr(0, 2), a.substr(2));
        } else {
            return usageError(cmd, "unknown option " + std::string(a)), std::nullopt;
        }
    }
    return p;
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
