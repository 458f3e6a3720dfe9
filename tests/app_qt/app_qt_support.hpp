#pragma once
// The kolvar window opened on the Qt backend (offscreen), driven by real widget and mouse events;
// dialogs answered by script.
#include "../app/app_fixture.hpp"
#include "../graphics/qt/backend_support.hpp"
#include "graphics/qt/canvas.hpp"

namespace kolvar::testing {

class KolvarWindow : public apptest::KolvarApp {
 protected:
  std::shared_ptr<graphics::Backend> makeBackend() override {
    graphics::testing::qtApp();
    dialogs = std::make_shared<graphics::ScriptedDialogs>();
    backend = std::make_shared<graphics::QtBackend>(dialogs);
    return backend;
  }
  void SetUp() override {
    KolvarApp::SetUp();
    graphics::testing::settle();
  }
  void TearDown() override {
    KolvarApp::TearDown();
    backend.reset();
    graphics::testing::settle();
  }

  graphics::FigureWindow& window() { return *backend->window(fig); }
  graphics::Canvas& canvas() { return window().canvas(); }
  template <class W>
  W& widget(const char* name) {
    auto* w = qobject_cast<W*>(window().controlWidget(tag(name)));
    if (!w) throw std::runtime_error(std::string("no widget of that kind for ") + name);
    return *w;
  }
  QPointF centreOf(graphics::Handle h) {
    const graphics::Rect r = graphics::objectPixelRect(h);
    return {r.x + r.width / 2, r.y + r.height / 2};
  }
  // The centre of the waiting-list item showing `label` (the first, top to bottom).
  std::optional<QPointF> itemShowing(const std::string& label) {
    for (const auto& p : canvas().displayList().items)
      if (p.kind == graphics::Primitive::Kind::Text && graphics::ishandle(p.source) &&
          graphics::typeOf(p.source) == "text" && !graphics::get(p.source, "ButtonDownFcn").isEmpty() &&
          p.annotation().text == label)
        return QPointF(p.box.x + p.box.width / 2, p.box.y + p.box.height / 2);
    return std::nullopt;
  }

  std::shared_ptr<graphics::ScriptedDialogs> dialogs;
  std::shared_ptr<graphics::QtBackend> backend;
};

}  // namespace kolvar::testing
