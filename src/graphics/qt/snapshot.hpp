#pragma once
// Pictures of a figure's axes (what its display list holds; controls are widgets and are not in
// it), painted by the program's painting routine without a screen.
#include <QImage>

#include "graphics/graphics.hpp"

namespace kolvar::graphics {

// Qt needs an application object before it can measure or paint text. When there is none, make
// one (a widget application, which is also a GUI application) for drawing off screen: the
// "offscreen" platform unless QT_QPA_PLATFORM names another. It lives until the process ends.
void ensureGuiApplication();

// The figure's display list painted into an image of the figure's client size.
QImage figureImage(Handle fig);

}  // namespace kolvar::graphics
