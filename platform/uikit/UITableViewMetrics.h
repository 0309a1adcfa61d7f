#pragma once
// The numbers of a list's looks, in points, shared by the files that lay a list out and draw it.
// UITableView.h describes what they mean.
#include <cstddef>

namespace uitableview {

inline constexpr double kGroupSpacing = 35;
inline constexpr double kHeaderTitleTop = 17;
inline constexpr double kHeaderTitleBottom = 6;
inline constexpr double kFooterTitleTop = 6;
inline constexpr double kFooterTitleBottom = 6;
inline constexpr double kPlainHeaderHeight = 28;
inline constexpr double kTitleInset = 16;
inline constexpr double kInsetCornerRadius = 10;
inline constexpr double kNarrowMargin = 16;
inline constexpr double kWideMargin = 20;
inline constexpr double kWideListWidth = 414;
// A row flicked sideways at least this fast (points per second) opens or closes whatever the
// distance.
inline constexpr double kSwipeFlickSpeed = 400;
// Beyond these a count is a data source's mistake; the list shows this many and says so.
inline constexpr int kMaxRowsPerSection = 1000000;
inline constexpr int kMaxSections = 100000;
// Cells kept per reuse identifier; more would only hold memory.
inline constexpr std::size_t kMaxQueuedCells = 64;

}  // namespace uitableview
