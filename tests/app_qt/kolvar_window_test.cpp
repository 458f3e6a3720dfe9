// The student's window: widgets, mouse and menus reach the program's handlers, and what the
// window shows changes with them.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QNativeGestureEvent>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app_qt_support.hpp"
#include "graphics/qt/window_snapshot.hpp"

using namespace kolvar;
using namespace kolvar::testing;
using graphics::testing::click;
using graphics::testing::key;
using graphics::testing::mouse;
using graphics::testing::settle;

namespace {

// The File menu's entry whose label contains `word`.
QAction* fileEntry(graphics::FigureWindow& w, const char* word) {
  for (QAction* top : w.menuBar().actions())
    if (QMenu* m = top->menu())
      for (QAction* a : m->actions())
        if (a->text().contains(word)) return a;
  return nullptr;
}

std::size_t figureCount() { return graphics::findall(graphics::kRoot, "figure").size(); }

// Pixels of `image` inside `r` for which `is` holds.
int countIn(const QImage& image, const graphics::Rect& r, const std::function<bool(QColor)>& is) {
  int n = 0;
  for (int y = static_cast<int>(r.y); y < static_cast<int>(r.y + r.height); ++y)
    for (int x = static_cast<int>(r.x); x < static_cast<int>(r.x + r.width); ++x)
      if (is(image.pixelColor(x, y))) ++n;
  return n;
}

bool isFace(QColor c) { return c.blueF() > c.redF() + 0.1 && c.valueF() < 0.8 && c.saturationF() > 0.2; }
bool isInk(QColor c) { return c.valueF() < 0.35 && c.saturationF() < 0.2; }
bool isRed(QColor c) { return c.redF() > 0.7 && c.greenF() < 0.4 && c.blueF() < 0.4; }

}  // namespace

TEST_F(KolvarWindow, ClicksOnWaitingItemsGrowTheTreeAndAClickInThePartitionViewPlacesTheScanner) {
  const graphics::Handle axes2 = tag("axes2");
  auto facesIn = [&](graphics::Handle ax) {
    int n = 0;
    for (const auto& p : canvas().displayList().items)
      // Placed polygons only: their faces know their polygon (the waiting ones show as ghosts).
      if (p.kind == graphics::Primitive::Kind::Face && graphics::ishandle(p.source) &&
          graphics::typeOf(p.source) == "patch" && graphics::ancestor(p.source, "axes") == ax &&
          graphics::get(p.source, "UserData").isOpaque())
        ++n;
    return n;
  };
  EXPECT_EQ(facesIn(axes2), 0);
  click(canvas(), *itemShowing("3"));
  settle();
  auto tree = state()["tree"];
  EXPECT_EQ(tree["poly"]["label"], "3");
  EXPECT_GT(facesIn(axes2), 0) << "the placed polygon shows in the partition view";
  EXPECT_EQ(canvas().painted(), canvas().renders()) << "and on screen, not only in the display list";
  // The lists under the new node: their items are clickable in turn.
  const auto next = itemShowing("5a");
  ASSERT_TRUE(next) << tree.dump();
  click(canvas(), *next);
  settle();
  tree = state()["tree"];
  EXPECT_TRUE(tree["left"]["poly"]["label"] == "5a") << tree.dump();
  EXPECT_FALSE(state()["scan"].empty());

  const auto before = state()["scanner"];
  click(canvas(), centreOf(axes2));
  EXPECT_NE(state()["scanner"], before);
  EXPECT_NE(widget<QLabel>("scanX").text().toStdString(), "0.0");
}

TEST_F(KolvarWindow, ADragRotatesTheSceneViewAndThePartitionViewLive) {
  const graphics::Handle axes1 = tag("axes1"), axes2 = tag("axes2");
  const Value start = graphics::view(axes1);
  EXPECT_EQ(start, Value::row({-37.5, 30}));  // the first redraw gives the default 3-D view
  ASSERT_EQ(graphics::view(axes2), start);
  const QPointF from = centreOf(axes1);
  mouse(canvas(), QEvent::MouseButtonPress, from, Qt::LeftButton);
  const long renders = canvas().renders();
  mouse(canvas(), QEvent::MouseMove, from + QPointF(40, 10), Qt::LeftButton);
  settle();
  EXPECT_NE(graphics::view(axes1), start);
  EXPECT_EQ(graphics::view(axes2), graphics::view(axes1)) << "the partition view turns with the scene view";
  EXPECT_EQ(canvas().renders(), renders + 1) << "the scene view turns while the button is down";
  mouse(canvas(), QEvent::MouseMove, from + QPointF(60, 20), Qt::LeftButton);
  mouse(canvas(), QEvent::MouseButtonRelease, from + QPointF(60, 20), Qt::NoButton);
  settle();
  const Value rotated = graphics::view(axes1);
  EXPECT_NE(rotated, start);
  EXPECT_EQ(graphics::view(axes2), rotated);
  // A later redraw keeps the rotated view in both; the tree view stays flat.
  graphics::controlAction(tag("show_labels"), Value(0.0));
  EXPECT_EQ(graphics::view(axes1), rotated);
  EXPECT_EQ(graphics::view(axes2), rotated);
  EXPECT_EQ(graphics::view(tag("axes3")), Value::row({0, 90}));
}

TEST_F(KolvarWindow, CloseKeepsTheWindowUnlessTheAnswerIsYes) {
  QAction* close = fileEntry(window(), "Close");
  ASSERT_NE(close, nullptr);
  for (const char* answer : {"", "No"}) {
    dialogs->answers = {answer};
    close->trigger();
    settle();
    ASSERT_TRUE(graphics::ishandle(fig)) << "answer \"" << answer << "\"";
  }
  ASSERT_EQ(dialogs->asked.size(), 2u);
  EXPECT_EQ(dialogs->asked[0].text, "Close kolvar?");
  EXPECT_EQ(dialogs->asked[0].title, "Close kolvar...");
  EXPECT_EQ(dialogs->asked[0].defaultButton, "Yes");
  int gone = 0;
  backend->onNoWindowLeft([&] { ++gone; });
  dialogs->answers = {"Yes"};
  close->trigger();
  settle();
  EXPECT_FALSE(graphics::ishandle(fig));
  EXPECT_EQ(backend->window(fig), nullptr);
  EXPECT_EQ(gone, 1) << "the event loop is told to end";
}

TEST_F(KolvarWindow, OpenLoadsTheChosenLayoutByItsFullPath) {
  QTemporaryDir dir;
  QFile source(QStringLiteral(KOLVAR_TEST_DATA "/../../src/app/kolvar.fig"));
  ASSERT_TRUE(source.copy(dir.filePath("stored.fig")));
  QAction* open = fileEntry(window(), "Open");
  ASSERT_NE(open, nullptr);

  open->trigger();  // cancelled: nothing opens
  settle();
  EXPECT_EQ(figureCount(), 1u);
  ASSERT_EQ(dialogs->asked.size(), 1u);
  EXPECT_NE(dialogs->asked[0].text.find("*.fig"), std::string::npos);
  EXPECT_NE(dialogs->asked[0].text.find("*.obj"), std::string::npos);

  // The working folder has no stored.fig: only the full path finds it.
  ASSERT_NE(QDir::currentPath(), dir.path());
  dialogs->files.push_back(graphics::FileChoice{"stored.fig", dir.path().toStdString()});
  open->trigger();
  settle();
  ASSERT_EQ(figureCount(), 2u);
  for (graphics::Handle f : graphics::findall(graphics::kRoot, "figure")) EXPECT_NE(backend->window(f), nullptr);
}

TEST_F(KolvarWindow, SnapshotShowsTheThreeViewsAndTheControls) {
  click(canvas(), *itemShowing("2"));
  settle();
  const QImage image = graphics::windowImage(*backend, fig);
  const auto pos = graphics::pixelPosition(fig);
  ASSERT_EQ(image.size(), QSize(static_cast<int>(pos[2]), static_cast<int>(pos[3])));
  const auto scene = graphics::objectPixelRect(tag("axes1"));
  const auto partition = graphics::objectPixelRect(tag("axes2"));
  const auto tree = graphics::objectPixelRect(tag("axes3"));
  EXPECT_GT(countIn(image, scene, isFace), 300) << "the scene's polygons";
  EXPECT_GT(countIn(image, partition, isFace), 30) << "the placed polygon";
  EXPECT_GT(countIn(image, partition, isRed), 5) << "the scanner";
  EXPECT_GT(countIn(image, tree, isInk), 50) << "the tree's labels";
  EXPECT_GT(countIn(image, graphics::objectPixelRect(tag("reset")), isInk), 20) << "the button's text";
  EXPECT_GT(countIn(image, graphics::objectPixelRect(tag("scan_list")), isInk), 5) << "the scan list";
}

// A view exports as what the view shows, its labels around it, and nothing of the controls that
// stand beside it (a caption moved into its margin here, and made green to be seen).
TEST_F(KolvarWindow, AViewExportsWithoutTheControlsBesideIt) {
  const graphics::Handle caption = tag("scene_caption");
  graphics::set(caption, {{"Position", Value::row({0.35, 0.2, 0.012, 0.05})}, {"BackgroundColor", Value::row({0, 1, 0})}});
  settle();
  const auto isGreen = [](QColor c) { return c.greenF() > 0.8 && c.redF() < 0.3 && c.blueF() < 0.3; };
  const graphics::Rect button = graphics::objectPixelRect(caption);
  ASSERT_GT(countIn(graphics::windowImage(*backend, fig), button, isGreen), 100);  // the window shows it
  QTemporaryDir dir;
  const std::string path = dir.filePath("partition.png").toStdString();
  run("export " + path + " partition\n");
  const QImage picture(QString::fromStdString(path));
  const graphics::Rect view = graphics::objectPixelRect(tag("axes2"));
  ASSERT_GE(picture.width(), view.width);
  ASSERT_GE(picture.height(), view.height);
  EXPECT_GT(button.x, view.x - 24) << "the caption lies in the exported margin";
  EXPECT_EQ(countIn(picture, {0, 0, double(picture.width()), double(picture.height())}, isGreen), 0);
  EXPECT_GT(countIn(picture, {0, 0, double(picture.width()), double(picture.height())}, isRed), 5) << "the scanner";
}

// Two fingers spread on a touchpad zoom the view under them as the wheel does: the tree view
// about the fingers, a 3-D view by its own zoom; pinched together, back out.
TEST_F(KolvarWindow, APinchZoomsTheViewUnderTheFingersAsTheWheelDoes) {
  run("scene 3\nclick 2\n");
  const auto pinch = [&](graphics::Handle axes, double by) {
    const QPointF at = centreOf(axes);
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, at, at,
                             canvas().mapToGlobal(at), by, QPointF());
    QApplication::sendEvent(&canvas(), &zoom);
    settle();
  };
  pinch(tag("axes3"), 0.5);
  EXPECT_NEAR(state()["treeview"]["zoom"].get<double>(), 1.5, 1e-9);
  pinch(tag("axes3"), -0.2);
  EXPECT_NEAR(state()["treeview"]["zoom"].get<double>(), 1.2, 1e-9);
  pinch(tag("axes1"), 0.25);
  EXPECT_NEAR(graphics::get(tag("axes1"), "Zoom").scalar(), 1.25, 1e-12);
  EXPECT_EQ(graphics::get(tag("axes2"), "Zoom").scalar(), 1);
  EXPECT_NEAR(state()["treeview"]["zoom"].get<double>(), 1.2, 1e-9);
}

// A view exported as PDF is a PDF file of one page the size of the view with its margin, as its
// SVG and PNG are, rather than the view shrunk onto a sheet of paper.
TEST_F(KolvarWindow, AViewExportsAsAPdfPageOfItsOwnSize) {
  run("scene 3\nclick 2\n");
  QTemporaryDir dir;
  const std::string path = dir.filePath("partition.pdf").toStdString();
  run("export " + path + " partition\n");
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray pdf = file.readAll();
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
  EXPECT_EQ(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 1) << "one page";
  EXPECT_TRUE(pdf.contains("/Count 1"));
  // The page's box, in points: the view with its margin of 24 pixels around it.
  const graphics::Rect view = graphics::objectPixelRect(tag("axes2"));
  const QRegularExpression box(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])");
  const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf));
  ASSERT_TRUE(m.hasMatch()) << "the page says its size";
  EXPECT_NEAR(m.captured(1).toDouble(), (view.width + 48) * 0.75, 2);
  EXPECT_NEAR(m.captured(2).toDouble(), (view.height + 48) * 0.75, 2);
}

// Pointing with the real mouse: over a waiting item the status line says what choosing it would
// do and the item shows its tooltip's promise; leaving clears it. Over a face of a placed polygon
// in the partition view, its scan row lights up.
TEST_F(KolvarWindow, HoveringAWaitingItemPreviewsItAndPointingAtAFaceLinksItsScanRow) {
  graphics::controlAction(tag("select_poly"), Value(3.0));
  settle();
  const QPointF item = *itemShowing("2");
  mouse(canvas(), QEvent::MouseMove, item, Qt::NoButton);
  settle();
  EXPECT_EQ(widget<QLabel>("status_line").text().toStdString(), "2 as splitter: 1 in front, 0 behind, splits 1");
  EXPECT_EQ(state()["preview"]["splitter"], "2");
  EXPECT_EQ(canvas().cursor().shape(), Qt::PointingHandCursor);
  mouse(canvas(), QEvent::MouseMove, QPointF(5, 5), Qt::NoButton);
  settle();
  EXPECT_TRUE(state()["preview"].is_null());
  EXPECT_EQ(widget<QLabel>("status_line").text().trimmed().toStdString(), "");

  click(canvas(), item);
  settle();
  // The middle of the wall 2 in the partition view (under translucent planes and cells).
  const graphics::Camera cam = graphics::axesCamera(tag("axes2"));
  const auto scene = bsp::presetScenes()[2];
  const auto& p = scene[1]->points;
  bsp::Vec3 mid{0, 0, 0};
  for (const auto& q : p) mid = mid + q;
  mid = (1.0 / static_cast<double>(p.size())) * mid;
  const graphics::Point at = graphics::dataToPixel(cam, mid);
  mouse(canvas(), QEvent::MouseMove, QPointF(at.x, at.y), Qt::NoButton);
  settle();
  auto& list = widget<QListWidget>("scan_list");
  const auto chosen = list.selectedItems();
  ASSERT_EQ(chosen.size(), 1) << graphics::get(tag("scan_list"), "Value").describe();
  EXPECT_EQ(chosen[0]->text().toStdString(), "2");
}
