// Generated standards files of a given size for the benchmarks: a TAB file of plain clearance
// sizes (four rows per size, as the shipped tables have) and an INI file whose wanted section
// comes after filler sections, so that every query has to read the whole file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace cavix::bench {

// The size key of size number i ("S0000001").
inline std::string SizeKey(int64_t i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "S%07lld", static_cast<long long>(i));
  return buf;
}

struct TabInfo {
  int64_t sizes = 0;
  std::string firstKey, lastKey;
};

// Writes a TAB file of at least `bytes` bytes in the form of the tapped counterbore tables:
// "@" heading lines, then rows "  KEY | D | L | Dbore | Depth | HToll | AfterThr | Pitch |
// TapDrill | D1", four per size, with lengths 1, 1.5, 2 and 3 x D.
inline TabInfo WriteTab(const std::filesystem::path& path, int64_t bytes) {
  std::ofstream out(path, std::ios::binary);
  out << "@ Generated tapped counterbored holes for benchmarks (mm).\r\n"
      << "@ Size     | D        | L        | Dbore    | Depth    | HToll    | AfterThr | Pitch    "
         "| TapDrill | D1\r\n";
  TabInfo info;
  char row[256];
  int64_t written = 0;
  for (int64_t i = 0; written < bytes; ++i) {
    const double d = 1 + static_cast<double>(i % 997) * 0.25;
    for (double k : {1.0, 1.5, 2.0, 3.0}) {
      const double pitch = 0.25 + static_cast<double>(i % 11) * 0.25;
      const int n = std::snprintf(row, sizeof row,
                                  "  %-8s | %-8g | %-8g | %-8g | %-8g | %-8g | %-8g | %-8g | %-8g | "
                                  "%-8g\r\n",
                                  SizeKey(i).c_str(), d, d * k, d * 1.8, d * 1.06, 0.2 + (i % 7) * 0.1,
                                  pitch * 3, pitch, d - pitch, d - pitch * 1.0825);
      out.write(row, n);
      written += n;
    }
    if (i == 0) info.firstKey = SizeKey(i);
    info.lastKey = SizeKey(i);
    info.sizes = i + 1;
  }
  return info;
}

// Writes an INI file of at least `bytes` bytes: filler sections "[9 k]" with entries, then the
// eight sections of a family, each listing `tabFile` as "Generated".
inline void WriteIni(const std::filesystem::path& path, int64_t bytes, const std::string& tabFile) {
  std::ofstream out(path, std::ios::binary);
  out << "; Generated standards family for benchmarks.\r\n";
  int64_t written = 0;
  char line[128];
  for (int64_t s = 0; written < bytes; ++s) {
    written += std::snprintf(line, sizeof line, "[9 %lld] filler\r\n", static_cast<long long>(s));
    out << line;
    for (int e = 0; e < 16; ++e) {
      const int n = std::snprintf(line, sizeof line, "\"filler%lld_%d.tab\" \"Filler %lld/%d\"\r\n",
                                  static_cast<long long>(s), e, static_cast<long long>(s), e);
      out.write(line, n);
      written += n;
    }
  }
  for (int type = 1; type <= 4; ++type)
    for (int thread = 0; thread <= 1; ++thread)
      out << "[" << type << " " << thread << "]\r\n\"" << tabFile << "\" \"Generated\"\r\n";
  out << "[END]\r\n";
}

}  // namespace cavix::bench
