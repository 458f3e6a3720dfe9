#include "app/app.hpp"
#include "views/views.hpp"

namespace kolvar::app {

namespace {

Matrix limitsRow(double a, double b, double c, double d, double e, double f) {
  return Matrix::row({a, b, c, d, e, f});
}

// lower, lower + 4, ... while not above upper.
Value tickRange(double lower, double upper) {
  std::vector<double> ticks;
  for (double t = lower; t <= upper; t += 4) ticks.push_back(t);
  return Value::row(ticks);
}

}  // namespace

Value freshRootValue(const Value& faces, double s) {
  if (!(s >= 1 && s == static_cast<double>(static_cast<std::size_t>(s))))
    throw Error("Index must be a positive integer; the scene popup's value is " + formatShortest(s) + ".",
                ErrorKind::Index);
  const bsp::PolygonList scene = views::polygonListOf(faces.at(static_cast<std::size_t>(s) - 1));
  return Value::wrap(bsp::freshRoot(scene));
}

Value initialState(Value handles) {
  handles.setField("hAxes", Value::row({handles.field("axes1").scalar(), handles.field("axes2").scalar(),
                                        handles.field("axes3").scalar()}));

  const Matrix limits[] = {limitsRow(-4, 4, -4, 4, -4, 4), limitsRow(-4, 4, -4, 4, -4, 4),
                           limitsRow(-20, 20, -10, 10, -1, 1)};
  handles.setField("scene_limits", Value::cellRow({limits[0], limits[1], limits[2]}));

  // 3x3 table, entry (k, i) = ticks of coordinate k of axes i; the tree view gets none.
  Cell ticks;
  ticks.rows = ticks.cols = 3;
  ticks.items.assign(9, Value(Matrix()));
  for (std::size_t i = 0; i < 2; ++i)
    for (std::size_t k = 0; k < 3; ++k)
      ticks.items[i * 3 + k] = tickRange(limits[i][2 * k], limits[i][2 * k + 1]);
  handles.setField("ticks", Value(std::move(ticks)));

  handles.setField("first_look", 1.0);
  handles.setField("WindowButtonUpFcn", Value());
  Matrix frame(3, 4, 0.0);
  frame(0, 1) = frame(1, 2) = frame(2, 3) = 1;
  handles.setField("gFrame", frame);

  const auto scenes = bsp::presetScenes();
  handles.setField("faces", Value::cellRow({views::polygonListValue(scenes[0]), views::polygonListValue(scenes[1]),
                                            views::polygonListValue(scenes[2])}));

  const double s = graphics::get(handles.field("select_poly").scalar(), "Value").scalar();
  handles.setField("root", freshRootValue(handles.field("faces"), s));
  handles.setField("scanner", Value(Matrix::column({0, 4, 0})));
  return handles;
}

}  // namespace kolvar::app
