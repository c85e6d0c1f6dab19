#include <gtest/gtest.h>

#include "console/console_window.h"
#include "console/magnifier.h"
#include "console/screen_buffer.h"
#include "tests/support/recording_platform.h"

namespace {

using namespace platform;

platform::LPARAM MousePosition(int x, int y) { return static_cast<LPARAM>(x | (y << 16)); }

class Magnifier : public ::testing::Test {
 protected:
  Magnifier() {
    console::StartConsole();
    console::ClearScreen();
    os().ClearRecord();
    width = console::Window().WindowSize.width;
    height = console::Window().WindowSize.height;
  }

  doubles::RecordingPlatform& os() { return fixture.os(); }

  LRESULT Send(UINT message, LPARAM lParam = 0) {
    return console::ConsoleWindowProc(os().Window(), message, 0, lParam);
  }

  std::string Zoom(int sourceX, int sourceY, int sourceWidth, int sourceHeight) const {
    return "StretchBlt(0, 0, " + std::to_string(width) + ", " + std::to_string(height) + ", " +
           std::to_string(sourceX) + ", " + std::to_string(sourceY) + ", " +
           std::to_string(sourceWidth) + ", " + std::to_string(sourceHeight) + ", " +
           std::to_string(SRCCOPY) + ")";
  }

  doubles::PlatformFixture fixture;
  int width = 0;
  int height = 0;
};

TEST_F(Magnifier, PressTakesThePictureAndZoomsAroundTheMouse) {
  ASSERT_EQ(Send(WM_RBUTTONDOWN, MousePosition(100, 60)), 0);

  EXPECT_TRUE(console::Magnifier().MagnifierActive);
  EXPECT_EQ(os().CallsStartingWith("CreateCompatibleBitmap"),
            std::vector<std::string>{"CreateCompatibleBitmap(" + std::to_string(width) + ", " +
                                     std::to_string(height) + ")"});
  EXPECT_EQ(os().CallsStartingWith("StretchBlt"),
            std::vector<std::string>{Zoom(50, 30, width / 2, height / 2)});
}

TEST_F(Magnifier, TopLeftCornerShowsTheTopLeftQuarter) {
  Send(WM_RBUTTONDOWN, MousePosition(0, 0));
  EXPECT_EQ(os().CallsStartingWith("StretchBlt"),
            std::vector<std::string>{Zoom(0, 0, width / 2, height / 2)});
}

TEST_F(Magnifier, FactorOneShowsThePictureUnchanged) {
  console::Magnifier().ZoomFactor = 1;
  Send(WM_RBUTTONDOWN, MousePosition(300, 200));
  EXPECT_EQ(os().CallsStartingWith("StretchBlt"),
            std::vector<std::string>{Zoom(0, 0, width, height)});
}

TEST_F(Magnifier, ConfiguredFactorDividesTheSourceRectangle) {
  console::Magnifier().ZoomFactor = 5;
  Send(WM_RBUTTONDOWN, MousePosition(503, 101));
  EXPECT_EQ(os().CallsStartingWith("StretchBlt"),
            std::vector<std::string>{Zoom(503 - 100, 101 - 20, width / 5, height / 5)});
}

TEST_F(Magnifier, MovesFollowTheMouseOnlyWhileTheButtonIsHeld) {
  EXPECT_EQ(Send(WM_MOUSEMOVE, MousePosition(40, 40)), 0);
  EXPECT_TRUE(os().CallsStartingWith("StretchBlt").empty());

  Send(WM_RBUTTONDOWN, MousePosition(0, 0));
  Send(WM_MOUSEMOVE, MousePosition(200, 100));
  EXPECT_EQ(os().CallsStartingWith("StretchBlt").back(), Zoom(100, 50, width / 2, height / 2));

  Send(WM_RBUTTONUP);
  os().ClearRecord();
  Send(WM_MOUSEMOVE, MousePosition(200, 100));
  EXPECT_TRUE(os().CallsStartingWith("StretchBlt").empty());
}

TEST_F(Magnifier, SecondPressKeepsThePictureOfTheFirst) {
  Send(WM_RBUTTONDOWN, MousePosition(10, 10));
  Send(WM_RBUTTONDOWN, MousePosition(90, 90));
  EXPECT_EQ(os().CallsStartingWith("CreateCompatibleBitmap").size(), 1u);
  EXPECT_EQ(os().CallsStartingWith("StretchBlt").size(), 1u);
}

TEST_F(Magnifier, ReleaseFreesThePictureAndRepaintsWithErase) {
  int objectsBefore = os().LiveGdiObjects();
  Send(WM_RBUTTONDOWN, MousePosition(10, 10));
  EXPECT_EQ(os().LiveGdiObjects(), objectsBefore + 1);

  EXPECT_EQ(Send(WM_RBUTTONUP), 0);

  EXPECT_FALSE(console::Magnifier().MagnifierActive);
  EXPECT_EQ(os().LiveGdiObjects(), objectsBefore);
  EXPECT_EQ(os().CallsStartingWith("DeleteDC").size(), 1u);
  EXPECT_EQ(os().CallsStartingWith("InvalidateRect"),
            std::vector<std::string>{"InvalidateRect(all, erase)"});
}

TEST_F(Magnifier, ReleaseWithoutPressOnlyRepaints) {
  Send(WM_RBUTTONUP);
  EXPECT_TRUE(os().CallsStartingWith("DeleteDC").empty());
  EXPECT_TRUE(os().CallsStartingWith("DeleteObject").empty());
  EXPECT_EQ(os().CallsStartingWith("InvalidateRect"),
            std::vector<std::string>{"InvalidateRect(all, erase)"});
}

}  // namespace
