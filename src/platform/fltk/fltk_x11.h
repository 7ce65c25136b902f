// What the window needs of X11 directly (kept apart: Xlib's macros stay in one file).
#pragma once

class Fl_Window;

namespace vexo::platform::fltk {

// Whether an X display can be opened now.
bool gf_x11DisplayAvailable();

// Asks the window manager to keep the window above others, or not.
void gf_x11SetAbove(Fl_Window& window, bool above);

}  // namespace vexo::platform::fltk
