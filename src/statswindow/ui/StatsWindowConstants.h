#pragma once

// Positions in the statistics window's lists and the kinds of its client requests, shared by the files that
// make up the window.
namespace StatsWindow {

// The graph's frequency list.
enum Frequency { Hourly = 0, Daily = 1, Weekly = 2, Monthly = 3 };
// The chart and graph type lists (StatsChart::typeNames).
inline constexpr int kTypeBar2D = 1;
inline constexpr int kTypeLine2D = 3;
// The waiting notes of a client's requests.
inline constexpr char kStatsKind[] = "STATS";
inline constexpr char kGraphKind[] = "GRAPH";

} // namespace StatsWindow
