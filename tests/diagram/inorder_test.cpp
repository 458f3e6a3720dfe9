// The in-order walk.
#include <gtest/gtest.h>

#include "../bsp/fixtures.hpp"
#include "diagram/inorder.hpp"

namespace kolvar::diagram {
namespace {

std::vector<std::string> inorder(const bsp::NodeRef& tree) {
  std::vector<std::string> out;
  btinorder(tree, [&](const bsp::BspElement& e) { out.push_back(e.poly ? e.poly->label : "(placeholder)"); });
  return out;
}

TEST(InOrder, VisitsFrontNodeBackWhateverTheViewer) {
  EXPECT_EQ(inorder(bsp::testing::scene3Tree()), (std::vector<std::string>{"1aa", "3", "1ab", "2", "1b"}));
  EXPECT_EQ(inorder(bsp::freshRoot(bsp::presetScenes()[0])), (std::vector<std::string>{"(placeholder)"}));
  EXPECT_TRUE(inorder(nullptr).empty());
  std::size_t n = 0;
  const std::function<void(const bsp::BspElement&)> count = [&](const bsp::BspElement&) { ++n; };
  btinorder(bsp::testing::scene3Tree(), count);
  EXPECT_EQ(n, 5u);
}

}  // namespace
}  // namespace kolvar::diagram
