// Files.h: reading and writing the benchmark's small files whole.
#pragma once

#include <optional>
#include <string>

namespace bench {

// The file's bytes; nothing if it cannot be opened.
std::optional<std::string> readAll(const std::wstring& path);

// Replaces the file with `bytes`; false if that fails.
bool writeAll(const std::wstring& path, const std::string& bytes);

}  // namespace bench
