// The in-order walk.
#include <gtest/gtest.h>

#include "../fixtures.hpp"
#include "bsp/private/inorder.hpp"

namespace kolvar::bsp {
namespace {

std::vector<std::string> inorder(const NodeRef& tree) {
  std::vector<std::string> out;
  btinorder(tree, [&](const BspElement& e) { out.push_back(e.poly ? e.poly->label : "(placeholder)"); });
  return out;
}

TEST(InOrder, VisitsFrontNodeBackWhateverTheViewer) {
  EXPECT_EQ(inorder(testing::scene3Tree()), (std::vector<std::string>{"1aa", "3", "1ab", "2", "1b"}));
  EXPECT_EQ(inorder(freshRoot(presetScenes()[0])), (std::vector<std::string>{"(placeholder)"}));
  EXPECT_TRUE(inorder(nullptr).empty());
  std::size_t n = 0;
  const std::function<void(const BspElement&)> count = [&](const BspElement&) { ++n; };
  btinorder(testing::scene3Tree(), count);
  EXPECT_EQ(n, 5u);
}

}  // namespace
}  // namespace kolvar::bsp
