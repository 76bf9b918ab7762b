// Network.cpp: reading a network description into the simulated network.
#include "Network.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <utility>

namespace nwsim {

namespace {

constexpr std::array<const char*, opCount> opNames = {
    "NWCallsInit", "NWGetDefaultConnectionID", "NWGetVolumeName", "NWGetObjDiskRestrictions", "NWCallsTerm",
    "NWNetInit", "NWGetDefaultNameContext", "NWDSCreateContextHandle", "NWDSSetContext", "NWDSWhoAmI",
    "NWDSResolveName", "NWDSFreeContext", "NWNetTerm",
};

constexpr ObjectId firstObjectId = 0x02000001;

// Limits of the texts the client writes into fixed buffers. A text needs
// room for its NUL; raw bytes (hex:) may fill the whole buffer.
constexpr std::size_t contextBytes = netware::defaultNameContextSize;  // 256
constexpr std::size_t userBytes = netware::whoAmISize;                 // 256
constexpr std::size_t volumeBytes = netware::volumeNameSize;           // 24

std::wstring trim(std::wstring_view text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::wstring(text);
}

bool equalNoCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool startsNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The text in the ANSI code page, as the client holds it; nullopt if a
// character has no place there (a look-alike would be a different name).
std::optional<std::string> toAnsi(std::wstring_view text) {
    if (text.empty()) return std::string();
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr,
                                           utf8 ? nullptr : &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, ansi.data(), length, nullptr,
                        utf8 ? nullptr : &usedDefault);
    if (usedDefault) return std::nullopt;
    return ansi;
}

// A number: decimal, signed or unsigned 32-bit, or 0x and up to 8 hex digits.
// Kept as its 32 bits.
std::optional<std::uint32_t> parseNumber(std::wstring_view text) {
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        text.remove_prefix(2);
        if (text.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        for (wchar_t c : text) {
            if (!std::iswxdigit(c) || c > 0x7F) return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(std::iswdigit(c) ? c - L'0' : (c | 0x20) - L'a' + 10);
        }
        return value;
    }
    const bool negative = !text.empty() && text[0] == L'-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (negative ? value > 0x80000000ull : value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(negative ? 0 - value : value);
}

// A volume number written after a key's prefix ("volume12").
std::optional<std::size_t> parseVolumeNumber(std::wstring_view digits) {
    if (digits.empty() || digits.size() > 3) return std::nullopt;
    std::size_t value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - L'0');
    }
    return value;
}

struct Entry {
    int line = 0;
    std::wstring key, value;
};

struct Section {
    int line = 0;
    std::wstring header;  // the text between the brackets
    std::vector<Entry> entries;
};

class Reader {
public:
    Reader(const std::wstring& source, std::vector<std::wstring>& problems) : source_(source), problems_(problems) {}

    Network read(std::wstring_view text) {
        const std::vector<Section> sections = split(text);
        // Servers first, so that the workstation and users may name any of them.
        for (const Section& s : sections)
            if (kindOf(s) == L"server") readServer(s);
        for (const Section& s : sections) {
            const std::wstring kind = kindOf(s);
            if (kind == L"server") continue;
            if (kind == L"workstation" && argumentOf(s).empty()) readWorkstation(s);
            else if (kind == L"faults" && argumentOf(s).empty()) readFaults(s);
            else if (kind == L"client" && argumentOf(s).empty()) readClient(s);
            else if (kind == L"context" || kind == L"user") continue;
            else sectionProblem(s, L"unknown section");
        }
        numberConnections();
        for (const Section& s : sections)
            if (kindOf(s) == L"context") readContext(s);
        for (const Section& s : sections)
            if (kindOf(s) == L"user") readUser(s);
        if (problems_.size() != problemsBefore_) return Network{};
        return std::move(net_);
    }

private:
    const std::wstring& source_;
    std::vector<std::wstring>& problems_;
    std::size_t problemsBefore_ = problems_.size();
    Network net_;

    void problem(int line, const std::wstring& section, const std::wstring& key, const std::wstring& what) {
        std::wstring where;
        if (!section.empty()) where = L"[" + section + L"]";
        if (!key.empty()) where += (where.empty() ? L"" : L" ") + key;
        problems_.push_back(L"nwsim: " + source_ + L" line " + std::to_wstring(line) + L": " +
                            (where.empty() ? L"" : where + L": ") + what);
    }
    void sectionProblem(const Section& s, const std::wstring& what) { problem(s.line, s.header, L"", what); }
    void keyProblem(const Section& s, const Entry& e, const std::wstring& what) { problem(e.line, s.header, e.key, what); }

    static std::wstring kindOf(const Section& s) {
        std::wstring kind = s.header.substr(0, s.header.find(L' '));
        CharLowerBuffW(kind.data(), static_cast<DWORD>(kind.size()));
        return kind;
    }
    static std::wstring argumentOf(const Section& s) {
        const auto space = s.header.find(L' ');
        return space == std::wstring::npos ? std::wstring() : trim(std::wstring_view(s.header).substr(space));
    }

    // Lines into sections of key=value entries. A line that starts with ';'
    // or '#' is a comment, and so is what follows a ';' after a blank.
    std::vector<Section> split(std::wstring_view text) {
        std::vector<Section> sections;
        int number = 0;
        while (!text.empty()) {
            ++number;
            const auto end = text.find(L'\n');
            std::wstring_view raw = text.substr(0, end);
            text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
            for (std::size_t i = 1; i < raw.size(); ++i)
                if (raw[i] == L';' && (raw[i - 1] == L' ' || raw[i - 1] == L'\t')) {
                    raw = raw.substr(0, i);
                    break;
                }
            const std::wstring line = trim(raw);
            if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
            if (line[0] == L'[') {
                if (line.back() != L']') {
                    problem(number, L"", L"", L"a section header needs its closing ']'");
                    continue;
                }
                Section s{number, trim(std::wstring_view(line).substr(1, line.size() - 2)), {}};
                // One blank between a section's kind and its name, however written.
                if (const auto space = s.header.find_first_of(L" \t"); space != std::wstring::npos)
                    s.header = s.header.substr(0, space) + L" " + trim(std::wstring_view(s.header).substr(space));
                for (const Section& other : sections)
                    if (equalNoCase(other.header, s.header))
                        problem(number, s.header, L"", L"duplicate section (first at line " +
                                                           std::to_wstring(other.line) + L")");
                sections.push_back(std::move(s));
                continue;
            }
            const auto eq = line.find(L'=');
            if (sections.empty()) {
                problem(number, L"", L"", L"a key outside any section");
                continue;
            }
            Section& s = sections.back();
            if (eq == std::wstring::npos) {
                problem(number, s.header, L"", L"not a key=value line: " + line);
                continue;
            }
            Entry e{number, trim(std::wstring_view(line).substr(0, eq)), trim(std::wstring_view(line).substr(eq + 1))};
            bool duplicate = false;
            for (const Entry& other : s.entries)
                if (equalNoCase(other.key, e.key)) duplicate = true;
            if (duplicate) keyProblem(s, e, L"duplicate key");
            else s.entries.push_back(std::move(e));
        }
        return sections;
    }

    // Bytes of a name: text of the ANSI code page with room left for its NUL,
    // or "hex:" and up to `size` bytes (blanks between them allowed).
    std::optional<std::string> bytesOf(const Section& s, const Entry& e, std::size_t size) {
        std::wstring_view value = e.value;
        if (startsNoCase(value, L"hex:")) {
            value.remove_prefix(4);
            std::string bytes;
            int digits = 0;
            unsigned byte = 0;
            for (wchar_t c : value) {
                if (c == L' ' || c == L'\t') continue;
                if (c > 0x7F || !std::iswxdigit(c)) {
                    keyProblem(s, e, L"hex: takes hex digits only");
                    return std::nullopt;
                }
                byte = byte * 16 + static_cast<unsigned>(std::iswdigit(c) ? c - L'0' : (c | 0x20) - L'a' + 10);
                if (++digits % 2 == 0) {
                    bytes += static_cast<char>(byte);
                    byte = 0;
                }
            }
            if (digits % 2) {
                keyProblem(s, e, L"hex: needs two digits per byte");
                return std::nullopt;
            }
            if (bytes.size() > size) {
                keyProblem(s, e, L"longer than its buffer allows (" + std::to_wstring(bytes.size()) + L" bytes, at most " +
                                     std::to_wstring(size) + L")");
                return std::nullopt;
            }
            return bytes;
        }
        const auto ansi = toAnsi(value);
        if (!ansi) {
            keyProblem(s, e, L"has characters outside the ANSI code page (write it as hex:)");
            return std::nullopt;
        }
        if (ansi->size() + 1 > size) {
            keyProblem(s, e, L"longer than its buffer allows (" + std::to_wstring(ansi->size()) + L" bytes, at most " +
                                 std::to_wstring(size - 1) + L" and the NUL; hex: may fill the buffer)");
            return std::nullopt;
        }
        return ansi;
    }

    std::optional<std::uint32_t> numberOf(const Section& s, const Entry& e) {
        const auto value = parseNumber(e.value);
        if (!value) keyProblem(s, e, L"'" + e.value + L"' is not a number");
        return value;
    }

    // The volume number after a key's prefix; reports a bad one.
    std::optional<std::size_t> volumeOf(const Section& s, const Entry& e, std::size_t prefix) {
        const auto volume = parseVolumeNumber(std::wstring_view(e.key).substr(prefix));
        if (!volume) keyProblem(s, e, L"unknown key (a volume number must follow '" + e.key.substr(0, prefix) + L"')");
        else if (*volume >= static_cast<std::size_t>(netware::maxVolumes)) {
            keyProblem(s, e, L"volume number outside 0-63");
            return std::nullopt;
        }
        return volume;
    }

    std::optional<std::size_t> serverNamed(std::wstring_view name) const {
        const auto ansi = toAnsi(name);
        if (!ansi) return std::nullopt;
        for (std::size_t i = 0; i < net_.servers.size(); ++i)
            if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, net_.servers[i].name.data(),
                               static_cast<int>(net_.servers[i].name.size()), ansi->data(),
                               static_cast<int>(ansi->size())) == CSTR_EQUAL)
                return i;
        return std::nullopt;
    }

    void readServer(const Section& s) {
        const auto name = toAnsi(argumentOf(s));
        if (!name || name->empty()) {
            sectionProblem(s, name ? L"a server needs a name" : L"server name outside the ANSI code page");
            return;
        }
        Server server;
        server.name = *name;
        for (const Entry& e : s.entries) {
            if (!startsNoCase(e.key, L"volume")) {
                keyProblem(s, e, L"unknown key");
                continue;
            }
            if (const auto volume = volumeOf(s, e, 6))
                if (auto bytes = bytesOf(s, e, volumeBytes)) server.volumes[*volume] = std::move(*bytes);
        }
        net_.servers.push_back(std::move(server));
    }

    void readWorkstation(const Section& s) {
        for (const Entry& e : s.entries) {
            if (equalNoCase(e.key, L"context")) {
                if (auto bytes = bytesOf(s, e, contextBytes)) net_.context = std::move(*bytes);
            } else if (equalNoCase(e.key, L"user")) {
                // Room for the leading period of the absolute form and the NUL.
                const bool raw = startsNoCase(e.value, L"hex:");
                auto bytes = bytesOf(s, e, raw ? userBytes : userBytes - 1);
                if (!bytes) continue;
                net_.user = std::move(*bytes);
                net_.userRaw = raw;
                if (!raw) {
                    std::string_view dotted = net_.user;
                    if (!dotted.empty() && dotted.front() == '.') dotted.remove_prefix(1);
                    net_.userName = splitName(dotted);
                    if (!net_.userName || net_.userName->empty()) keyProblem(s, e, L"not a dotted name");
                }
            } else if (equalNoCase(e.key, L"server")) {
                net_.defaultServer = serverNamed(e.value);
                if (!net_.defaultServer) keyProblem(s, e, L"no [server " + e.value + L"] section");
            } else {
                keyProblem(s, e, L"unknown key");
            }
        }
    }

    // The default server's connection is 1, the others follow in the order
    // of the description.
    void numberConnections() {
        ConnHandle next = 2;
        for (std::size_t i = 0; i < net_.servers.size(); ++i)
            net_.servers[i].conn = (net_.defaultServer == i) ? 1 : next++;
    }

    std::optional<DsName> dottedNameOf(const Section& s) {
        const auto ansi = toAnsi(argumentOf(s));
        if (!ansi) {
            sectionProblem(s, L"name outside the ANSI code page");
            return std::nullopt;
        }
        std::string_view dotted = *ansi;
        if (!dotted.empty() && dotted.front() == '.') dotted.remove_prefix(1);
        auto name = splitName(dotted);
        if (!name || name->empty()) {
            sectionProblem(s, L"not a dotted name");
            return std::nullopt;
        }
        return name;
    }

    // Adds a container and every container above it.
    void addContainers(const DsName& name, std::size_t from) {
        for (std::size_t i = from; i < name.size(); ++i) {
            DsName container(name.begin() + static_cast<std::ptrdiff_t>(i), name.end());
            if (!net_.hasContainer(container)) net_.containers.push_back(std::move(container));
        }
    }

    void readContext(const Section& s) {
        const auto name = dottedNameOf(s);
        if (!name) return;
        for (const Entry& e : s.entries) keyProblem(s, e, L"unknown key (a context has no keys)");
        addContainers(*name, 0);
    }

    void readUser(const Section& s) {
        auto name = dottedNameOf(s);
        if (!name) return;
        if (net_.userByName(*name)) {
            sectionProblem(s, L"the same user twice");
            return;
        }
        User user;
        user.name = std::move(*name);
        user.id = firstObjectId + static_cast<ObjectId>(net_.users.size());
        std::optional<std::size_t> server = net_.defaultServer;
        for (const Entry& e : s.entries)
            if (equalNoCase(e.key, L"server")) {
                server = serverNamed(e.value);
                if (!server) {
                    keyProblem(s, e, L"no [server " + e.value + L"] section");
                    return;
                }
            }
        if (!server) {
            sectionProblem(s, L"no server= and no default server in [workstation]");
            return;
        }
        user.server = *server;
        for (const Entry& e : s.entries) {
            if (equalNoCase(e.key, L"server")) continue;
            enum class Field { none, restriction, inUse, error } field = Field::none;
            std::size_t prefix = 0;
            for (const auto& [text, f] : {std::pair{std::wstring_view(L"restriction"), Field::restriction},
                                          std::pair{std::wstring_view(L"inUse"), Field::inUse},
                                          std::pair{std::wstring_view(L"error"), Field::error}})
                if (startsNoCase(e.key, text)) {
                    field = f;
                    prefix = text.size();
                }
            if (field == Field::none) {
                keyProblem(s, e, L"unknown key");
                continue;
            }
            const auto volume = volumeOf(s, e, prefix);
            const auto value = numberOf(s, e);
            if (!volume || !value) continue;
            if (!net_.servers[user.server].volumes[*volume]) {
                keyProblem(s, e, L"server " + widen(net_.servers[user.server].name) + L" has no volume " +
                                     std::to_wstring(*volume));
                continue;
            }
            Quota& quota = user.quotas[*volume];
            if (field == Field::restriction) quota.restriction = *value;
            else if (field == Field::inUse) quota.inUse = *value;
            else quota.error = static_cast<ResultCode>(*value);
        }
        addContainers(user.name, 1);
        net_.users.push_back(std::move(user));
    }

    void readFaults(const Section& s) {
        for (const Entry& e : s.entries) {
            const auto hash = e.key.find(L'#');
            const std::wstring operation = trim(std::wstring_view(e.key).substr(0, hash));
            std::optional<std::size_t> op;
            for (std::size_t i = 0; i < opCount; ++i)
                if (equalNoCase(operation, widen(opNames[i]))) op = i;
            if (!op) {
                keyProblem(s, e, L"no operation of that name");
                continue;
            }
            std::optional<std::uint32_t> number;
            if (hash != std::wstring::npos) {
                number = parseNumber(trim(std::wstring_view(e.key).substr(hash + 1)));
                if (!number || *number == 0 || *number > 0x7FFFFFFF) {
                    keyProblem(s, e, L"the call number after '#' counts from 1");
                    continue;
                }
            }
            Fault fault;
            std::wstring_view value = e.value;
            if (const auto comma = value.find(L','); comma != std::wstring_view::npos) {
                if (!equalNoCase(trim(value.substr(comma + 1)), L"write")) {
                    keyProblem(s, e, L"only ',write' may follow the code");
                    continue;
                }
                fault.write = true;
                value = value.substr(0, comma);
            }
            const auto code = parseNumber(trim(value));
            if (!code) {
                keyProblem(s, e, L"'" + e.value + L"' is not a number");
                continue;
            }
            fault.code = static_cast<ResultCode>(*code);
            if (number) net_.faults[*op].nth[*number] = fault;
            else net_.faults[*op].every = fault;
        }
    }

    void readClient(const Section& s) {
        for (const Entry& e : s.entries) {
            if (equalNoCase(e.key, L"delay_us")) {
                const auto value = numberOf(s, e);
                if (value && *value > 10'000'000) keyProblem(s, e, L"at most 10000000 (10 s)");
                else if (value) net_.delayUs = *value;
            } else if (equalNoCase(e.key, L"chaos")) {
                if (const auto value = numberOf(s, e)) net_.chaosSeed = *value;
            } else if (equalNoCase(e.key, L"chaos_failures")) {
                const auto value = numberOf(s, e);
                if (value && *value > 16) keyProblem(s, e, L"at most 16 (calls in 16)");
                else if (value) net_.chaosFailures = *value;
            } else if (equalNoCase(e.key, L"timing")) {
                if (e.value == L"0" || e.value == L"1") net_.timing = e.value == L"1";
                else keyProblem(s, e, L"takes 0 or 1");
            } else {
                keyProblem(s, e, L"unknown key");
            }
        }
    }
};

}  // namespace

const char* opName(Op op) { return opNames[static_cast<std::size_t>(op)]; }

const Fault* FaultPlan::forCall(std::uint32_t number) const {
    if (const auto it = nth.find(number); it != nth.end()) return &it->second;
    return every ? &*every : nullptr;
}

const Server* Network::serverByConn(ConnHandle conn) const {
    for (const Server& server : servers)
        if (server.conn == conn) return &server;
    return nullptr;
}

const User* Network::userByName(const DsName& name) const {
    for (const User& user : users)
        if (sameName(user.name, name)) return &user;
    return nullptr;
}

const User* Network::userById(ObjectId id) const {
    for (const User& user : users)
        if (user.id == id) return &user;
    return nullptr;
}

bool Network::hasContainer(const DsName& name) const {
    if (name.empty()) return true;
    return std::any_of(containers.begin(), containers.end(),
                       [&](const DsName& container) { return sameName(container, name); });
}

Network readNetwork(std::wstring_view text, const std::wstring& source, std::vector<std::wstring>& problems) {
    return Reader(source, problems).read(text);
}

std::wstring decodeText(std::string_view bytes) {
    const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        std::wstring text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
            const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
            text += static_cast<wchar_t>(hi << 8 | lo);
        }
        return text;
    }
    UINT codePage = CP_ACP;
    if (starts("\xEF\xBB\xBF")) {
        codePage = CP_UTF8;
        bytes.remove_prefix(3);
    }
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    return text;
}

}  // namespace nwsim
