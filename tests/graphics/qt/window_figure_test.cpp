// Figures as windows: title, place and size in step with "Position" both ways, closing through
// the figure's close request, the canvas's clicks and cursor, coalesced repaints and printing.
// (Snapshots of the program's window are tested with the program.)
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPrinter>
#include <QTemporaryDir>

#include "backend_support.hpp"
#include "graphics/geometry.hpp"
#include "graphics/qt/canvas.hpp"
#include "graphics/qt/dialogs.hpp"
#include "graphics/qt/window_snapshot.hpp"
#include "graphics/model.hpp"
#include "graphics/render.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using namespace kolvar::graphics::testing;

namespace {

using Figures = WindowTest;

// The regions of the paint events a widget receives.
struct PaintLog : QObject {
  std::vector<QRegion> regions;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(e)->region());
    return false;
  }
};

}  // namespace

TEST_F(Figures, ClosingAsksTheFigureAndTheLastWindowGoneIsReported) {
  int gone = 0;
  backend_->onNoWindowLeft([&] { ++gone; });
  const Handle keep = figure({{"CloseRequestFcn", Value("note(gcbo)")}});
  const Handle plain = figure();
  window(keep).close();
  EXPECT_TRUE(ishandle(keep)) << "its close request keeps it";
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].scalar(), keep);
  window(plain).close();
  EXPECT_FALSE(ishandle(plain)) << "the default close request deletes it";
  EXPECT_EQ(backend_->window(plain), nullptr);
  settle();
  EXPECT_EQ(gone, 0) << "a window is still shown";
  deleteObject(keep);
  settle();
  EXPECT_EQ(gone, 1);
}

TEST_F(Figures, ManyChangesInOneCallbackMakeOneRepaint) {
  const Handle fig = figure({{"Visible", Value("on")}});
  axes(fig, {});
  Canvas& canvas = window(fig).canvas();
  settle();
  const long before = canvas.renders();
  for (int i = 0; i < 20; ++i) line(Matrix::row({0, 1}), Matrix::row({i / 20.0, 1}), Matrix());
  set(fig, "Color", Value::row({1, 1, 1}));
  EXPECT_EQ(canvas.renders(), before) << "nothing is drawn while the callback runs";
  settle();
  EXPECT_EQ(canvas.renders(), before + 1);
  settle();
  EXPECT_EQ(canvas.renders(), before + 1) << "and nothing again until something changes";
}

TEST_F(Figures, ANewListFirstSeenByAPaintOfPartOfTheCanvasIsPaintedWhereItDraws) {
  const Handle fig = figure({{"Visible", Value("on")}});
  const Handle ax = axes(fig, {});
  Canvas& canvas = window(fig).canvas();
  settle();
  PaintLog paints;
  canvas.installEventFilter(&paints);
  // The model makes the new list for a hit test; then a control repaints over a corner of the
  // canvas before the canvas's own repaint comes.
  set(ax, "Color", Value::row({1, 1, 0.8}));
  hitTest(fig, 5, 5);
  const QRect corner(0, 0, 20, 20);
  canvas.repaint(corner);
  settle();
  ASSERT_GE(paints.regions.size(), 2u);
  EXPECT_EQ(paints.regions.front(), QRegion(corner));
  // Then all of what the axes draw, with the labels around them.
  QRegion drawn;
  for (const Primitive& p : canvas.displayList().items) {
    const Rect r = reachOf(p);
    drawn += QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
  }
  EXPECT_GT(drawn.boundingRect().width(), objectPixelRect(ax).width);
  EXPECT_TRUE(drawn.intersected(canvas.rect()).subtracted(paints.regions.back()).isEmpty());
  EXPECT_EQ(canvas.painted(), canvas.renders());
}

// A view sketched while its depth order is built aside: the window asks until it is ready and
// then paints it whole, with nothing else happening.
TEST_F(Figures, AViewDrawnAsideIsPaintedWholeOnceItsOrderIsReady) {
  const Handle fig = figure({{"Visible", Value("on")}});
  const Handle ax = axes(fig, {{"XLim", Value::row({0, 30})}});
  view(ax, Value::row({30, 20}));
  Canvas& canvas = window(fig).canvas();
  settle();
  drawAside(true);
  RenderCache& cache = detail::session().drawings[fig].cache;
  cache.asideAbove = 10;
  cache.asideSketchFaces = 5;
  for (int i = 0; i < 30; ++i)
    patch(Matrix::column({i + 0.1, i + 0.9, i + 0.5}), Matrix::column({0.2, 0.2, 0.8}), Matrix::column({0, 1, 0.5}), "g");
  auto faces = [&] {
    const auto& items = canvas.displayList().items;
    return std::count_if(items.begin(), items.end(),
                         [&](const Primitive& p) { return p.kind == Primitive::Kind::Face && p.source != ax; });
  };
  EXPECT_LT(faces(), 30);
  QElapsedTimer clock;
  clock.start();
  while ((drawingPending(fig) || canvas.painted() != canvas.renders()) && clock.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(faces(), 30);
  EXPECT_EQ(canvas.painted(), canvas.renders());
  drawAside(false);
}

TEST_F(Figures, PrintingWritesAPdfOrSaysWhyNot) {
  const Handle fig = figure({{"Position", Value::row({100, 100, 300, 200})}, {"Color", Value::row({1, 1, 1})}});
  axes(fig, {{"Position", Value::row({0, 0.3, 1, 0.7})}});
  create("uicontrol", fig, {{"Style", Value("pushbutton")}, {"String", Value("Reset")}});
  QTemporaryDir dir;
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("window.pdf"));
  printWindow(window(fig).client(), printer);
  QFile pdf(dir.filePath("window.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_GT(bytes.size(), 1000);

  printer.setOutputFileName(dir.filePath("no/such/folder/window.pdf"));
  EXPECT_THROW(printWindow(window(fig).client(), printer), Error);
}
