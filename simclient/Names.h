// Names.h: directory names as the stand-in reads them: typeless dotted names,
// leaf first ("JSmith.Sales.Acme"), type prefixes such as "CN=" ignored, and
// compared without regard to case.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nwsim {

// One part of a name: as written (type prefix included), and the key that
// compares it (type prefix dropped, upper case).
struct NamePart {
    std::string text;
    std::wstring key;
};

// A name's parts, leaf first. The empty name is the root.
using DsName = std::vector<NamePart>;

// The parts of a dotted name; nullopt if a part is empty ("A..B", "CN=").
// The empty text gives the root.
std::optional<DsName> splitName(std::string_view dotted);

// A name context as NWDSSetContext takes it: a dotted name, with "[Root]"
// and the empty text meaning the root, and one leading period allowed.
std::optional<DsName> splitContext(std::string_view context);

bool sameName(const DsName& a, const DsName& b);

// Whether `name` lies beneath `container` (has more parts and ends in it).
bool isBeneath(const DsName& name, const DsName& container);

// The first `count` parts of `name` as written, joined by periods.
std::string joinParts(const DsName& name, std::size_t count);

}  // namespace nwsim
