#include "guiruntime/cla.hpp"

#include <vector>

namespace kolvar::gui {

Handle cla(const runtime::Args& args) {
  Handle ax = 0;
  std::vector<Value> extra;
  // Each test only while the previous held: a single valid handle whose type is exactly "axes".
  const bool named = !args.empty() && args[0].numel() == 1 && args[0].isNumeric() &&
                     graphics::ishandle(args[0]) &&
                     graphics::get(args[0].scalar(), "Type") == Value("axes");
  if (named) {
    ax = args[0].scalar();
    extra.assign(args.begin() + 1, args.end());
  } else {
    ax = graphics::gca();
    extra.assign(args.begin(), args.end());
  }
  graphics::clo(ax, extra);
  return ax;
}

Handle cla(Handle ax) { return cla(runtime::Args{Value(ax)}); }

runtime::Outputs claBody(const runtime::Args& args, int nargout) {
  const Handle ax = cla(args);
  if (nargout > 0) return {Value(ax)};
  return {};
}

}  // namespace kolvar::gui
