#include "graphics/qt/guidance.hpp"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

#include "graphics/geometry.hpp"
#include "graphics/qt/event_guard.hpp"
#include "runtime/atomic_file.hpp"

namespace kolvar::graphics {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QSettings programSettings() { return QSettings("kolvar", "kolvar"); }

// A rounded box with a pointed tail on the side that faces the target. The widget is the box and
// the tail's room; what lies outside them shows the window beneath.
class Bubble : public QWidget {
 public:
  static constexpr int kTail = 14;

  Bubble(QWidget* parent, const Pointer& p, PointerAnswer answer) : QWidget(parent), target_(p.target) {
    setObjectName("tourBubble");
    // A window that changes size moves its controls: the bubble follows its target.
    parent->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10 + kTail, 14, 10 + kTail);
    layout->setSpacing(6);
    auto* title = new QLabel(QString("<b>%1</b> &nbsp;<span style='color:#555'>step %2 of %3</span>")
                                 .arg(qs(p.title).toHtmlEscaped())
                                 .arg(p.step)
                                 .arg(p.steps),
                             this);
    auto* text = new QLabel(qs(p.text), this);
    text->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(text);
    auto* row = new QHBoxLayout();
    auto* never = new QCheckBox("Don't show again", this);
    never->setObjectName("neverAgain");
    auto* leave = new QPushButton("Leave tour", this);
    leave->setObjectName("leaveTour");
    auto* next = new QPushButton(p.last ? "Finish" : "Skip step", this);
    next->setObjectName("nextStep");
    row->addWidget(never);
    row->addStretch();
    row->addWidget(leave);
    row->addWidget(next);
    layout->addLayout(row);
    // The answer may replace this bubble: it is handed on after the click has been handled.
    auto send = [this, never, answer](const char* what) {
      const std::string a = never->isChecked() ? "never" : what;
      QMetaObject::invokeMethod(this, [answer, a] { guarded("tour", [&] { answer(a); }); }, Qt::QueuedConnection);
    };
    QObject::connect(leave, &QPushButton::clicked, this, [send] { send("leave"); });
    QObject::connect(next, &QPushButton::clicked, this, [send] { send("next"); });
    setFixedWidth(340);
    adjustSize();
  }

  // Place the box beside its target: below it when there is room, else above.
  void place() {
    if (!ishandle(target_)) return;
    const Rect r = objectPixelRect(target_);
    place(QRect(static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width), static_cast<int>(r.height)));
  }
  void place(const QRect& target) {
    const QWidget* area = parentWidget();
    const int w = width(), h = height();
    below_ = target.bottom() + h < area->height();
    const int x = std::clamp(target.center().x() - w / 2, 4, std::max(4, area->width() - w - 4));
    const int y = below_ ? target.bottom() - 2 : target.top() - h + 2;
    move(x, std::max(0, y));
    tipX_ = std::clamp(target.center().x() - x, 24, w - 24);
    raise();
    show();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Once the resize has reached the model (the figure's new "Position"), on the next turn.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
      QMetaObject::invokeMethod(this, [this] { guarded("tour", [&] { place(); }); }, Qt::QueuedConnection);
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, kTail, -1, -kTail);
    QPainterPath path;
    path.addRoundedRect(box, 8, 8);
    QPolygonF tail;
    if (below_) {
      tail << QPointF(tipX_ - 10, box.top() + 1) << QPointF(tipX_, 1) << QPointF(tipX_ + 10, box.top() + 1);
    } else {
      tail << QPointF(tipX_ - 10, box.bottom() - 1) << QPointF(tipX_, height() - 1)
           << QPointF(tipX_ + 10, box.bottom() - 1);
    }
    path.addPolygon(tail);
    path.setFillRule(Qt::WindingFill);
    painter.setPen(QPen(QColor(200, 120, 0), 2));
    painter.setBrush(QColor(255, 248, 214));
    painter.drawPath(path.simplified());
  }

 private:
  Handle target_;
  bool below_ = true;
  int tipX_ = 20;
};

}  // namespace

QtGuidance::QtGuidance(std::function<QWidget*(Handle)> clientOf) : clientOf_(std::move(clientOf)) {}

// Bubbles belong to their figure's client area and go with it.
QtGuidance::~QtGuidance() = default;

void QtGuidance::showPage(const HelpPage& page) {
  QTextBrowser* w = pageWindow(page.id);
  if (!w) {
    pages_.emplace_back(page.id, std::make_unique<QTextBrowser>());
    w = pages_.back().second.get();
    w->setObjectName(qs("help_" + page.id));
    w->setWindowFlag(Qt::Window);
    w->setOpenExternalLinks(false);
    w->resize(700, 760);
  }
  w->setWindowTitle(qs(page.title));
  for (const auto& [name, bytes] : page.images)
    w->document()->addResource(QTextDocument::ImageResource, QUrl(qs(name)),
                               QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                                                static_cast<int>(bytes.size())));
  w->setHtml(qs(page.html));
  w->document()->setDocumentMargin(16);  // text clear of the window's edges reads as a page
  w->show();
  // Brought to the front where the window system can; the offscreen one cannot.
  if (QGuiApplication::platformName() != "offscreen") {
    w->raise();
    w->activateWindow();
  }
}

void QtGuidance::closePages() {
  for (auto& [id, w] : pages_) w->hide();
}

std::vector<std::string> QtGuidance::openPages() const {
  std::vector<std::string> ids;
  for (const auto& [id, w] : pages_)
    if (w->isVisible()) ids.push_back(id);
  return ids;
}

QTextBrowser* QtGuidance::pageWindow(const std::string& id) const {
  for (const auto& [pid, w] : pages_)
    if (pid == id) return w.get();
  return nullptr;
}

void QtGuidance::writePageImage(const std::string& id, const std::string& path) {
  QTextBrowser* w = pageWindow(id);
  if (!w || !w->isVisible()) throw Error("The help page \"" + id + "\" is not open.", ErrorKind::Input);
  const QImage image = w->grab().toImage();
  runtime::writeFileAtomically(path, [&](const std::string& temporary) {
    if (!image.save(qs(temporary), "PNG"))
      throw Error("snapshot: cannot write the PNG file " + path + ".", ErrorKind::Input);
  });
}

void QtGuidance::pointAt(Handle fig, const Pointer& pointer, PointerAnswer answer) {
  clearPointer(fig);
  QWidget* area = clientOf_(fig);
  if (!area) return;  // no window: nothing to point at
  auto* b = new Bubble(area, pointer, std::move(answer));
  b->place();
  bubbles_[fig] = b;
}

void QtGuidance::clearPointer(Handle fig) {
  auto it = bubbles_.find(fig);
  if (it == bubbles_.end()) return;
  if (it->second) {
    it->second->hide();
    it->second->deleteLater();
  }
  bubbles_.erase(it);
}

QWidget* QtGuidance::bubble(Handle fig) const {
  auto it = bubbles_.find(fig);
  return it == bubbles_.end() ? nullptr : it->second.data();
}

std::optional<std::string> QtGuidance::setting(const std::string& key) const {
  if (auto it = setInMemory_.find(key); it != setInMemory_.end()) return it->second;
  const QVariant v = programSettings().value(qs(key));
  if (!v.isValid()) return std::nullopt;
  return v.toString().toStdString();
}

void QtGuidance::setSetting(const std::string& key, const std::string& value) {
  if (inMemory_) {
    setInMemory_[key] = value;
    return;
  }
  QSettings s = programSettings();
  s.setValue(qs(key), qs(value));
  s.sync();
}

}  // namespace kolvar::graphics
