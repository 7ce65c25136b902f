// Message boxes of other threads are shown by the main window, and their callers wait for
// the user; once the message loop has ended nobody waits.
#include "app/window_message_boxes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/message_box.h"
#include "window_fixture.h"

using namespace vexo;

namespace {

class WindowMessageBoxesTest : public test::WindowFixture {
protected:
  void TearDown() override {
    gf_stopWindowMessageBoxes();
    test::WindowFixture::TearDown();
  }
  // Returns once the other thread has handed its box to the window.
  void waitUntilPosted() {
    while (system->queue().empty()) std::this_thread::yield();
  }
  using Boxes = std::vector<std::pair<std::string, std::string>>;
};

}  // namespace

TEST_F(WindowMessageBoxesTest, BoxOfAnotherThreadWaitsForTheWindow) {
  open();
  system->pump();
  gf_startWindowMessageBoxes();
  std::atomic<bool> returned{false};
  std::thread startUp([&returned] {
    platform::gf_messageBox("Could not open File Explorer at new version", "VDRK", platform::MessageIcon::exclamation);
    returned = true;
  });
  waitUntilPosted();
  EXPECT_FALSE(returned.load());  // not before the window has shown it
  EXPECT_TRUE(window->messageBoxes().empty());
  system->pump();
  startUp.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(window->messageBoxes(), (Boxes{{"Could not open File Explorer at new version", "VDRK"}}));

  // The UI thread's own box is shown at once.
  platform::gf_messageBox("Manual.pdf not found", "VDRK", platform::MessageIcon::exclamation);
  EXPECT_EQ(window->messageBoxes().size(), 2U);
  EXPECT_EQ(window->messageBoxes().back().first, "Manual.pdf not found");
}

TEST_F(WindowMessageBoxesTest, EndedLoopLetsWaitingCallersGo) {
  open();
  system->pump();
  gf_startWindowMessageBoxes();
  std::thread startUp(
      [] { platform::gf_messageBox("Could not open File Explorer at new version", "VDRK", platform::MessageIcon::exclamation); });
  waitUntilPosted();
  gf_stopWindowMessageBoxes();  // the loop has ended without showing it
  startUp.join();
  std::thread late([] { platform::gf_messageBox("late", "VDRK", platform::MessageIcon::error); });
  late.join();
  system->pump();
  EXPECT_TRUE(window->messageBoxes().empty());
}
