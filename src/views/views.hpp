#pragma once
// The window's views, redrawn whole from the state record after every change: the scene view
// (axes 1), the partition view with the scanner (axes 2), the tree view with its clickable
// waiting lists (axes 3), the scanner read-outs and the scan list.
#include "bsp/bsp.hpp"
#include "diagram/tree_diagram.hpp"
#include "graphics/graphics.hpp"
#include "runtime/value.hpp"

namespace kolvar::views {

using graphics::Handle;

// Rebuild everything the window of `hObject` shows from its stored state, then switch mouse
// rotation on for the scene view without losing the tree view's click handlers.
void drawFigure(Handle hObject);

// The window's button-release handler: let the rotation mode finish its drag, then give the
// partition view the scene view's view.
void wrapWindowButtonUpFcn(Handle hObject, const Value& eventData);

// One polygon as a lit face in the current axes, with its normal and label when those options
// are on. The empty polygon draws nothing and reads no state.
void plotPolygon(const bsp::PolygonRef& polygon);
void bspPlot3Element(const bsp::BspElement& element);

// One node of the tree view: its waiting lists as columns of clickable items, then its caption.
void bspPlotElement(const diagram::NodePos& pos, const bsp::BspElement& element);
// A waiting list as a column of clickable items starting at (pos[0], pos[2]) and growing down.
void bspPlotList(const diagram::NodePos& pos, const bsp::PolygonList& polyList);

// Append the element's label as the last line of the scan list.
void updateScanList(const bsp::BspElement& element);

// State-record helpers shared by the views and the handlers.
bool isOn(const Value& checkbox);                   // a check box's "Value" is nonzero
Value polygonListValue(const bsp::PolygonList& list);
bsp::PolygonList polygonListOf(const Value& v);     // raises a Type error for anything else
bsp::NodeRef treeOf(const Value& v);                // the empty value is the empty tree
bsp::Vec3 vec3Of(const Value& v);                   // a 3-element column or row

}  // namespace kolvar::views
