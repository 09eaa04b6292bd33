// The localised string table: the same texts in Italian (1000…), English (2000…) and German
// (3000…), looked up by LanguageBase + offset. Texts are UTF-8.
#pragma once

#include <string>

namespace cavix::strings {

// Offsets inside a language block.
namespace id {
inline constexpr int kTitle = 0;
inline constexpr int kStandard = 1;
inline constexpr int kSize = 2;
inline constexpr int kHoleLength = 3;
inline constexpr int kBottomV = 4;
inline constexpr int kThread = 5;
inline constexpr int kThrough = 6;
inline constexpr int kFlat = 7;
inline constexpr int kRecessFrame = 8;
inline constexpr int kDiameter = 9;
inline constexpr int kDepth = 10;
inline constexpr int kAngle = 11;
inline constexpr int kOk = 12;
inline constexpr int kCancel = 13;
inline constexpr int kMillimetresOnly = 14;
inline constexpr int kThreadFrame = 20;
inline constexpr int kLengthAfterThread = 21;
inline constexpr int kThreadPitch = 22;
inline constexpr int kThreadLength = 23;
inline constexpr int kMustBePositive = 50;
inline constexpr int kRecessTooSmall = 52;
}  // namespace id

// The text of a string-table identifier (1000-1014, 1020-1023, 1050, 1052 and the same in the
// 2000 and 3000 blocks). Any other identifier raises 326 "Resource with identifier '<id>' not
// found".
std::string LoadResString(int identifier);

// The text at languageBase (1000, 2000 or 3000) + offset.
std::string LocalisedText(int languageBase, int offset);

}  // namespace cavix::strings
