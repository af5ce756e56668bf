// utf16_roundtrip [TEXT]: UTF-8 to UTF-16, upper case by the library's table, and back.
#include <iostream>
#include <string>

#include "zetch.hpp"

int main(int argc, char** argv) {
    const std::string text = argc > 1 ? argv[1] : "Grüße, Ελλάδα, 東京 😀";
    auto units = zetch::utf8_to_utf16(text);
    if (!units) return std::cerr << units.message() << "\n", 1;
    std::u16string upper = *units;
    if (!zetch::to_upper(upper)) return 1;
    auto back = zetch::utf16_to_utf8(upper);
    auto same = zetch::utf16_to_utf8(*units);
    if (!back || !same) return 1;
    std::cout << text << " -> " << units->size() << " UTF-16 units -> " << *back << "\n";
    // Unchanged units make an exact round trip; caseless comparison sees through the case.
    std::cout << "round trip " << (*same == text ? "exact" : "changed") << ", caseless equal "
              << (*zetch::equal_caseless(*units, upper) ? "yes" : "no") << "\n";
    return *same == text ? 0 : 1;
}
