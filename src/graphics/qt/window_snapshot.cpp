#include "graphics/qt/window_snapshot.hpp"

#include <QPainter>

#include "graphics/qt/backend.hpp"
#include "graphics/qt/canvas.hpp"
#include "graphics/qt/figure_window.hpp"
#include "graphics/render.hpp"
#include "runtime/atomic_file.hpp"

namespace kolvar::graphics {

QImage windowImage(QtBackend& backend, Handle fig, double scale) {
  FigureWindow* w = backend.window(fig);
  if (!w) throw Error("snapshot: the figure has no window.", ErrorKind::General);
  awaitDrawings(fig);  // a picture shows the views whole, not their sketches
  QWidget& client = w->client();
  QImage image(client.size() * scale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  client.render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  painter.end();
  return image;
}

void writeWindowSnapshot(QtBackend& backend, Handle fig, const std::string& path, double scale) {
  const QImage image = windowImage(backend, fig, scale);
  runtime::writeFileAtomically(path, [&](const std::string& temporary) {
    if (!image.save(QString::fromStdString(temporary), "PNG"))
      throw Error("snapshot: cannot write the PNG file " + path + ".", ErrorKind::Input);
  });
}

}  // namespace kolvar::graphics
