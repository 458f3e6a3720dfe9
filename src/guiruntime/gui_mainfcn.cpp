#include "guiruntime/gui_mainfcn.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "guiruntime/by_name.hpp"
#include "guiruntime/guidata.hpp"
#include "guiruntime/guihandles.hpp"
#include "guiruntime/openfig.hpp"

namespace kolvar::gui {

namespace {

constexpr std::array<std::string_view, 6> gui_StateFields = {
    "gui_Name", "gui_Singleton", "gui_OpeningFcn", "gui_OutputFcn", "gui_LayoutFcn",
    "gui_Callback"};

void checkFields(const Value& state) {
  std::string guiFile;
  for (std::string_view f : gui_StateFields) {
    if (!state.hasField(f))
      throw Error("Could not find field " + std::string(f) +
                  " in the gui_State struct in GUI file " + guiFile);
    if (f == "gui_Name" && state.field(f).isText()) guiFile = state.field(f).text();
  }
}

// Call a function named by a gui_State field, asking for `nargout` results.
runtime::Outputs callField(const Value& state, std::string_view field, runtime::Args args,
                           int nargout) {
  const Value& f = state.field(field);
  if (!f.isCallable())
    throw Error("gui_State." + std::string(field) + " must be a function reference, not " +
                    f.describe() + ".",
                ErrorKind::Type);
  runtime::Outputs out = runtime::call(f.callable(), std::move(args), nargout);
  out.resize(static_cast<std::size_t>(std::max(nargout, 0)));
  return out;
}

Value guidataFetch(Handle fig) {
  if (auto e = detail::sessionEntry("guidata")) return runtime::invoke(*e, {Value(fig)}, 1)[0];
  return guidata(fig);
}

void guidataStore(Handle fig, const Value& data) {
  if (auto e = detail::sessionEntry("guidata")) {
    runtime::invoke(*e, {Value(fig), data}, 0);
    return;
  }
  guidata(fig, data);
}

Value guihandlesOf(Handle fig) {
  if (auto e = detail::sessionEntry("guihandles")) return runtime::invoke(*e, {Value(fig)}, 1)[0];
  return guihandles(fig);
}

Handle localOpenfigCall(const Value& name, const Value& singleton) {
  if (auto e = detail::sessionEntry("gui_mainfcn/local_openfig"))
    return runtime::invoke(*e, {name, singleton}, 1)[0].scalar();
  return local_openfig(name, singleton);
}

bool isTextEqual(const Value& v, std::string_view s) { return v.isText() && v.text() == s; }

// Handle visibility "callback" hides a window from everything but its own callbacks; the
// opening and output functions must see it, so it is opened up while they run and put back
// afterwards, on the error path too.
class HandleVisibilityGuard {
 public:
  explicit HandleVisibilityGuard(Handle fig) : fig_(fig) { save(); }
  HandleVisibilityGuard(const HandleVisibilityGuard&) = delete;
  HandleVisibilityGuard& operator=(const HandleVisibilityGuard&) = delete;
  ~HandleVisibilityGuard() {
    if (!armed_) return;
    try {
      if (graphics::ishandle(fig_)) graphics::set(fig_, "HandleVisibility", saved_);
    } catch (...) {  // already unwinding from another error; that one is the one to report
    }
  }
  // Read the visibility and open it up when it is "callback".
  void save() {
    saved_ = graphics::get(fig_, "HandleVisibility");
    armed_ = true;
    if (isTextEqual(saved_, "callback")) graphics::set(fig_, "HandleVisibility", Value("on"));
  }
  void restore() {
    armed_ = false;
    if (graphics::ishandle(fig_)) graphics::set(fig_, "HandleVisibility", saved_);
  }

 private:
  Handle fig_;
  Value saved_;
  bool armed_ = false;
};

runtime::Outputs dispatch(const Value& state, runtime::Args args, int nargout) {
  // The callback name is replaced by the handler itself; the handler gets the rest.
  args.erase(args.begin());
  return callField(state, "gui_Callback", std::move(args), nargout);
}

runtime::Outputs create(const Value& state, const runtime::Args& args, int nargout) {
  const Value singletonOpt = Value(state.field("gui_Singleton").isTrue() ? "reuse" : "new");

  Handle fig = 0;
  if (!state.field("gui_LayoutFcn").isEmpty()) {
    fig = callField(state, "gui_LayoutFcn", {singletonOpt}, 1)[0].scalar();
  } else {
    const Value& name = state.field("gui_Name");
    fig = localOpenfigCall(name, singletonOpt);
    // A window left over from a start that never finished is replaced, once.
    if (graphics::isappdata(fig, "InGUIInitialization")) {
      graphics::deleteObject(fig);
      fig = localOpenfigCall(name, singletonOpt);
    }
  }

  graphics::setappdata(fig, "InGUIInitialization", Value(1.0));
  const Value options = graphics::getappdata(fig, "GUIOptions");

  // A reused window that was shown before keeps its colour and its stored handles.
  if (!graphics::isappdata(fig, "GUIOnScreen")) {
    if (options.field("syscolorfig").isTrue())
      graphics::set(fig, "Color", graphics::get(graphics::kRoot, "DefaultUicontrolBackgroundColor"));
    guidataStore(fig, guihandlesOf(fig));
  }

  const bool makeVisible = makeVisibleFromPairs(args);

  // Property pairs in order; the first one the figure refuses ends the walk without a word,
  // and the pairs before it stay applied.
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    if (!args[i].isText()) break;
    try {
      graphics::set(fig, args[i].text(), args[i + 1]);
    } catch (const Error&) {
      break;
    }
  }

  {
    HandleVisibilityGuard visibility(fig);
    runtime::Args openingArgs{Value(fig), Value(), guidataFetch(fig)};
    openingArgs.insert(openingArgs.end(), args.begin(), args.end());
    callField(state, "gui_OpeningFcn", std::move(openingArgs), 0);

    // The opening function may have deleted the window.
    if (graphics::ishandle(fig)) {
      visibility.restore();
      if (makeVisible) {
        graphics::set(fig, "Visible", Value("on"));
        if (options.field("singleton").isTrue()) graphics::setappdata(fig, "GUIOnScreen", Value(1.0));
      }
      graphics::rmappdata(fig, "InGUIInitialization");
    }
  }

  Value handles;
  std::optional<HandleVisibilityGuard> visibility;
  if (graphics::ishandle(fig)) {
    visibility.emplace(fig);
    handles = guidataFetch(fig);
  }
  runtime::Outputs out = callField(state, "gui_OutputFcn", {Value(fig), Value(), handles}, nargout);
  if (visibility) visibility->restore();
  return out;
}

}  // namespace

bool makeVisibleFromPairs(const runtime::Args& further) {
  bool makeVisible = true;
  for (std::size_t i = 0; i + 1 < further.size(); i += 2) {
    const Value& n = further[i];
    const Value& v = further[i + 1];
    if (!n.isText() || !v.isText()) continue;
    const std::size_t len1 = std::min<std::size_t>(7, n.text().size());
    const std::size_t len2 = std::min<std::size_t>(3, v.text().size());
    if (!detail::prefixEqualIgnoringCase(n.text(), "visible", len1) || len2 <= 1) continue;
    if (detail::prefixEqualIgnoringCase(v.text(), "off", len2))
      makeVisible = false;
    else if (detail::prefixEqualIgnoringCase(v.text(), "on", len2))
      makeVisible = true;
  }
  return makeVisible;
}

Handle local_openfig(const Value& name, const Value& singleton) {
  const runtime::EntryPtr openfigEntry = detail::sessionEntry("openfig");
  // This layer's own openfig declares three inputs.
  const int declared = openfigEntry ? openfigEntry->nin : 3;
  if (declared == 3) {
    if (openfigEntry) return runtime::invoke(*openfigEntry, {name, singleton, Value("auto")}, 1)[0].scalar();
    return openfig(name.text(), singleton.text(), "auto");
  }
  // An opening function without a visibility argument: make new windows hidden by default for
  // the length of the call, so that the window is not shown before it is set up.
  const Value oldDefault = graphics::get(graphics::kRoot, "defaultFigureVisible");
  graphics::set(graphics::kRoot, "defaultFigureVisible", Value("off"));
  Value fig;
  try {
    fig = runtime::invoke(*openfigEntry, {name, singleton}, 1)[0];
  } catch (...) {
    graphics::set(graphics::kRoot, "defaultFigureVisible", oldDefault);
    throw;
  }
  graphics::set(graphics::kRoot, "defaultFigureVisible", oldDefault);
  return fig.scalar();
}

runtime::Outputs gui_mainfcn(const Value& state, runtime::Args args, int nargout) {
  checkFields(state);
  const std::size_t numargin = args.size();
  // Dispatch needs at least four further arguments (name, object, event data, handles), so a
  // call with exactly three is always a creation.
  const bool dispatchCall = numargin > 3 && args[0].isText() && args[1].isNumeric() &&
                            graphics::ishandle(args[1]);
  if (dispatchCall) return dispatch(state, std::move(args), nargout);
  return create(state, args, nargout);
}

runtime::Outputs gui_mainfcnBody(const runtime::Args& args, int nargout) {
  if (args.empty()) throw errors::undefinedValue("gui_State");
  return gui_mainfcn(args[0], runtime::Args(args.begin() + 1, args.end()), nargout);
}

}  // namespace kolvar::gui
