// Mouse messages a renderer's window forwards to the component fire the component's mouse events.

#include "ComponentFixture.h"
#include "ui/MessageEvent.h"

namespace rudozav_test {
namespace {

TEST_F(ComponentTest, AClickOnTheVideoReachesTheComponentsMouseEvents) {
  TRavorOderiri& component = CreateLoaded();
  std::vector<std::string> mouse;
  const auto record = [&](const char* kind) {
    return [&mouse, kind](TRavorOderiri*, TMouseButton button, TShiftState shift, int x, int y) {
      mouse.push_back(std::string(kind) + " " + std::to_string(button) + " " +
                      std::to_string(shift) + " " + std::to_string(x) + "," + std::to_string(y));
    };
  };
  component.OnMouseDown = record("down");
  component.OnMouseUp = record("up");
  // Left press with Shift at (300, 200), its release, and a right click at a point left of the
  // window (negative x).
  const auto point = [](int x, int y) {
    return static_cast<LPARAM>((static_cast<DWORD>(static_cast<WORD>(y)) << 16) |
                               static_cast<WORD>(x));
  };
  SendMessage(&component, WM_LBUTTONDOWN, 0x0001 | 0x0004, point(300, 200));
  SendMessage(&component, WM_LBUTTONUP, 0, point(300, 200));
  SendMessage(&component, WM_RBUTTONUP, 0, point(-5, 7));
  ASSERT_EQ(mouse.size(), 3u);
  EXPECT_EQ(mouse[0], "down 0 " + std::to_string(ssShift | ssLeft) + " 300,200");
  // The released button counts as held, as the panel reports its own clicks.
  EXPECT_EQ(mouse[1], "up 0 " + std::to_string(ssLeft) + " 300,200");
  EXPECT_EQ(mouse[2], "up 1 " + std::to_string(ssRight) + " -5,7");
}

}  // namespace
}  // namespace rudozav_test
