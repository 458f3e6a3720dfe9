#include "graphics/qt/dialogs.hpp"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <thread>

#include "graphics/qt/canvas.hpp"
#include "graphics/qt/paint.hpp"
#include "runtime/atomic_file.hpp"

namespace kolvar::graphics {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QtDialogs::QtDialogs(std::function<QWidget*(Handle)> clientOf) : clientOf_(std::move(clientOf)) {}

std::string QtDialogs::question(const std::string& question, const std::string& title,
                                const std::vector<std::string>& buttons,
                                const std::string& defaultButton) {
  // A dialog of our own rather than a message box: a message box maps Escape to one of its
  // buttons, and a dismissed question must not read as "No" (or "Yes").
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(qs(title));
  dialog.setModal(true);
  auto* layout = new QVBoxLayout(&dialog);
  layout->setContentsMargins(18, 16, 18, 12);
  layout->setSpacing(14);
  auto* text = new QLabel(qs(question), &dialog);
  text->setWordWrap(true);
  text->setMinimumWidth(260);
  layout->addWidget(text);
  auto* box = new QDialogButtonBox(&dialog);
  std::string answer;
  for (const std::string& b : buttons) {
    QPushButton* button = box->addButton(qs(b), QDialogButtonBox::ActionRole);
    button->setAutoDefault(false);
    if (b == defaultButton) {
      button->setDefault(true);
      button->setFocus();
    }
    QObject::connect(button, &QPushButton::clicked, &dialog, [&answer, &dialog, b] {
      answer = b;
      dialog.accept();
    });
  }
  layout->addWidget(box);
  dialog.exec();
  return answer;
}

std::optional<std::string> QtDialogs::saveFile(const std::string& title, const std::string& suggested) {
  QFileDialog dialog(QApplication::activeWindow(), qs(title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // A session is saved as such; everything else is a picture.
  if (QFileInfo(qs(suggested)).suffix() == "kolvar") {
    dialog.setNameFilters({"kolvar session (*.kolvar)"});
    dialog.setDefaultSuffix("kolvar");
  } else {
    dialog.setNameFilters({"PNG picture (*.png)", "SVG drawing (*.svg)", "PDF document (*.pdf)"});
    dialog.setDefaultSuffix("png");
  }
  dialog.selectFile(qs(suggested));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<FileChoice> QtDialogs::getFile(const std::string& filter, const std::string& title) {
  QFileDialog dialog(QApplication::activeWindow(), qs(title));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  QStringList filters;
  // A filter with its own description ("Scenes (*.obj *.off)") is shown as given.
  if (filter.find('(') != std::string::npos)
    filters << qs(filter);
  else if (!filter.empty())
    filters << QString("Window layouts (%1)").arg(qs(filter));
  filters << "All files (*)";
  dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QFileInfo chosen(dialog.selectedFiles().constFirst());
  return FileChoice{chosen.fileName().toStdString(), chosen.absolutePath().toStdString()};
}

std::optional<std::vector<std::string>> QtDialogs::form(const std::string& title,
                                                        const std::vector<FormField>& fields) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(qs(title));
  dialog.setModal(true);
  auto* layout = new QFormLayout(&dialog);
  std::vector<QWidget*> inputs;
  for (const FormField& f : fields) {
    QWidget* input = nullptr;
    if (!f.choices.empty()) {
      auto* combo = new QComboBox(&dialog);
      for (const std::string& c : f.choices) combo->addItem(qs(c));
      combo->setCurrentText(qs(f.value));
      input = combo;
    } else {
      input = new QLineEdit(qs(f.value), &dialog);
    }
    input->setToolTip(qs(f.tooltip));
    layout->addRow(qs(f.label), input);
    inputs.push_back(input);
  }
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addRow(box);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> values;
  for (QWidget* w : inputs)
    if (auto* combo = qobject_cast<QComboBox*>(w))
      values.push_back(combo->currentText().toStdString());
    else
      values.push_back(static_cast<QLineEdit*>(w)->text().toStdString());
  return values;
}

void QtDialogs::print(Handle fig) {
  QWidget* client = clientOf_ ? clientOf_(fig) : nullptr;
  if (!client) throw Error("printdlg: the figure has no window to print.", ErrorKind::General);
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(client->window()->windowTitle());
  printer.setPageOrientation(client->width() > client->height() ? QPageLayout::Landscape
                                                                 : QPageLayout::Portrait);
  QPrintDialog dialog(&printer, client->window());
  dialog.setWindowTitle("Print " + client->window()->windowTitle());
  if (dialog.exec() != QDialog::Accepted) return;
  const QString file = printer.outputFileName();
  if (file.isEmpty()) {
    printWindow(*client, printer);
    return;
  }
  // Printed to a file (PDF): written beside it first, so that a print that fails leaves the file
  // that was there.
  runtime::writeFileAtomically(file.toStdString(), [&](const std::string& temporary) {
    printer.setOutputFileName(QString::fromStdString(temporary));
    printWindow(*client, printer);
  });
}

void QtDialogs::error(const std::string& message, const std::string& title) {
  QMessageBox box(QMessageBox::Warning, qs(title), qs(message), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void printWindow(QWidget& client, QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    const QString where = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    throw Error("print: cannot print to " + where.toStdString() + ".", ErrorKind::General);
  }
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const QSizeF size = client.size();
  const double scale = std::min(page.width() / size.width(), page.height() / size.height());
  painter.translate((page.width() - size.width() * scale) / 2, (page.height() - size.height() * scale) / 2);
  painter.scale(scale, scale);
  painter.fillRect(QRectF(QPointF(0, 0), size), client.palette().color(QPalette::Window));
  for (QObject* child : client.children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w->isHidden()) continue;
    if (auto* canvas = dynamic_cast<Canvas*>(w)) {
      // The axes go to the page as vector graphics, through the same routine as the screen.
      paintDisplayList(painter, canvas->wholeList());
      continue;
    }
    // Qt prints a widget through a pixmap at the page's full resolution, which makes files of
    // megabytes; a pixmap at three times the screen's is as sharp on paper and far smaller.
    constexpr double kSharpness = 3;
    QPixmap image(w->size() * kSharpness);
    image.setDevicePixelRatio(kSharpness);
    image.fill(Qt::transparent);
    w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.drawPixmap(w->geometry().topLeft(), image);
  }
  painter.end();
}

void QtDialogs::runWithProgress(const std::string& title, const std::function<void(runtime::Progress&)>& work) {
  runtime::Progress progress;
  progress.watch(cancelWatch(progress));
  std::exception_ptr failure;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    try {
      work(progress);
    } catch (...) {
      failure = std::current_exception();
    }
    finished.store(true);
  });
  // Work that ends within a moment shows nothing: for that moment the window goes on painting
  // and serving its timers, and what the user does waits (as it would for a window that is
  // busy), so that no click changes what the work started from. Longer work gets the dialog.
  constexpr auto kMoment = std::chrono::milliseconds(100);
  const auto start = std::chrono::steady_clock::now();
  while (!finished.load() && std::chrono::steady_clock::now() - start < kMoment) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!finished.load()) {
    QProgressDialog dialog(qs(title), "Cancel", 0, 1000, QApplication::activeWindow());
    dialog.setWindowTitle("kolvar");
    // Modal for every window: no click may change what the work started from.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(30);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (finished.load()) {
        loop.quit();
        return;
      }
      if (!progress.cancelled()) dialog.setValue(static_cast<int>(progress.fraction() * 1000));
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] { progress.cancel(); });
    dialog.show();
    poll.start();
    loop.exec();
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kolvar::graphics
