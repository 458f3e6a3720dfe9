// Where things are in the kolvar window on this display, for the X smoke test: opens the window
// as kolvar does (same layout, style and fonts) and prints, in pixels from the window's top-left
// corner (menu bar included), the centre of the first waiting-list item showing LABEL and the
// rectangle of the partition view:  ITEM_X ITEM_Y VIEW_X VIEW_Y VIEW_W VIEW_H
#include <QApplication>
#include <QStyleFactory>
#include <cmath>
#include <iostream>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "graphics/geometry.hpp"
#include "graphics/qt/backend.hpp"
#include "graphics/qt/canvas.hpp"
#include "graphics/qt/figure_window.hpp"
#include "guiruntime/guidata.hpp"

namespace g = kolvar::graphics;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kolvar-locate LABEL\n";
    return 2;
  }
  const std::string label = argv[1];
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  if (QStyle* style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
  auto backend = std::make_shared<g::QtBackend>();
  const g::ProgramInfo info = kolvar::app::programInfo();
  g::startSession({info.functions, backend});
  g::registerEmbeddedLayout("kolvar.fig", kolvar::app::embeddedLayoutText());
  int status = 1;
  try {
    kolvar::app::kolvar({}, 0);
    const g::Handle fig = kolvar::app::kolvarWindow();
    g::FigureWindow* window = backend->window(fig);
    const int top = window->client().y();
    for (const auto& p : window->canvas().displayList().items) {
      if (p.kind != g::Primitive::Kind::Text || p.annotation().text != label || !g::ishandle(p.source)) continue;
      if (g::get(p.source, "ButtonDownFcn").isEmpty()) continue;
      const g::Rect view = g::objectPixelRect(kolvar::gui::guidata(fig).field("axes2").scalar());
      std::cout << std::lround(p.box.x + p.box.width / 2) << ' ' << std::lround(top + p.box.y + p.box.height / 2)
                << ' ' << std::lround(view.x) << ' ' << std::lround(top + view.y) << ' ' << std::lround(view.width)
                << ' ' << std::lround(view.height) << '\n';
      status = 0;
      break;
    }
    if (status != 0) std::cerr << "kolvar-locate: no waiting item shows " << label << '\n';
  } catch (const std::exception& e) {
    std::cerr << "kolvar-locate: " << e.what() << '\n';
  }
  g::endSession();
  return status;
}
