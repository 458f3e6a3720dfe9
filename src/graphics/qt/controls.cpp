#include "graphics/qt/controls.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStaticText>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <functional>

#include "graphics/geometry.hpp"
#include "graphics/qt/event_guard.hpp"
#include "graphics/qt/paint.hpp"

namespace kolvar::graphics {

namespace {

// Lets a wheel event through to its widget only when the widget has the keyboard focus.
class WheelNeedsFocus : public QObject {
 public:
  explicit WheelNeedsFocus(QObject* parent) : QObject(parent) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->hasFocus()) return false;
    event->ignore();
    return true;
  }
};


constexpr const char* kHandleProperty = "kolvarControl";
constexpr const char* kStyleProperty = "kolvarStyle";

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string textOf(const Value& v) { return v.isText() ? v.text() : std::string(); }

std::string styleOf(Handle control) { return textOf(get(control, "Style")); }

QColor colorOf(const Value& v) {
  if (!v.isNumeric() || v.numel() != 3) return {};
  const Matrix& m = v.matrix();
  auto c = [](double x) { return std::clamp(x, 0.0, 1.0); };
  return QColor::fromRgbF(static_cast<float>(c(m[0])), static_cast<float>(c(m[1])), static_cast<float>(c(m[2])));
}

double numberOf(Handle control, const char* name) {
  const Value v = get(control, name);
  return v.isScalar() ? v.scalar() : 0;
}

// A multi-line edit or a multiple-choice list, as the runtime has always told them apart.
bool allowsSeveral(Handle control) { return numberOf(control, "Max") - numberOf(control, "Min") > 1; }

// Above this many rows a list's rows are taken to be of one height (see applyString).
constexpr int kManyRows = 1000;

QStringList entriesOf(Handle control) {
  QStringList out;
  for (const std::string& e : controlEntries(get(control, "String"))) out << qs(e);
  return out;
}

// The selected entries of a list or popup, 1-based, as "Value" holds them.
// The entry numbers (1-based) a property holds: "Value" the entries chosen, "GreyedRows" the rows
// of a list shown greyed.
std::vector<int> entryNumbers(Handle control, const char* property) {
  std::vector<int> out;
  const Value v = get(control, property);
  if (!v.isNumeric()) return out;
  for (double x : v.matrix().data)
    if (std::isfinite(x) && x >= 1 && x == std::floor(x)) out.push_back(static_cast<int>(x));
  return out;
}

std::vector<int> chosenEntries(Handle control) { return entryNumbers(control, "Value"); }

// A list's rows laid out once for each text, width and font. The standard delegate lays a row's
// text out again (shaping every word) whenever the view measures or paints the row, and a list
// whose rows may wrap measures every row after any change: a log of a few dozen sentences was
// laid out whole, and its visible rows twice, at every step.
class LaidOutRows : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString key = keyOf(index.data(Qt::DisplayRole).toString(), option.rect.width(), option.font);
    if (auto it = sizes_.constFind(key); it != sizes_.constEnd()) return *it;
    if (sizes_.size() >= kMostKept) sizes_.clear();
    return *sizes_.insert(key, QStyledItemDelegate::sizeHint(option, index));
  }

  // The row's panel (background, selection, focus) as the style draws it, and its text from the
  // layout kept, placed and coloured as the style places and colours a row's text.
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, p, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    const QString key = keyOf(text, area.width(), opt.font);
    auto it = texts_.find(key);
    if (it == texts_.end()) {
      if (texts_.size() >= kMostKept) texts_.clear();
      QStaticText laidOut(text);
      QTextOption wrap;
      wrap.setWrapMode(opt.features.testFlag(QStyleOptionViewItem::WrapText) ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                                              : QTextOption::ManualWrap);
      laidOut.setTextOption(wrap);
      laidOut.setTextWidth(area.width());
      laidOut.prepare(QTransform(), opt.font);
      it = texts_.insert(key, laidOut);
    }
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    p->save();
    p->setFont(opt.font);
    // A row's own colour (a step undone, greyed) unless it is selected.
    const QVariant own = index.data(Qt::ForegroundRole);
    p->setPen(opt.state & QStyle::State_Selected ? opt.palette.color(group, QPalette::HighlightedText)
              : own.canConvert<QBrush>()         ? own.value<QBrush>().color()
                                                 : opt.palette.color(group, QPalette::Text));
    p->setClipRect(area, Qt::IntersectClip);
    const double top = area.top() + std::max(0.0, (area.height() - it->size().height()) / 2);
    p->drawStaticText(QPointF(area.left(), top), *it);
    p->restore();
  }

 private:
  static constexpr qsizetype kMostKept = 4096;
  // The rows kept are for one font (a list has one, which seldom changes): comparing fonts costs
  // little, spelling one out as text for a key much more.
  QString keyOf(const QString& text, int width, const QFont& font) const {
    if (font != font_) {
      sizes_.clear();
      texts_.clear();
      font_ = font;
    }
    return text + QChar(0) + QString::number(width);
  }
  mutable QFont font_;
  mutable QHash<QString, QSize> sizes_;
  mutable QHash<QString, QStaticText> texts_;
};

void applyColors(QWidget& w, Handle control) {
  QPalette p = w.palette();
  const QColor bg = colorOf(get(control, "BackgroundColor"));
  const QColor fg = colorOf(get(control, "ForegroundColor"));
  if (bg.isValid()) {
    p.setColor(QPalette::Window, bg);
    p.setColor(QPalette::Button, bg);
    p.setColor(QPalette::Base, bg);
  }
  if (fg.isValid()) {
    p.setColor(QPalette::WindowText, fg);
    p.setColor(QPalette::ButtonText, fg);
    p.setColor(QPalette::Text, fg);
  }
  w.setPalette(p);
  // Labels and check boxes show the colour only when they fill their own background.
  const std::string style = styleOf(control);
  w.setAutoFillBackground(style == "text" || style == "checkbox");
}

void applyFont(QWidget& w, Handle control) {
  // The same fonts as the axes' texts, sized in the figure's pixels.
  const double size = numberOf(control, "FontSize");
  QFont f = fontFor(textOf(get(control, "FontName")), size > 0 ? size : 9);
  f.setBold(textOf(get(control, "FontWeight")) == "bold");
  w.setFont(f);
}

Qt::Alignment alignmentOf(Handle control) {
  const std::string a = textOf(get(control, "HorizontalAlignment"));
  const Qt::Alignment h = a == "left" ? Qt::AlignLeft : a == "right" ? Qt::AlignRight : Qt::AlignHCenter;
  return h | Qt::AlignVCenter;
}

void applyEnable(QWidget& w, Handle control) {
  const std::string e = textOf(get(control, "Enable"));
  // "inactive": looks enabled but takes no input.
  w.setEnabled(e != "off");
  w.setAttribute(Qt::WA_TransparentForMouseEvents, e == "inactive");
}

void applyString(QWidget& w, Handle control) {
  const QStringList entries = entriesOf(control);
  const QString joined = entries.join('\n');
  if (auto* b = qobject_cast<QPushButton*>(&w)) {
    b->setText(joined);
  } else if (auto* c = qobject_cast<QCheckBox*>(&w)) {
    c->setText(joined);
  } else if (auto* l = qobject_cast<QLabel*>(&w)) {
    l->setText(joined);
  } else if (auto* e = qobject_cast<QLineEdit*>(&w)) {
    const QSignalBlocker block(e);
    e->setText(joined);
    e->setModified(false);
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(&w)) {
    const QSignalBlocker block(t);
    t->setPlainText(joined);
    t->document()->setModified(false);
  } else if (auto* combo = qobject_cast<QComboBox*>(&w)) {
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(entries);
  } else if (auto* list = qobject_cast<QListWidget*>(&w)) {
    // Rows that stay as they were are kept: a long list that grows by a row (a log) is not laid
    // out again from its first row.
    const QSignalBlocker block(list);
    const int n = static_cast<int>(entries.size());
    while (list->count() > n) delete list->takeItem(list->count() - 1);
    int changed = 0;
    for (int i = 0; i < list->count(); ++i) changed += list->item(i)->text() != entries[i];
    // Many rows changed (the far-to-near order after the scanner moved, in a large tree): the
    // rows are made again in one go, as each changed row telling the view costs far more.
    constexpr int kManyChanged = 256;
    if (changed > kManyChanged) {
      list->clear();
      list->addItems(entries);
    }
    for (int i = 0; changed <= kManyChanged && i < list->count(); ++i)
      if (list->item(i)->text() != entries[i]) list->item(i)->setText(entries[i]);
    // The new rows in one insertion: row by row, the view lays itself out again for each.
    if (list->count() < n) list->addItems(entries.mid(list->count()));
    // A list of thousands of rows (the far-to-near order of a large tree) takes the first row's
    // height for all: measuring every row, as wrapped rows need, would hold the window for
    // seconds, and rows that many are short.
    list->setUniformItemSizes(n > kManyRows);
    // The chosen rows among the new ones follow with the value (applyValue).
  }
}

void showChosen(QListWidget& list);

// The rows the model chose, selected in one step and only when they are not the rows selected
// already: row by row, the view works out again where each change shows, which after new rows
// means laying out the whole list again (a log of wrapped sentences, at every step).
void chooseRows(QListWidget& list, Handle control) {
  std::vector<int> want;
  for (int i : chosenEntries(control))
    if (i <= list.count()) want.push_back(i - 1);
  std::sort(want.begin(), want.end());
  want.erase(std::unique(want.begin(), want.end()), want.end());
  std::vector<int> have;
  for (const QModelIndex& i : list.selectionModel()->selectedIndexes()) have.push_back(i.row());
  std::sort(have.begin(), have.end());
  if (have == want) return;
  QItemSelection chosen;
  for (int row : want) chosen.select(list.model()->index(row, 0), list.model()->index(row, 0));
  list.selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
  showChosen(list);
}

// A row chosen is a row to see (the latest step of a log, the polygon in focus in an order): the
// list scrolls to the last one chosen when it lies out of sight, once its scroll range knows of
// the rows just added.
void showChosen(QListWidget& list) {
  const QModelIndexList chosen = list.selectionModel()->selectedIndexes();
  if (chosen.isEmpty()) return;
  const QModelIndex last = *std::max_element(chosen.begin(), chosen.end(),
                                             [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  const auto inSight = [&] { return list.viewport()->rect().contains(list.visualRect(last)); };
  if (inSight()) return;
  list.scrollTo(last, QAbstractItemView::EnsureVisible);
  if (inSight()) return;
  list.doItemsLayout();  // laying out every row again costs: only when the range fell short
  list.scrollTo(last, QAbstractItemView::EnsureVisible);
}

void applyValue(QWidget& w, Handle control) {
  if (auto* c = qobject_cast<QCheckBox*>(&w)) {
    const QSignalBlocker block(c);
    c->setChecked(numberOf(control, "Value") == numberOf(control, "Max"));
  } else if (auto* combo = qobject_cast<QComboBox*>(&w)) {
    const QSignalBlocker block(combo);
    const auto chosen = chosenEntries(control);
    // An entry number outside the list shows no entry rather than a wrong one.
    const int i = chosen.size() == 1 && chosen[0] <= combo->count() ? chosen[0] - 1 : -1;
    combo->setCurrentIndex(i);
  } else if (auto* list = qobject_cast<QListWidget*>(&w)) {
    const QSignalBlocker block(list);
    chooseRows(*list, control);
  }
}

// Rows that stand for what is no longer in force (steps undone in a log) are shown greyed.
void applyGreyed(QWidget& w, Handle control) {
  auto* list = qobject_cast<QListWidget*>(&w);
  if (!list) return;
  std::vector<bool> grey(static_cast<std::size_t>(list->count()), false);
  for (int i : entryNumbers(control, "GreyedRows"))
    if (i <= list->count()) grey[static_cast<std::size_t>(i - 1)] = true;
  // Half way between the text and the background: plainly set apart, still legible on a projector.
  const QColor text = list->palette().color(QPalette::Text), base = list->palette().color(QPalette::Base);
  const QBrush greyed(QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2, (text.blue() + base.blue()) / 2));
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    const bool now = item->data(Qt::ForegroundRole).isValid();
    if (now != grey[static_cast<std::size_t>(i)]) item->setData(Qt::ForegroundRole, grey[static_cast<std::size_t>(i)] ? QVariant(greyed) : QVariant());
  }
}

void applyListTop(QWidget& w, Handle control) {
  if (auto* list = qobject_cast<QListWidget*>(&w)) {
    const int top = static_cast<int>(numberOf(control, "ListboxTop"));
    // A list scrolled to its start already shows its first row: finding where that row lies would
    // lay out every row again (at every step, for the log and the scan list).
    if (top == 1 && list->verticalScrollBar()->value() == 0) return;
    if (top >= 1 && top <= list->count()) list->scrollToItem(list->item(top - 1), QAbstractItemView::PositionAtTop);
  }
}

void applyAlignment(QWidget& w, Handle control) {
  if (auto* l = qobject_cast<QLabel*>(&w)) l->setAlignment(alignmentOf(control));
  if (auto* e = qobject_cast<QLineEdit*>(&w)) e->setAlignment(alignmentOf(control));
}

void applyAll(QWidget& w, Handle control) {
  applyFont(w, control);
  applyColors(w, control);
  applyString(w, control);
  applyGreyed(w, control);
  applyValue(w, control);
  applyListTop(w, control);
  applyAlignment(w, control);
  applyEnable(w, control);
  w.setToolTip(qs(textOf(get(control, "TooltipString"))));
  placeControlWidget(w, control);
  w.setVisible(textOf(get(control, "Visible")) == "on");
}

// Runs `done` when the watched widget loses the keyboard focus.
class FocusOutCommit : public QObject {
 public:
  FocusOutCommit(QObject* parent, std::function<void()> done) : QObject(parent), done_(std::move(done)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) done_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> done_;
};

// Widgets to model: every user action goes through the event API, which checks "Enable", sets
// "Value" and runs "Callback" with the callback stack set.
void act(Handle control, std::optional<Value> value) {
  guarded("control", [&] {
    if (ishandle(control)) controlAction(control, value);
  });
}

QWidget* makeWidget(Handle control, const std::string& style, QWidget* parent) {
  if (style == "pushbutton") {
    auto* b = new QPushButton(parent);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, b, [control] { act(control, std::nullopt); });
    return b;
  }
  if (style == "checkbox") {
    auto* c = new QCheckBox(parent);
    QObject::connect(c, &QCheckBox::clicked, c, [control](bool on) {
      double v = 0;
      guarded("control", [&] { v = numberOf(control, on ? "Max" : "Min"); });
      act(control, Value(v));
    });
    return c;
  }
  if (style == "popupmenu") {
    auto* combo = new QComboBox(parent);
    // The wheel changes the entry only once the popup has the keyboard: scrolling over the window
    // must not choose another scene by accident.
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->installEventFilter(new WheelNeedsFocus(combo));
    // "activated" comes from the user only, also when the chosen entry is the one shown.
    QObject::connect(combo, &QComboBox::activated, combo, [control](int i) { act(control, Value(i + 1.0)); });
    return combo;
  }
  if (style == "listbox") {
    auto* list = new QListWidget(parent);
    // Long entries wrap at the list's width instead of running off to the side.
    list->setWordWrap(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setResizeMode(QListView::Adjust);
    list->setItemDelegate(new LaidOutRows(list));
    // Ctrl+C copies the rows chosen, or every row when none is, one per line: what a list shows
    // (a log, an order) is often wanted elsewhere.
    auto* copy = new QShortcut(QKeySequence::Copy, list, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(copy, &QShortcut::activated, list, [list] {
      QStringList rows, all;
      for (int i = 0; i < list->count(); ++i) {
        all << list->item(i)->text();
        if (list->item(i)->isSelected()) rows << list->item(i)->text();
      }
      QGuiApplication::clipboard()->setText((rows.isEmpty() ? all : rows).join('\n'));
    });
    list->setSelectionMode(allowsSeveral(control) ? QAbstractItemView::ExtendedSelection
                                                  : QAbstractItemView::SingleSelection);
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [control, list] {
      std::vector<double> rows;
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i + 1.0);
      act(control, Value(Matrix::row(rows)));
    });
    return list;
  }
  if (style == "edit") {
    // An edit's text is what the user typed: the model learns it before the callback runs, the
    // one property a widget writes directly, as there is no other road for typed text.
    auto commit = [control](const QString& text) {
      guarded("control", [&] {
        if (!ishandle(control) || get(control, "Enable").text() != "on") return;
        set(control, "String", Value(text.toStdString()));
        controlAction(control, std::nullopt);
      });
    };
    if (allowsSeveral(control)) {
      // A multi-line edit takes Return as a new line; its text counts when the focus leaves.
      auto* t = new QPlainTextEdit(parent);
      t->installEventFilter(new FocusOutCommit(t, [t, commit] {
        if (!t->document()->isModified()) return;
        t->document()->setModified(false);
        commit(t->toPlainText());
      }));
      return t;
    }
    auto* e = new QLineEdit(parent);
    QObject::connect(e, &QLineEdit::editingFinished, e, [e, commit] {
      if (!e->isModified()) return;
      e->setModified(false);
      commit(e->text());
    });
    return e;
  }
  // "text": a label.
  auto* l = new QLabel(parent);
  l->setWordWrap(true);
  l->setContentsMargins(2, 0, 2, 0);
  return l;
}

}  // namespace

std::vector<std::string> controlEntries(const Value& string) {
  std::vector<std::string> out;
  if (string.isText()) {
    const std::string& s = string.text();
    if (s.empty()) return out;
    std::size_t start = 0;
    for (std::size_t bar; (bar = s.find('|', start)) != std::string::npos; start = bar + 1)
      out.push_back(s.substr(start, bar - start));
    out.push_back(s.substr(start));
  } else if (string.isCell()) {
    for (const Value& item : string.cell().items) out.push_back(item.isText() ? item.text() : item.describe());
  } else if (!string.isEmpty()) {
    out.push_back(string.describe());
  }
  return out;
}

QWidget* makeControlWidget(Handle control, QWidget* parent) {
  const std::string style = styleOf(control);
  QWidget* w = makeWidget(control, style, parent);
  w->setProperty(kHandleProperty, control);
  w->setProperty(kStyleProperty, qs(style));
  applyAll(*w, control);
  return w;
}

bool updateControlWidget(QWidget& w, Handle control, std::string_view property) {
  if (property == "Style") return w.property(kStyleProperty).toString() == qs(styleOf(control));
  if (property == "Min" || property == "Max") {
    // The number of choices a list or edit allows decides the kind of widget.
    const bool multi = allowsSeveral(control);
    if (auto* list = qobject_cast<QListWidget*>(&w))
      list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    if (styleOf(control) == "edit" && multi != (qobject_cast<QPlainTextEdit*>(&w) != nullptr)) return false;
    applyValue(w, control);
  } else if (property == "String") {
    applyString(w, control);
    applyGreyed(w, control);
    applyValue(w, control);  // a popup or list shows its choice again among the new entries
    // A list keeps its chosen row in sight, unless told which row to show at its top.
    auto* list = qobject_cast<QListWidget*>(&w);
    if (list && numberOf(control, "ListboxTop") == 1 && !list->selectionModel()->selectedIndexes().isEmpty()) {
      showChosen(*list);
    } else {
      applyListTop(w, control);
    }
  } else if (property == "Value") {
    applyValue(w, control);
  } else if (property == "GreyedRows") {
    applyGreyed(w, control);
  } else if (property == "ListboxTop") {
    applyListTop(w, control);
  } else if (property == "Enable") {
    applyEnable(w, control);
  } else if (property == "Visible") {
    w.setVisible(textOf(get(control, "Visible")) == "on");
  } else if (property == "BackgroundColor" || property == "ForegroundColor") {
    applyColors(w, control);
  } else if (property == "TooltipString") {
    w.setToolTip(qs(textOf(get(control, "TooltipString"))));
  } else if (property == "FontSize" || property == "FontName" || property == "FontWeight") {
    applyFont(w, control);
  } else if (property == "HorizontalAlignment") {
    applyAlignment(w, control);
  } else if (property == "Position" || property == "Units") {
    placeControlWidget(w, control);
  }
  return true;
}

void placeControlWidget(QWidget& w, Handle control) {
  const Rect r = objectPixelRect(control);
  w.setGeometry(static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
                std::max(1, static_cast<int>(std::lround(r.width))),
                std::max(1, static_cast<int>(std::lround(r.height))));
}

std::optional<Handle> controlOf(const QWidget& widget) {
  const QVariant v = widget.property(kHandleProperty);
  if (!v.isValid()) return std::nullopt;
  return v.toDouble();
}

}  // namespace kolvar::graphics
