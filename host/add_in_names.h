// The names the host and the add-in share: the catalog entry that drops holes and the class of
// its drop handler.
#pragma once

namespace cavix::host {

inline constexpr const char* kCatalogFile = "zentrox.icc";
inline constexpr const char* kCatalogLabel = "Fori";
inline constexpr const char* kDropHoleProgId = "Cavix.DropHole";
inline constexpr const char* kDropHoleClassId = "{88D03354-D7EE-11D4-85A2-00E08110F9CF}";

}  // namespace cavix::host
