#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace support {

// splitmix64: deterministic on every platform, so a seed names one input.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // From 0 to bound - 1.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    bool chance(double share) { return double(next() >> 11) / double(1ULL << 53) < share; }

    // Bytes drawn from the alphabet, or any bytes when it is empty.
    std::string bytes(std::size_t size, std::string_view alphabet = {})
    {
        std::string text(size, '\0');
        for (char &byte : text)
            byte = alphabet.empty() ? char(below(256)) : alphabet[below(alphabet.size())];
        return text;
    }

private:
    std::uint64_t state;
};

} // namespace support
