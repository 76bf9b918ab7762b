// Chaos.cpp: random codes and outputs for chaos mode.
#include "Chaos.h"

#include <array>

namespace nwsim {

Chaos::Chaos(std::uint32_t seed, std::uint32_t failures) : state_(seed), failures_(failures) {}

// splitmix64: small, and the same sequence on every compiler.
std::uint64_t Chaos::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint32_t Chaos::below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }

ResultCode Chaos::code() {
    // Mostly success, so that a program gets past its first calls often
    // enough to meet the later ones.
    if (below(16) < 16 - failures_) return 0;
    static constexpr std::array<ResultCode, 12> usual = {
        -1, 1, errNoSuchEntry, errNoSuchEntry, errNotEnoughMemory, errBadContext,
        errInvalidConnection, errVolumeDoesNotExist, errServerFailure, INT32_MIN, INT32_MAX, -32768,
    };
    if (below(4) < 3) return usual[below(usual.size())];
    for (;;)
        if (const auto any = static_cast<ResultCode>(next())) return any;
}

std::size_t Chaos::name(char* buffer, std::size_t size) {
    if (size == 0 || below(8) == 0) return 0;
    std::size_t length;
    switch (below(8)) {
    case 0: length = 0; break;                 // the empty name
    case 1: case 2: length = size; break;      // no NUL inside the buffer
    default: length = size > 1 ? 1 + below(static_cast<std::uint32_t>(size - 1)) : size; break;
    }
    for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<char>(1 + below(255));
    if (length == size) return size;
    buffer[length] = '\0';
    if (below(2) == 0) return length + 1;
    for (std::size_t i = length + 1; i < size; ++i) buffer[i] = static_cast<char>(below(256));
    return size;
}

bool Chaos::value32(std::uint32_t& out) {
    if (below(8) == 0) return false;
    static constexpr std::array<std::uint32_t, 9> extreme = {
        0, 1, 5, 0x3FFFFFFF, 0x40000000, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF,
    };
    out = below(2) ? extreme[below(extreme.size())] : static_cast<std::uint32_t>(next());
    return true;
}

}  // namespace nwsim
