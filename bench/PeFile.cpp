// PeFile.cpp: the size of an executable and the DLLs it imports.
#include "PeFile.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Files.h"

namespace bench {

namespace {

template <class T>
std::optional<T> at(const std::string& bytes, std::uint64_t offset) {
    if (offset + sizeof(T) > bytes.size()) return std::nullopt;
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

}  // namespace

std::optional<PeFacts> readPe(const std::wstring& path) {
    const std::optional<std::string> bytes = readAll(path);
    if (!bytes) return std::nullopt;
    PeFacts facts;
    facts.size = bytes->size();

    const auto dos = at<IMAGE_DOS_HEADER>(*bytes, 0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return std::nullopt;
    const auto nt = at<IMAGE_NT_HEADERS32>(*bytes, static_cast<std::uint64_t>(dos->e_lfanew));
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        return std::nullopt;

    // Addresses in the import table are relative to the loaded image; the
    // section table maps them back to the file.
    const std::uint64_t sections = static_cast<std::uint64_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                   nt->FileHeader.SizeOfOptionalHeader;
    const auto fileOffset = [&](DWORD rva) -> std::optional<std::uint64_t> {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto section = at<IMAGE_SECTION_HEADER>(*bytes, sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (!section) return std::nullopt;
            const DWORD size = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size)
                return std::uint64_t{rva} - section->VirtualAddress + section->PointerToRawData;
        }
        return std::nullopt;
    };

    const IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return facts;
    const auto table = fileOffset(directory.VirtualAddress);
    if (!table) return std::nullopt;
    for (std::uint64_t entry = *table;; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = at<IMAGE_IMPORT_DESCRIPTOR>(*bytes, entry);
        if (!descriptor) return std::nullopt;
        if (descriptor->Name == 0) break;
        const auto name = fileOffset(descriptor->Name);
        if (!name || *name >= bytes->size()) return std::nullopt;
        std::string dll(bytes->c_str() + *name);
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        facts.imports.push_back(dll);
    }
    return facts;
}

}  // namespace bench
