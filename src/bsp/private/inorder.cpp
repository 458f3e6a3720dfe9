#include "bsp/private/inorder.hpp"

namespace kolvar::bsp {

void btinorder(const NodeRef& tree, const std::function<void(const BspElement&)>& f) {
  btinorder<const std::function<void(const BspElement&)>&>(tree, f);
}

}  // namespace kolvar::bsp
