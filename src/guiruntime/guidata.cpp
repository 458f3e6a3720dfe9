#include "guiruntime/guidata.hpp"

namespace kolvar::gui {

namespace {

constexpr const char* kPropName = "UsedByGUIData";
constexpr const char* kNotAFigure = "H must be the handle to a figure or figure descendent.";

// The figure for a store or fetch: a single valid handle below a figure, else the error.
Handle owningFigure(const Value& h) {
  Value fig;
  // Only numbers can name objects; the validity test comes before the element count.
  if (h.isNumeric() && graphics::ishandle(h) && h.numel() == 1) fig = getParentFigure(h);
  if (fig.isEmpty()) throw Error(kNotAFigure);
  return fig.scalar();
}

}  // namespace

Value getParentFigure(const Value& h) {
  Value cur = h;
  // The emptiness test comes first, so no property is ever read from an empty value.
  while (!cur.isEmpty()) {
    const Value type = graphics::get(cur.scalar(), "type");
    if (type.isText() && type.text() == "figure") break;
    cur = graphics::get(cur.scalar(), "parent");
  }
  return cur;
}

Value guidata(Handle h) { return graphics::getappdata(owningFigure(Value(h)), kPropName); }

void guidata(Handle h, const Value& data) {
  graphics::setappdata(owningFigure(Value(h)), kPropName, data);
}

runtime::Outputs guidataBody(const runtime::Args& args, int nargout) {
  if (args.empty()) throw errors::notEnoughInputs();
  if (args.size() > 2) throw errors::tooManyInputs();
  // A store gives nothing back; asking it for a result is refused before anything is stored.
  if (args.size() == 2 && nargout > 0) throw errors::tooManyOutputs();
  const Handle fig = owningFigure(args[0]);
  if (args.size() == 1) return {graphics::getappdata(fig, kPropName)};
  graphics::setappdata(fig, kPropName, args[1]);
  return {};
}

}  // namespace kolvar::gui
