#pragma once
// Controls ("uicontrol") as real widgets, kept in step with the model both ways: a change of a
// property in the model updates the widget; a user action on the widget enters the model through
// the event API (`controlAction`), which sets "Value" and runs the control's "Callback".
#include <string_view>

#include "graphics/graphics.hpp"

class QWidget;

namespace kolvar::graphics {

// A new widget for `control` according to its "Style", child of `parent`, with every property
// applied and placed by "Position"/"Units". Qt's parent owns it.
QWidget* makeControlWidget(Handle control, QWidget* parent);

// The model changed `property` (canonical name) of `control`. False when the widget cannot follow
// (a new "Style"): the caller makes a new one.
bool updateControlWidget(QWidget& widget, Handle control, std::string_view property);

// Where the control lies in its figure, from "Position" and "Units" (needed again after the
// figure is resized, for normalized units).
void placeControlWidget(QWidget& widget, Handle control);

// The control a widget shows, or nothing for a widget that is not one.
std::optional<Handle> controlOf(const QWidget& widget);

// The entries of a popup or list: one per text of a list, or a single text split at '|'.
std::vector<std::string> controlEntries(const Value& string);

}  // namespace kolvar::graphics
