// The help windows and the tour's bubble on the Qt backend (offscreen): pages open beside the
// window without blocking it, the bubble sits next to the control it names and its buttons
// drive the tour, and "Don't show again" at the window lands in the settings file.
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>

#include "app/guide.hpp"
#include "app_qt_support.hpp"
#include "graphics/qt/guidance.hpp"

using namespace kolvar;
using namespace kolvar::testing;
using graphics::testing::click;
using graphics::testing::settle;

namespace {

// Settings (the tour's "don't show again") go to a folder of this test run, never the user's: set
// before anything in the process asks where settings live.
const bool kPrivateSettings = [] {
  const QString dir = QDir::tempPath() + "/kolvar-test-config-" + QString::number(QCoreApplication::applicationPid());
  QDir().mkpath(dir);
  return qputenv("XDG_CONFIG_HOME", dir.toLocal8Bit());
}();

class GuideWindow : public KolvarWindow {
 protected:
  graphics::QtGuidance& help() { return backend->help(); }
  QWidget& bubble() {
    QWidget* b = help().bubble(fig);
    if (!b) throw std::runtime_error("no bubble on the window");
    return *b;
  }
  template <class W>
  W& inBubble(const char* name) {
    auto* w = bubble().findChild<W*>(name);
    if (!w) throw std::runtime_error(std::string("no ") + name + " in the bubble");
    return *w;
  }
  // The bubble's rectangle and the target's, in the window's client pixels.
  QRect bubbleRect() { return bubble().geometry(); }
  QRect rectOf(const char* t) {
    const graphics::Rect r = graphics::objectPixelRect(tag(t));
    return QRect(static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width), static_cast<int>(r.height));
  }
  // Whether the bubble touches the target's rectangle along its top or bottom edge and lies
  // across its middle: it points at it and does not hide it.
  bool besides(const char* t) {
    const QRect b = bubbleRect(), r = rectOf(t);
    const bool touching = std::abs(b.top() - r.bottom()) < 6 || std::abs(b.bottom() - r.top()) < 6;
    return touching && b.left() <= r.center().x() && b.right() >= r.center().x();
  }
};

QAction* helpEntry(graphics::FigureWindow& w, const char* label) {
  for (QAction* top : w.menuBar().actions())
    if (top->text() == "Help")
      for (QAction* a : top->menu()->actions())
        if (a->text() == label) return a;
  return nullptr;
}

}  // namespace

TEST_F(GuideWindow, HelpPagesOpenBesideTheWindowWithoutBlockingIt) {
  QAction* guide = helpEntry(window(), "Quick guide");
  ASSERT_TRUE(guide);
  EXPECT_EQ(guide->shortcut(), QKeySequence("Ctrl+H"));
  guide->trigger();
  settle();
  QTextBrowser* page = help().pageWindow("guide");
  ASSERT_TRUE(page);
  EXPECT_TRUE(page->isVisible());
  EXPECT_TRUE(page->isWindow());
  EXPECT_EQ(page->windowModality(), Qt::NonModal);
  EXPECT_EQ(page->windowTitle(), "kolvar: Quick guide");
  // Its pictures are in the document, at their full size.
  const QImage picture = page->document()->resource(QTextDocument::ImageResource, QUrl("quick-2.png")).value<QImage>();
  EXPECT_GT(picture.width(), 600);

  // The main window goes on answering clicks with the page open.
  const auto item = itemShowing("1");
  ASSERT_TRUE(item);
  click(canvas(), *item);
  settle();
  EXPECT_FALSE(state()["tree"]["poly"].is_null());
  EXPECT_EQ(state()["help"], nlohmann::json{"guide"});

  // Closed by the student: no longer open, and opened again on request.
  page->close();
  settle();
  EXPECT_EQ(state()["help"], nlohmann::json::array());
  helpEntry(window(), "About kolvar")->trigger();
  helpEntry(window(), "Quick guide")->trigger();
  settle();
  EXPECT_EQ(state()["help"], (nlohmann::json{"guide", "about"}));
  EXPECT_TRUE(help().pageWindow("about")->toPlainText().contains("kolvar " KOLVAR_VERSION));
}

TEST_F(GuideWindow, TheBubblePointsAtEachStepsControlAndItsButtonsDriveTheTour) {
  run("tour start\n");
  settle();
  EXPECT_TRUE(bubble().isVisible());
  EXPECT_TRUE(besides("select_poly")) << bubbleRect().x() << "," << bubbleRect().y();
  // The student's own action moves it on, to the tree view.
  run("scene 3\n");
  settle();
  EXPECT_EQ(state()["tour"]["step"], 2);
  EXPECT_TRUE(besides("axes3"));
  inBubble<QPushButton>("nextStep").click();
  settle();
  inBubble<QPushButton>("nextStep").click();
  settle();
  EXPECT_EQ(state()["tour"]["target"], "axes2");
  EXPECT_TRUE(besides("axes2"));

  // Leaving with "Don't show again" ticked, at the window: the bubble goes, and the choice is in
  // the settings file (of this test run), so the tour is not offered again.
  inBubble<QCheckBox>("neverAgain").setChecked(true);
  inBubble<QPushButton>("leaveTour").click();
  settle();
  EXPECT_TRUE(state()["tour"].is_null());
  EXPECT_FALSE(help().bubble(fig));
  QSettings settings("kolvar", "kolvar");
  EXPECT_EQ(settings.value(app::kTourSettingKey).toString(), "true");
  ASSERT_TRUE(kPrivateSettings);
  EXPECT_TRUE(settings.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME"))) << settings.fileName().toStdString();
  app::offerTour(fig);
  EXPECT_TRUE(state()["tour"].is_null());
  QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).removeRecursively();
}
