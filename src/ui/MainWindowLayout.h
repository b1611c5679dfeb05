#pragma once

// The main window's geometry, shared by the files that build and place its
// controls. Not for use outside the window.
#include "ui/Panel.h"
#include "ui/WindowFrame.h"

#include <QSize>

namespace zelvane::window_layout {

// The window's geometry, in logical pixels. The least size is the one the
// controls were laid out for; a larger window gives what it gains to the
// panel, and the controls keep to the edge nearest them.
inline constexpr int kHeader = 46;
inline constexpr int kTabTop = 56;
inline constexpr int kTabHeight = 30;
inline constexpr int kTabWidth = 112;
inline constexpr int kSide = 16;             // between the panel and the window's sides
inline constexpr int kPanelTop = 96;
inline constexpr int kBelowPanel = 64;       // the legend's row and the status strip
// The panel's frame is a pixel wider on each side than the panel within.
inline constexpr QSize kLeastSize = kPanelLeastSize + QSize(2 * kSide + 2, kPanelTop + kBelowPanel + 2);
inline constexpr int kLegendFromBottom = 58;
inline constexpr int kStatusHeight = 32;
inline constexpr int kRound = 28;            // the round buttons of the header
inline constexpr int kGrip = WindowFrame::kGrip;

} // namespace zelvane::window_layout
