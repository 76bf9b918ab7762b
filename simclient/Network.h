// Network.h: the simulated network (servers, volumes, the directory tree and
// its users, the workstation) as a network description gives it, with the
// faults and client settings the description asks for.
#pragma once

#include "Codes.h"
#include "Names.h"
#include "NetWare.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nwsim {

using netware::ConnHandle;
using netware::ObjectId;

// The thirteen operations, for fault plans and the trace.
enum class Op {
    CallsInit, GetDefaultConnectionID, GetVolumeName, GetObjDiskRestrictions, CallsTerm,
    NetInit, GetDefaultNameContext, DSCreateContextHandle, DSSetContext, DSWhoAmI,
    DSResolveName, DSFreeContext, NetTerm,
};
constexpr std::size_t opCount = 13;
const char* opName(Op op);

// What the client reports as the restriction of a user who has none.
constexpr std::uint32_t noRestriction = 1073741824;

struct Server {
    std::string name;
    ConnHandle conn = 0;
    // Volume number -> the bytes its name puts into the 24-byte buffer.
    std::array<std::optional<std::string>, netware::maxVolumes> volumes;
};

struct Quota {
    std::uint32_t restriction = noRestriction;
    std::uint32_t inUse = 0;
    std::optional<ResultCode> error;  // the call fails with this and writes nothing
};

struct User {
    DsName name;
    std::size_t server = 0;  // index into Network::servers
    ObjectId id = 0;
    std::array<Quota, netware::maxVolumes> quotas;
};

struct Fault {
    ResultCode code = 0;
    bool write = false;  // the call does its work, then gives `code`
};

struct FaultPlan {
    std::optional<Fault> every;
    std::map<std::uint32_t, Fault> nth;  // by call number, counting from 1

    const Fault* forCall(std::uint32_t number) const;
};

struct Network {
    std::string context;          // the default name context, as bytes
    std::string user;             // the logged-in user's name, as bytes
    bool userRaw = false;         // given as hex: NWDSWhoAmI writes exactly these bytes
    std::optional<DsName> userName;
    std::optional<std::size_t> defaultServer;
    std::vector<Server> servers;
    std::vector<DsName> containers;
    std::vector<User> users;
    std::array<FaultPlan, opCount> faults;
    std::uint32_t delayUs = 0;
    std::optional<std::uint32_t> chaosSeed;
    std::uint32_t chaosFailures = 3;  // calls in 16 that fail in chaos mode
    bool timing = false;

    const Server* serverByConn(ConnHandle conn) const;
    const User* userByName(const DsName& name) const;
    const User* userById(ObjectId id) const;
    bool hasContainer(const DsName& name) const;  // the root always exists
};

// Reads a network description (INI text). Each problem found is added to
// `problems` as one line that names `source`, the line, the section and the
// key. A description with any problem gives the empty network.
Network readNetwork(std::wstring_view text, const std::wstring& source, std::vector<std::wstring>& problems);

// The text of a description file's bytes: UTF-16 or UTF-8 with a byte-order
// mark, otherwise the ANSI code page, as the Windows profile functions read it.
std::wstring decodeText(std::string_view bytes);

}  // namespace nwsim
