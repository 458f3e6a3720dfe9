#include "graphics/qt/menus.hpp"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <algorithm>

#include "graphics/qt/event_guard.hpp"

namespace kolvar::graphics {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string textOf(Handle h, const char* name) {
  const Value v = get(h, name);
  return v.isText() ? v.text() : std::string();
}

bool on(Handle h, const char* name) { return textOf(h, name) == "on"; }

// The uimenus below `parent`, in menu order.
std::vector<Handle> menusOf(Handle parent) {
  std::vector<Handle> out;
  for (Handle c : childrenOf(parent))
    if (typeOf(c) == "uimenu") out.push_back(c);
  std::stable_sort(out.begin(), out.end(), [](Handle a, Handle b) {
    return get(a, "Position").scalar() < get(b, "Position").scalar();
  });
  return out;
}

void runMenu(Handle menu) {
  guarded("menu", [&] {
    if (ishandle(menu)) menuAction(menu);
  });
}

void style(QAction& a, Handle menu) {
  a.setEnabled(on(menu, "Enable"));
  a.setVisible(on(menu, "Visible"));
  if (on(menu, "Checked")) {
    a.setCheckable(true);
    a.setChecked(true);
  }
  const std::string key = textOf(menu, "Accelerator");
  // One key or several separated by spaces, each with Ctrl ("Shift+Z Y": Ctrl+Shift+Z and Ctrl+Y).
  QList<QKeySequence> keys;
  for (const QString& k : qs(key).split(' ', Qt::SkipEmptyParts)) keys << QKeySequence(QString("Ctrl+") + k.toUpper());
  if (!keys.isEmpty()) a.setShortcuts(keys);
}

void fill(QMenu& into, Handle parent) {
  for (Handle m : menusOf(parent)) {
    if (on(m, "Separator")) into.addSeparator();
    const QString label = qs(textOf(m, "Label"));
    if (!menusOf(m).empty()) {
      QMenu* sub = into.addMenu(label);
      style(*sub->menuAction(), m);
      QObject::connect(sub, &QMenu::aboutToShow, sub, [m] { runMenu(m); });
      fill(*sub, m);
    } else {
      QAction* a = into.addAction(label);
      style(*a, m);
      // Queued: the menu closes before the entry's callback may open a dialog or close the window.
      QObject::connect(a, &QAction::triggered, a, [m] { runMenu(m); }, Qt::QueuedConnection);
    }
  }
}

}  // namespace

void rebuildMenuBar(QMenuBar& bar, Handle fig) {
  // Old menus go later: this may run while one of them is still unwinding from its signal.
  for (QAction* a : bar.actions()) {
    bar.removeAction(a);
    if (QMenu* m = a->menu()) m->deleteLater();
    a->deleteLater();
  }
  bool any = false;
  for (Handle m : menusOf(fig)) {
    const QString label = qs(textOf(m, "Label"));
    QAction* entry = nullptr;
    if (!menusOf(m).empty()) {
      auto* menu = new QMenu(label, &bar);
      QObject::connect(menu, &QMenu::aboutToShow, menu, [m] { runMenu(m); });
      fill(*menu, m);
      entry = bar.addMenu(menu);
    } else {
      entry = bar.addAction(label);
      QObject::connect(entry, &QAction::triggered, entry, [m] { runMenu(m); }, Qt::QueuedConnection);
    }
    style(*entry, m);
    any = any || on(m, "Visible");
  }
  bar.setVisible(any);
}

bool menuPropertyShows(std::string_view p) {
  return p == "Label" || p == "Enable" || p == "Visible" || p == "Checked" || p == "Separator" ||
         p == "Accelerator" || p == "Position";
}

}  // namespace kolvar::graphics
