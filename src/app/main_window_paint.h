// Painting the main window: everything except the child controls is drawn by the
// program into one canvas, which the window system shows in one step.
#pragma once

#include <string_view>

#include "foundation/main_window_state.h"
#include "foundation/status_line.h"
#include "platform/canvas.h"

namespace vexo {

// The WM_PAINT body: the five areas, the header, the state band, the labels, the
// static-parking band and the status line.
void lf_paintMainWindow(platform::Canvas& canvas, const MainWindowState& state = g_mainWindowState);

// The painters of the areas.
void lf_paintCounters(platform::Canvas& canvas, const MainWindowState& state = g_mainWindowState);
void lf_paintLabels(platform::Canvas& canvas, const MainWindowState& state = g_mainWindowState);
void lf_paintParkPanel(platform::Canvas& canvas, const MainWindowState& state = g_mainWindowState);
void lf_paintStatusLine(platform::Canvas& canvas, const StatusLine& statusLine = g_statusLine);

// Draws one UTF-8 text with its top-left corner at (x, y); text that is not valid UTF-8
// is logged and not drawn.
void lf_textOut(platform::Canvas& canvas, int x, int y, std::string_view text, platform::Colour colour);

}  // namespace vexo
