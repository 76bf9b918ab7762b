// PeFile.h: the size of an executable and the DLLs it imports, read from
// the file itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bench {

struct PeFacts {
    std::uint64_t size = 0;
    std::vector<std::string> imports;  // DLL names, lower case, in table order
};

std::optional<PeFacts> readPe(const std::wstring& path);

}  // namespace bench
