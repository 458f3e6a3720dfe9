#include "guiruntime/cla.hpp"
#include "support.hpp"

namespace kolvar::gui::test {
namespace {

namespace g = graphics;

class ClaTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    fig = g::figure();
    ax1 = g::axes(fig, {});
    g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
    ax2 = g::axes(fig, {});
    g::text(0, 0, Value("label"));
  }
  Handle fig = 0, ax1 = 0, ax2 = 0;
};

TEST_F(ClaTest, ClearsTheCurrentAxesOrTheOneNamedAndReturnsItOnlyWhenAsked) {
  EXPECT_TRUE(byName("cla", {}).empty());
  EXPECT_TRUE(g::childrenOf(ax2).empty());
  EXPECT_EQ(g::childrenOf(ax1).size(), 1u);
  EXPECT_EQ(g::gca(), ax2);
  // A named axes is cleared even though another one is current.
  const runtime::Outputs out = byName("cla", {Value(ax1)}, 1);
  EXPECT_EQ(out, runtime::Outputs{Value(ax1)});
  EXPECT_TRUE(g::childrenOf(ax1).empty());
  EXPECT_EQ(g::gca(), ax2);
  EXPECT_EQ(byNameMessage("cla", {}, 2), checkMessage("cla", 1, "outputs", 1));
}

TEST_F(ClaTest, ArgumentsThatAreNoAxesGoToTheClearingAsOptions) {
  g::set(ax1, "XLim", Value::row({0, 5}));
  g::set(ax2, "XLim", Value::row({0, 5}));
  // A word first: the current axes is cleared, the word passed on.
  cla({Value("reset")});
  EXPECT_TRUE(g::childrenOf(ax2).empty());
  EXPECT_EQ(g::get(ax2, "XLim"), Value::row({0, 1}));
  EXPECT_EQ(g::get(ax1, "XLim"), Value::row({0, 5}));
  cla({Value(ax1), Value("reset")});
  EXPECT_EQ(g::get(ax1, "XLim"), Value::row({0, 1}));
  // A figure is no axes: it goes to the clearing as an option, which refuses it.
  g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  EXPECT_EQ(byNameMessage("cla", {Value(fig)}),
            "clo: options must be texts (\"hidden\" or \"reset\"), not " + Value(fig).describe() + ".");
  EXPECT_EQ(g::childrenOf(ax2).size(), 1u);
}

}  // namespace
}  // namespace kolvar::gui::test
