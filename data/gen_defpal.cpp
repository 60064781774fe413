// Makes the binary palette "defpal.dat" from its readable table.
// Usage: gen_defpal defpal.txt defpal.dat
// Each record: the entry's index as a 32-bit little-endian number, then its colour 0x00BBGGRR.
// The table must give all 256 entries once each, in 256 different colours.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: gen_defpal TABLE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    uint32_t colours[256];
    bool seen[256] = {};
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == ';') continue;
        std::istringstream fields(line);
        int index = -1;
        std::string hex;
        fields >> index >> hex;
        unsigned rgb = 0;
        if (index < 0 || index > 255 || seen[index] || hex.size() != 7 || hex[0] != '#' ||
            std::sscanf(hex.c_str() + 1, "%6x", &rgb) != 1) {
            std::cerr << argv[1] << ":" << lineNo << ": bad entry\n";
            return 1;
        }
        seen[index] = true;
        const uint32_t r = (rgb >> 16) & 0xff, g = (rgb >> 8) & 0xff, b = rgb & 0xff;
        colours[index] = r | (g << 8) | (b << 16);
    }
    for (int i = 0; i < 256; ++i)
        if (!seen[i]) {
            std::cerr << argv[1] << ": entry " << i << " missing\n";
            return 1;
        }
    // Colours are looked up by their lowest index, so a repeated colour could never be chosen.
    for (int i = 0; i < 256; ++i)
        for (int j = i + 1; j < 256; ++j)
            if (colours[i] == colours[j]) {
                std::cerr << argv[1] << ": entries " << i << " and " << j << " have the same colour\n";
                return 1;
            }
    std::ofstream out(argv[2], std::ios::binary);
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t record[2] = {i, colours[i]};
        for (uint32_t v : record)
            for (int k = 0; k < 4; ++k) out.put(static_cast<char>((v >> (8 * k)) & 0xff));
    }
    return out ? 0 : 1;
}
