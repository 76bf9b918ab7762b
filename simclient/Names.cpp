// Names.cpp: splitting and comparing directory names.
#include "Names.h"

#include <windows.h>

namespace nwsim {

namespace {

// The part's key: its type prefix dropped, in upper case. The bytes are text
// of the ANSI code page, so case is folded there, not in ASCII alone.
std::wstring partKey(std::string_view part) {
    if (const auto eq = part.find('='); eq != std::string_view::npos) part.remove_prefix(eq + 1);
    if (part.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, part.data(), static_cast<int>(part.size()), nullptr, 0);
    std::wstring key(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, part.data(), static_cast<int>(part.size()), key.data(), length);
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

}  // namespace

std::optional<DsName> splitName(std::string_view dotted) {
    DsName name;
    if (dotted.empty()) return name;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = dotted.find('.', start);
        const std::string_view part = dotted.substr(start, dot == std::string_view::npos ? dotted.npos : dot - start);
        NamePart np{std::string(part), partKey(part)};
        if (np.key.empty()) return std::nullopt;
        name.push_back(std::move(np));
        if (dot == std::string_view::npos) return name;
        start = dot + 1;
    }
}

std::optional<DsName> splitContext(std::string_view context) {
    if (!context.empty() && context.front() == '.') context.remove_prefix(1);
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, context.data(), static_cast<int>(context.size()),
                       "[Root]", 6) == CSTR_EQUAL)
        return DsName{};
    return splitName(context);
}

bool sameName(const DsName& a, const DsName& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].key != b[i].key) return false;
    return true;
}

bool isBeneath(const DsName& name, const DsName& container) {
    if (name.size() <= container.size()) return false;
    const std::size_t offset = name.size() - container.size();
    for (std::size_t i = 0; i < container.size(); ++i)
        if (name[offset + i].key != container[i].key) return false;
    return true;
}

std::string joinParts(const DsName& name, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count && i < name.size(); ++i) {
        if (i) text += '.';
        text += name[i].text;
    }
    return text;
}

}  // namespace nwsim
