// Trace.h: the stand-in client's call trace, read back and split into calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Check.h"

namespace driver {

// One traced call: `NWDSSetContext context=1 key=3 value="O=Acme" -> 0`.
// Values are kept as text: numbers as their decimal digits, quoted texts
// with their \xHH escapes undone (so they hold the bytes the client saw).
struct Call {
    using Fields = std::vector<std::pair<std::string, std::string>>;

    std::string operation;
    Fields inputs;
    long long rc = 0;
    Fields outputs;
    std::string line;  // as written, for messages

    std::optional<std::string> in(std::string_view name) const;
    std::optional<std::string> out(std::string_view name) const;
};

class Trace {
public:
    Trace() = default;
    // Parses trace text; a line that does not parse is reported at `where`
    // and left out.
    explicit Trace(std::string_view text, const Where& where = Where::current());

    const std::vector<Call>& calls() const { return calls_; }
    // The operations in call order.
    std::vector<std::string> operations() const;
    // The calls of one operation, in call order.
    std::vector<Call> of(std::string_view operation) const;
    // The lines as written, comments left out.
    std::vector<std::string> lines() const;

private:
    std::vector<Call> calls_;
};

// Parses one line; nothing if it is not a call.
std::optional<Call> parseCall(std::string_view line);

}  // namespace driver
