#include "views/views.hpp"

namespace kolvar::views {

bool isOn(Handle checkbox) {
  const Value v = graphics::get(checkbox, "Value");
  return v.isScalar() && v.scalar() != 0;
}

Value polygonListValue(const bsp::PolygonList& list) {
  if (list.empty()) return Value();
  return Value::wrap(std::make_shared<const bsp::PolygonList>(list));
}

bsp::PolygonList polygonListOf(const Value& v) {
  if (v.isEmpty()) return {};
  if (auto p = v.payload<bsp::PolygonList>()) return *p;
  throw Error("Expected a list of polygons, got " + v.describe() + ".", ErrorKind::Type);
}

bsp::NodeRef treeOf(const Value& v) {
  if (v.isEmpty()) return nullptr;
  if (auto p = v.payload<bsp::BspNode>()) return p;
  throw Error("Expected a BSP tree, got " + v.describe() + ".", ErrorKind::Type);
}

bsp::Vec3 vec3Of(const Value& v) {
  const Matrix& m = v.matrix();
  if (m.numel() != 3) throw Error("Expected a point of three coordinates, got " + v.describe() + ".", ErrorKind::Type);
  return {m[0], m[1], m[2]};
}

}  // namespace kolvar::views
