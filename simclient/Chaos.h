// Chaos.h: the hostile client of chaos mode: random result codes and random
// outputs within the buffers' sizes, the same for the same seed and calls.
#pragma once

#include "Codes.h"

#include <cstddef>
#include <cstdint>

namespace nwsim {

class Chaos {
public:
    // `failures` calls in 16 fail.
    Chaos(std::uint32_t seed, std::uint32_t failures);

    // 0 for most calls, else a nonzero code: the client's usual ones,
    // -601 among them, or any 32-bit value.
    ResultCode code();

    // Fills the buffer of `size` bytes with a random name, or leaves it
    // untouched. A name is 1 to `size` bytes from 0x01..0xFF, ended by a NUL
    // when it is shorter than the buffer; sometimes empty; sometimes with
    // random bytes behind its NUL. Gives the number of bytes written.
    std::size_t name(char* buffer, std::size_t size);

    // Writes a random 32-bit value (often an extreme one), or leaves the
    // variable untouched. Gives whether it wrote.
    template <class T>
    bool value(T* out) {
        std::uint32_t v;
        if (!value32(v)) return false;
        *out = static_cast<T>(v);
        return true;
    }

private:
    bool value32(std::uint32_t& out);
    std::uint64_t next();
    std::uint32_t below(std::uint32_t n);

    std::uint64_t state_;
    std::uint32_t failures_;
};

}  // namespace nwsim
