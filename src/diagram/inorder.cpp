#include "diagram/inorder.hpp"

namespace kolvar::diagram {

void btinorder(const bsp::NodeRef& tree, const std::function<void(const bsp::BspElement&)>& f) {
  btinorder<const std::function<void(const bsp::BspElement&)>&>(tree, f);
}

}  // namespace kolvar::diagram
