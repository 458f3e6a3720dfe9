// Exported pictures: the whole window or one axes, as SVG from the model's own display list, or
// as PNG and PDF through the window system.
#include <algorithm>
#include <fstream>

#include "graphics/geometry.hpp"
#include "graphics/model.hpp"
#include "graphics/render.hpp"
#include "graphics/svg.hpp"
#include "runtime/atomic_file.hpp"

namespace kolvar::graphics {

namespace {

std::string extensionOf(const std::string& path) {
  const auto dot = path.find_last_of('.');
  const auto slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// An axes with the labels around it: its rectangle grown by a margin, inside the figure.
Rect areaOf(Handle fig, Handle what) {
  const Rect whole = figurePixelRect(fig);
  if (what == fig) return whole;
  const Rect r = objectPixelRect(what);
  constexpr double kMargin = 24;
  const double x0 = std::max(whole.x, r.x - kMargin), y0 = std::max(whole.y, r.y - kMargin);
  const double x1 = std::min(whole.x + whole.width, r.x + r.width + kMargin);
  const double y1 = std::min(whole.y + whole.height, r.y + r.height + kMargin);
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

void Backend::exportPicture(Handle, const Rect&, bool, const std::string& path, double) {
  throw Error("export: " + path + ": PNG and PDF pictures need the window system, which is not available here.",
              ErrorKind::General);
}

void exportPicture(Handle fig, Handle what, const std::string& path, double scale) {
  detail::object(fig);  // raises for a handle that names nothing
  if (typeOf(fig) != "figure") throw Error("export: the handle does not name a figure.", ErrorKind::Property);
  if (what != fig && (typeOf(what) != "axes" || ancestor(what, "figure") != fig))
    throw Error("export: only the window or one of its axes can be exported.", ErrorKind::Property);
  if (!(scale > 0 && scale <= 16)) throw Error("export: the scale must lie between 0 and 16.", ErrorKind::Input);
  const std::string ext = extensionOf(path);
  const Rect area = areaOf(fig, what);
  awaitDrawings(fig);  // a picture shows the views whole, not their sketches
  if (ext == "svg") {
    const std::string svg = svgDocument(figureDisplayList(fig), area);
    runtime::writeFileAtomically(path, [&](const std::string& temporary) {
      std::ofstream out(temporary, std::ios::binary);
      out << svg;
      out.close();
      if (!out) throw Error("export: cannot write " + path + ".", ErrorKind::Input);
    });
  } else if (ext == "png" || ext == "pdf") {
    backend().exportPicture(fig, area, what == fig, path, scale);
  } else {
    throw Error("export: " + path + ": unknown kind of picture (use .png, .svg or .pdf).", ErrorKind::Input);
  }
}

}  // namespace kolvar::graphics
