// PNG and PDF pictures of a window or one view: the window through the same painting as a
// snapshot (PNG) or as printing (PDF), a view as its part of the figure's display list.
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "graphics/qt/backend.hpp"
#include "graphics/qt/canvas.hpp"
#include "graphics/qt/dialogs.hpp"
#include "graphics/qt/figure_window.hpp"
#include "graphics/qt/paint.hpp"
#include "graphics/qt/window_snapshot.hpp"
#include "runtime/atomic_file.hpp"

namespace kolvar::graphics {

void QtBackend::exportPicture(Handle fig, const Rect& area, bool whole, const std::string& path, double scale) {
  FigureWindow* w = window(fig);
  if (!w) throw Error("export: the figure has no window.", ErrorKind::General);
  const bool pdf = path.size() >= 4 && QString::fromStdString(path).endsWith(".pdf", Qt::CaseInsensitive);
  runtime::writeFileAtomically(path, [&](const std::string& temporary) {
    if (!pdf) {
      // The window as it shows, controls and all; one view as its part of the display list, as
      // in SVG and PDF, without the edges of the controls that stand beside it.
      QImage picture;
      if (whole) {
        picture = windowImage(*this, fig, scale);
      } else {
        picture = QImage(std::max(1, static_cast<int>(std::lround(area.width * scale))),
                         std::max(1, static_cast<int>(std::lround(area.height * scale))), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.scale(scale, scale);
        painter.translate(-area.x, -area.y);
        painter.setClipRect(QRectF(area.x, area.y, area.width, area.height));
        paintDisplayList(painter, w->canvas().displayList());
      }
      if (!picture.save(QString::fromStdString(temporary), "PNG"))
        throw Error("export: cannot write the PNG file " + path + ".", ErrorKind::Input);
      return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(temporary));
    if (whole) {
      printer.setPageOrientation(area.width > area.height ? QPageLayout::Landscape : QPageLayout::Portrait);
      printWindow(w->client(), printer);
      return;
    }
    // One view: its part of the display list on a page of its own size (a point is 4/3 pixels),
    // as in SVG and PNG: a large tree gets a large page, not one too small to read.
    const QSizeF points(area.width / kPixelsPerPoint, area.height / kPixelsPerPoint);
    printer.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                      QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&printer)) throw Error("export: cannot write the PDF file " + path + ".", ErrorKind::Input);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double k = std::min(page.width() / area.width, page.height() / area.height);
    painter.scale(k, k);
    painter.translate(-area.x, -area.y);
    painter.setClipRect(QRectF(area.x, area.y, area.width, area.height));
    painter.fillRect(QRectF(area.x, area.y, area.width, area.height), Qt::white);
    paintDisplayList(painter, w->canvas().displayList());
    painter.end();
  });
}

}  // namespace kolvar::graphics
