// Writes a deterministic, unsorted route file with unique keys, for benchmarks.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Options
{
    std::uint64_t records = 0;
    double specialShare = 0.05;
    // Every how many records one has its name accented, saved as UTF-8
    // padded by characters; 0 for none.
    std::uint64_t accentEvery = 0;
    std::string path;
};

// splitmix64: fast, deterministic, good enough to scatter fields.
struct Random
{
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
};

constexpr std::array<std::string_view, 5> regions{"NO", "SO", "EA", "WE", "CE"};
constexpr std::array<std::string_view, 12> names{
    "Harbour Road Depot", "Millbrook Junction", "St. Anne's Close", "Quarry Lane",
    "Riverside Park & Ride", "Old Mill Street", "Kingsway North", "Beacon Hill",
    "Castle Gate", "Fairview School", "Market Square", "Northgate Bus Station"};
// Each name with its first two characters, which the key reads, unchanged:
// sorted, a file with these names is its ASCII twin with the names swapped.
constexpr std::array<std::string_view, 12> accentedNames{
    "Harbour Road Dépôt", "Millbrook Jünction", "St. Anne's Clöse", "Quarry Läne",
    "Riverside Park & Rîde", "Old Mill Straße", "Kingsway Nörth", "Beacon Hïll",
    "Castle Gäte", "Fairview Schöol", "Market Squäre", "Northgate Bus Statiön"};
static_assert(accentedNames.size() == names.size());

constexpr std::array<std::string_view, 5> classes{"120", "140", "210", "240", "310"};

void putNumber(char *at, std::uint64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        at[i] = char('0' + value % 10);
        value /= 10;
    }
}

void put(char *at, std::string_view text)
{
    std::memcpy(at, text.data(), text.size());
}

// Columns are 1-based in comments; offsets below are 0-based.
void fillRecord(char *record, std::uint64_t index, std::uint64_t specialIndex, bool special, Random &random)
{
    std::memset(record, ' ', 190);
    put(record + 4, "RT");                                          // 5-6
    put(record + 17, names[random.below(names.size())]);           // 18-47 name
    putNumber(record + 47, 20260101 + random.below(28), 8);         // 48-55 date
    for (int column = 58; column + 5 <= 169; column += 6)           // 58-169 timings
        putNumber(record + column - 1, random.below(100000), 5);
    put(record + 173, "BUS   ");                                    // 174-179
    putNumber(record + 179, random.below(100000), 5);               // 180-184
    put(record + 185, "END");                                       // 186-188
    if (special) {
        // The key is departure, route number and region: spread a counter over them.
        put(record + 6, "375");                                     // 7-9
        putNumber(record + 9, random.below(100000000), 8);          // 10-17 stop
        putNumber(record + 55, specialIndex % 100, 2);              // 56-57 route number
        const std::uint64_t place = specialIndex / 100;
        put(record, regions[place % regions.size()]);               // 1-2
        putNumber(record + 2, place / regions.size() % 100, 2);     // 3-4
        putNumber(record + 169, place / regions.size() / 100, 4);   // 170-173 departure
    } else {
        put(record + 6, classes[random.below(classes.size())]);    // 7-9
        // A bijection on 8 digits keeps stops unique while scattering them.
        putNumber(record + 9, (index * 7919 + 12345) % 100000000, 8);  // 10-17 stop
        putNumber(record + 55, random.below(100), 2);               // 56-57
        put(record, regions[random.below(regions.size())]);        // 1-2
        putNumber(record + 2, random.below(100), 2);                // 3-4
        putNumber(record + 169, random.below(2400), 4);             // 170-173 departure
    }
}

// Swaps the record's name for its accented twin, keeping the name 30
// characters wide; returns the record's new length in bytes.
std::size_t accentName(char *record)
{
    const std::string_view field(record + 17, 30);
    for (std::size_t n = 0; n < names.size(); ++n) {
        if (!field.starts_with(names[n]))
            continue;
        const std::string_view accented = accentedNames[n];
        std::size_t characters = 0;
        for (const char byte : accented)
            characters += (static_cast<unsigned char>(byte) & 0xc0) != 0x80;
        std::string line(record, 17);
        line += accented;
        line.append(30 - characters, ' ');
        line.append(record + 47, 192 - 47);
        std::memcpy(record, line.data(), line.size());
        return line.size();
    }
    return 192;
}

bool parse(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--standard-only")
            options.specialShare = 0;
        else if (argument == "--accented-quarter")
            options.accentEvery = 4;
        else if (argument.starts_with("--special-share="))
            options.specialShare = std::atof(argv[i] + 16);
        else if (options.records == 0)
            options.records = std::strtoull(argv[i], nullptr, 10);
        else
            options.path = argument;
    }
    return options.records > 0 && !options.path.empty() && options.records <= 100000000;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: generate-routes RECORDS FILE [--standard-only | --special-share=0.05] [--accented-quarter]\n");
        return 2;
    }
    FILE *file = std::fopen(options.path.c_str(), "wb");
    if (!file) {
        std::perror(options.path.c_str());
        return 2;
    }
    Random random{375};
    std::vector<char> block;
    block.reserve(192 * 4096);
    std::uint64_t specials = 0;
    for (std::uint64_t index = 0; index < options.records; ++index) {
        const bool special = double(random.below(1000000)) < options.specialShare * 1000000;
        char record[256];
        fillRecord(record, index, specials, special, random);
        specials += special;
        record[190] = '\r';
        record[191] = '\n';
        std::size_t length = 192;
        if (options.accentEvery != 0 && index % options.accentEvery == 0)
            length = accentName(record);
        block.insert(block.end(), record, record + length);
        if (block.size() >= 192 * 4096) {
            std::fwrite(block.data(), 1, block.size(), file);
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), file);
    if (std::fclose(file) != 0) {
        std::perror(options.path.c_str());
        return 2;
    }
    return 0;
}
