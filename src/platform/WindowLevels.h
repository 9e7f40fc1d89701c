#pragma once
// The levels of the window port's layer list (WindowLayer::level), back to front: where the
// window manager keeps a window among the others. A window the user works with stands at one
// of the first three, as the user keeps it; docks and windows no window manager manages
// (menus, tooltips, notices, every panel of ours) stand over them.

namespace fw {

inline constexpr int kKeptBelowLevel = -3;
inline constexpr int kOrdinaryLevel = 0;
inline constexpr int kKeptAboveLevel = 3;
inline constexpr int kDockLevel = 20;
inline constexpr int kUnmanagedLevel = 101;

// A managed window that is no dock: ordinary, or kept above or below the others.
constexpr bool isWorkWindowLevel(int level)
{
    return level >= kKeptBelowLevel && level <= kKeptAboveLevel;
}

} // namespace fw
