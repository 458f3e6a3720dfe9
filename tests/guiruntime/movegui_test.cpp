#include <string>

#include "guiruntime/movegui.hpp"
#include "support.hpp"

namespace kolvar::gui::test {
namespace {

namespace g = graphics;

class MoveguiTest : public GuiTest {
 protected:
  // A 400 x 300 window at (100, 100); on Unix its frame is estimated as 6 wider and 24 taller,
  // so on the 1920 x 1080 screen of a headless session the free room is 1514 x 756.
  Handle window(const Matrix& pos = Matrix::row({100, 100, 400, 300})) {
    return g::figure({{"Position", Value(pos)}});
  }
  Matrix position(Handle fig) { return g::get(fig, "Position").matrix(); }
};

TEST_F(MoveguiTest, OnscreenClampsLeftAndBottomFirstAndCutsAnOversizedWindow) {
  const Handle partly = window(Matrix::row({-50, -20, 400, 300}));
  movegui(partly);
  EXPECT_EQ(position(partly), Matrix::row({0, 0, 400, 300}));
  const Handle high = window(Matrix::row({1700, 900, 400, 300}));
  movegui(high, "onscreen");
  EXPECT_EQ(position(high), Matrix::row({1514, 756, 400, 300}));
  // Larger than the screen: cut to the screen (frame included) and pinned to the left and bottom.
  const Handle huge = window(Matrix::row({-50, 500, 3000, 2000}));
  movegui(huge);
  EXPECT_EQ(position(huge), Matrix::row({0, 0, 1914, 1056}));
}

TEST_F(MoveguiTest, RejectsBadArgumentsBeforeChangingAnything) {
  const Handle fig = window(Matrix::row({-50, 100, 400, 300}));
  EXPECT_EQ(messageOf([&] { movegui({Value(fig), Value("North")}); }), "unrecognized position");
  EXPECT_EQ(messageOf([&] { movegui({Value(fig), Value::row({1, 2, 3})}); }), "unrecognized input argument");
  EXPECT_EQ(messageOf([&] { movegui({Value(fig), Value()}); }), "unrecognized input argument");
  EXPECT_EQ(messageOf([&] { movegui({Value(g::kRoot)}); }), "handle of figure or descendant required");
  EXPECT_EQ(byNameMessage("movegui", {Value(fig), Value("north"), Value("south"), Value("east")}),
            "Too many input arguments.");
  Value eventData;  // what a callback hands over, outside a callback
  eventData.setField("Source", Value(fig));
  EXPECT_EQ(byNameMessage("movegui", {Value(fig), eventData}), "unrecognized input argument");
  EXPECT_EQ(position(fig), Matrix::row({-50, 100, 400, 300}));
}

}  // namespace
}  // namespace kolvar::gui::test
