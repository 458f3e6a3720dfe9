#include "guiruntime/cla.hpp"
#include "support.hpp"

namespace kolvar::gui::test {
namespace {

namespace g = graphics;
using ClaTest = GuiTest;

TEST_F(ClaTest, ClearsTheCurrentOrTheNamedAxesAndPassesOtherArgumentsOnAsOptions) {
  const Handle fig = g::figure();
  const Handle ax1 = g::axes(fig, {{"XLim", Value::row({0, 5})}});
  g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  const Handle ax2 = g::axes(fig, {{"XLim", Value::row({0, 5})}});
  g::text(0, 0, Value("label"));
  EXPECT_TRUE(byName("cla", {}).empty());  // the axes is returned only when asked for
  EXPECT_TRUE(g::childrenOf(ax2).empty());
  EXPECT_EQ(g::childrenOf(ax1).size(), 1u);
  // A named axes is cleared even though another one is current.
  EXPECT_EQ(byName("cla", {Value(ax1)}, 1), runtime::Outputs{Value(ax1)});
  EXPECT_TRUE(g::childrenOf(ax1).empty());
  EXPECT_EQ(g::gca(), ax2);

  // A word first: the current axes is cleared, the word passed on.
  cla({Value("reset")});
  EXPECT_EQ(g::get(ax2, "XLim"), Value::row({0, 1}));
  EXPECT_EQ(g::get(ax1, "XLim"), Value::row({0, 5}));
  cla({Value(ax1), Value("reset")});
  EXPECT_EQ(g::get(ax1, "XLim"), Value::row({0, 1}));
  // A figure is no axes: the current axes is cleared, and the figure goes on to the clearing as
  // an option, which passes it over.
  g::axes(ax1);
  g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  g::axes(ax2);
  g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  EXPECT_EQ(byName("cla", {Value(fig)}, 1), runtime::Outputs{Value(ax2)});
  EXPECT_TRUE(g::childrenOf(ax2).empty());
  EXPECT_EQ(g::childrenOf(ax1).size(), 1u);
  // A word it does not know is refused before anything is cleared.
  EXPECT_EQ(byNameMessage("cla", {Value("everything")}),
            "clo: unknown option \"everything\"; expected \"hidden\" or \"reset\".");
}

}  // namespace
}  // namespace kolvar::gui::test
