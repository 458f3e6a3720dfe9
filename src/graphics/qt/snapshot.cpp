#include "graphics/qt/snapshot.hpp"

#include <QCoreApplication>
#include <QApplication>
#include <QPainter>
#include <cmath>
#include <memory>

#include "graphics/qt/paint.hpp"
#include "graphics/render.hpp"

namespace kolvar::graphics {

void ensureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt keeps references to argc and argv for the application's whole life.
  static int argc = 1;
  static char name[] = "kolvar";
  static char* argv[] = {name, nullptr};
  // A widget application, so that windows can still be opened later in the same process.
  static std::unique_ptr<QApplication> app = std::make_unique<QApplication>(argc, argv);
}

QImage figureImage(Handle fig) {
  ensureGuiApplication();
  awaitDrawings(fig);  // a picture shows the views whole, not their sketches
  const DisplayList& list = figureDisplayList(fig);
  const int w = std::max(1, static_cast<int>(std::ceil(list.width)));
  const int h = std::max(1, static_cast<int>(std::ceil(list.height)));
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  // 96 pixels per inch, as the program measures.
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.fill(Qt::white);
  QPainter painter(&image);
  paintDisplayList(painter, list);
  painter.end();
  return image;
}

}  // namespace kolvar::graphics
