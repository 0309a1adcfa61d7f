#pragma once
// A cheap answer to "has the screen changed?" for whoever shows a host's screen live (the
// launcher's browser view): a number that moves whenever what the visible windows show moves, so
// that a full screenshot is taken only when there is something new to see. Main thread only.
//
// What counts: each visible window's views, and the controllers they present, by class, frame,
// scroll offset, visibility, alpha, background, picture, first responder, content redrawn, and what a screen reader
// reads from them (texts, values, states), plus whatever the host draws of its own (the clock, a
// wallpaper), handed in as `hostState`.
#include <cstdint>

// A hash of what the visible windows show.
std::uint64_t visibleWindowsSignature();

// The host's revision: starts at 1 and goes up by one each time the signature of the windows,
// mixed with hostState, differs from the one seen by the call before.
std::uint64_t screenRevision(std::uint64_t hostState);

// Mixes a value into a running hash (FNV-1a over its bytes). A hash starts from the seed: a value
// used as the start instead could cancel against the next one mixed in.
inline constexpr std::uint64_t kSignatureSeed = 1469598103934665603ull;
std::uint64_t mixSignature(std::uint64_t hash, std::uint64_t value);
