// The real window on a display: what it shows and how its controls reach the program.
// Runs on DISPLAY when set, else on an Xvfb of its own; skipped when neither is there.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "platform/fltk/fltk_widgets.h"
#include "platform/fltk/fltk_window.h"
#include "test_support.h"

extern char** environ;

// The font library keeps its caches for the life of the process; that is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

using namespace vexo;

namespace {

bool lf_onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string rest = path;
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::string dir = rest.substr(0, colon);
    if (!dir.empty() && ::access((std::filesystem::path(dir) / program).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) break;
    rest.erase(0, colon + 1);
  }
  return false;
}

// An X server for the test process: the one DISPLAY names, else a private Xvfb, which
// picks a free display number itself (-displayfd) and tells it on a pipe.
class Display {
public:
  Display() {
    if (const char* d = std::getenv("DISPLAY"); d != nullptr && *d != '\0') {
      ready_ = true;
      return;
    }
    if (!lf_onPath("Xvfb")) {
      why_ = "DISPLAY is not set and Xvfb is missing (scripts/setup.sh installs it)";
      return;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
      why_ = "pipe failed";
      return;
    }
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1200x24", "-nolisten", "tcp", "-noreset",
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
      ::close(fds[0]);
      pid_ = -1;
      why_ = "Xvfb could not be started";
      return;
    }
    // Generous: a loaded machine may take a while to bring the server up.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char buffer[16];
      const auto n = ::read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
      why_ = "Xvfb did not report its display";
      return;
    }
    number.erase(number.find('\n'));
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    ready_ = true;
  }
  ~Display() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool ready() const { return ready_; }
  const std::string& why() const { return why_; }

private:
  pid_t pid_ = -1;
  bool ready_ = false;
  std::string why_;
};

Display& lf_display() {
  static Display display;
  return display;
}

struct Pixel {
  int r, g, b;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};
std::ostream& operator<<(std::ostream& o, const Pixel& p) { return o << '(' << p.r << ',' << p.g << ',' << p.b << ')'; }
Pixel lf_pixel(const std::vector<unsigned char>& rgb, int width, int x, int y) {
  const auto i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}
Pixel lf_pixel(platform::Colour c) { return {c.r, c.g, c.b}; }

class RealWindow : public ::testing::Test {
protected:
  test::TempDir appData;
  std::unique_ptr<platform::FltkWindowSystem> system;
  platform::FltkWindow* window = nullptr;
  bool runActive = true;

  void SetUp() override {
    if (!lf_display().ready()) GTEST_SKIP() << "no display for the window: " << lf_display().why();
    if (!platform::FltkWindowSystem::displayAvailable()) GTEST_SKIP() << "the X display cannot be opened";
    ::setenv("VDRK_APPDATA", appData.path().c_str(), 1);
    gf_resetUserPaths();
    std::filesystem::create_directories(gf_appFolder());
    g_closing = false;
    g_windowClosed = false;
    g_exitReason = ExitReason::notYetSet;
    g_statusLine.reset();
    MainWindowHooks hooks;
    hooks.runActive = [this] { return runActive; };
    hooks.exitCode = [] { return 3; };
    gf_setMainWindowHooks(hooks);
    system = std::make_unique<platform::FltkWindowSystem>();
    ASSERT_TRUE(initInstance(*system, "Vendrake_P3D"));
    window = system->window();
  }
  void TearDown() override {
    system.reset();
    gf_setMainWindowHooks({});
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }
  // Lets the window handle what is pending (a few rounds; nothing is timed).
  void settle() {
    for (int i = 0; i < 10; ++i) system->runOnce(0.01);
  }
};

}  // namespace

TEST_F(RealWindow, ShowsThePaintedBandsAndTheControls) {
  g_mainWindowState.simConnected = false;
  gf_setStatus("Shown on a real display", false);
  settle();
  int width = 0;
  int height = 0;
  const auto rgb = window->capture(width, height);
  ASSERT_EQ(width, 880);
  ASSERT_EQ(height, 477);
  EXPECT_EQ(lf_pixel(rgb, width, 250, 15), lf_pixel(g_black));       // header
  EXPECT_EQ(lf_pixel(rgb, width, 410, 40), lf_pixel(g_red));         // simulator box: not connected
  EXPECT_EQ(lf_pixel(rgb, width, 870, 250), lf_pixel(g_lightBlue));  // controls band
  EXPECT_EQ(lf_pixel(rgb, width, 300, 28), lf_pixel(g_white));       // line under the header
  EXPECT_EQ(lf_pixel(rgb, width, 870, 465), lf_pixel(g_limeGreen));  // status band
  EXPECT_EQ(lf_pixel(rgb, width, 5, 149), lf_pixel(g_black));        // SCAN_LIVERIES box border
  EXPECT_EQ(lf_pixel(rgb, width, 15, 159), (Pixel{255, 255, 255}));  // and its inside

  gf_setStatusError("an error holds the line");
  settle();
  const auto red = window->capture(width, height);
  EXPECT_EQ(lf_pixel(red, width, 870, 465), lf_pixel(g_red));
}

TEST_F(RealWindow, ControlsReportToTheWindowProcedure) {
  SettingsState& s = g_settings;
  s.AIRBORNE_ONLY.value = false;
  // A click on a check box: the program checks it.
  Fl_Widget* box = window->widget(s.AIRBORNE_ONLY.commandId);
  ASSERT_NE(box, nullptr);
  box->do_callback();
  settle();
  EXPECT_TRUE(s.AIRBORNE_ONLY.value);
  EXPECT_TRUE(static_cast<platform::fltk::CheckBox*>(box)->checked());

  // Enter in an edit field runs its command with the typed text.
  s.DESTINATION.enable();
  settle();
  auto* edit = static_cast<Fl_Input*>(window->widget(s.DESTINATION.commandId));
  ASSERT_NE(edit, nullptr);
  edit->value("zz-z");
  edit->do_callback();
  Fl::e_keysym = FL_Enter;
  EXPECT_EQ(edit->handle(FL_KEYBOARD), 1);
  EXPECT_EQ(g_statusLine.texts().status, "destination 'ZZ-Z' is not valid");

  // A choice in a drop-down list.
  s.AIRP_RANGE.fillComboBox();
  settle();
  auto* list = static_cast<platform::fltk::DropDown*>(window->widget(s.AIRP_RANGE.commandId));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->itemCount(), 6);
  list->value(4);
  list->do_callback();
  EXPECT_EQ(s.AIRP_RANGE.value.load(), 25);
  s.AIRP_RANGE.value = s.AIRP_RANGE.defaultValue;
  s.AIRBORNE_ONLY.value = false;
}

TEST_F(RealWindow, MessagesFromAnotherThreadWakeTheLoop) {
  int startUps = 0;
  MainWindowHooks hooks = gf_mainWindowHooks();
  hooks.startUp = [&] { ++startUps; };
  gf_setMainWindowHooks(hooks);
  std::thread poster([] { platform::gf_postMainWindowMessage(WM_APP_START_UP); });
  poster.join();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (startUps == 0 && std::chrono::steady_clock::now() < deadline) system->runOnce(1.0);
  EXPECT_EQ(startUps, 1);
}

TEST_F(RealWindow, TheCloseBoxEndsTheProgram) {
  runActive = false;  // no run to close down: the window quits by itself
  window->flWindow().do_callback();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (system->runOnce(0.1) && std::chrono::steady_clock::now() < deadline) {
  }
  EXPECT_TRUE(g_windowClosed);
  EXPECT_EQ(g_exitReason.load(), ExitReason::userClosedSim);
  ASSERT_TRUE(window->quitCode().has_value());
  EXPECT_EQ(*window->quitCode(), 3);
}

TEST_F(RealWindow, OpensAtTheStoredPositionAndKeepsIt) {
  settle();
  const auto placement = window->placement();
  ASSERT_TRUE(placement.has_value());
  EXPECT_EQ(placement->window.left, 400);
  EXPECT_EQ(placement->window.top, 20);
}
