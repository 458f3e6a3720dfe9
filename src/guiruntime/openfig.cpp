#include "guiruntime/openfig.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "guiruntime/by_name.hpp"
#include "guiruntime/movegui.hpp"

namespace kolvar::gui {

namespace {

constexpr std::size_t kTokenLength = 31;
// Figure handles are whole numbers that the graphics runtime gives out again once a figure is
// gone, so a valid handle in an instance list may name some other window by now. Each loaded
// figure is therefore marked with the key of the list it joins, and only marked figures count.
constexpr const char* kInstanceMark = "OpenFigToken";

bool isSeparator(char c) { return c == '/' || (c == '\\' && graphics::ispc()); }
char platformSeparator() { return graphics::ispc() ? '\\' : '/'; }

bool isTokenChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A field of a record looked up without regard to case (the loader's record of previous values
// is keyed by property names, which are not case-sensitive).
const Value* fieldIgnoringCase(const Value& record, std::string_view name) {
  if (!record.isRecord()) return nullptr;
  for (const auto& [n, v] : record.record().fields)
    if (detail::lowered(n) == detail::lowered(name)) return &v;
  return nullptr;
}

void moveOnScreen(Handle fig) {
  if (auto e = detail::sessionEntry("movegui"))
    runtime::invoke(*e, {Value(fig), Value("onscreen")}, 0);
  else
    movegui(fig, "onscreen");
}

// The visibility word, lowered; empty when absent. Checked before the policy.
std::string visibilityWord(std::string_view visible) {
  std::string v = detail::lowered(visible);
  if (!v.empty() && v != "invisible" && v != "visible" && v != "auto")
    throw Error("Third input argument must be 'invisible' or 'visible'.");
  return v;
}

void checkPolicy(std::string_view policy) {
  if (policy != "new" && policy != "reuse")
    throw Error("Second input argument must be 'new' or 'reuse'.");
}

// The figures of the list stored under `token` that are still open and marked as its own.
std::vector<Handle> openInstances(const std::string& token) {
  std::vector<Handle> figs;
  const Value stored = graphics::getappdata(graphics::kRoot, token);
  if (stored.isNumeric())
    for (double h : stored.matrix().data)
      if (graphics::ishandle(h) && graphics::getappdata(h, kInstanceMark) == Value(token)) figs.push_back(h);
  return figs;
}

Handle openChecked(std::string_view filename, std::string_view policy, const std::string& vis) {
  const std::string fname = normalisedFigName(filename);
  const std::string token = openfigToken(fname);

  std::vector<Handle> figs = openInstances(token);
  bool reusing = false;
  std::optional<Value> oldvis;
  Handle fig = 0;
  if (policy == "new" || figs.empty()) {
    // The new windows join the list as soon as they exist, before their "CreateFcn" callbacks
    // run: one that asks for the window again ("reuse") finds it instead of loading another.
    // A loader error leaves the stored list as it was: nothing has been recorded yet.
    const graphics::LoadedLayout loaded =
        graphics::loadfig(fname, {{"Visible", Value("off")}}, [&](const graphics::LoadedLayout& l) {
          if (l.handles.empty()) return;
          for (Handle h : l.handles) graphics::setappdata(h, kInstanceMark, Value(token));
          std::vector<Handle> listed = figs;
          listed.insert(listed.end(), l.handles.begin(), l.handles.end());
          graphics::setappdata(graphics::kRoot, token, Value(Matrix::row(listed)));
        });
    if (loaded.handles.empty())
      throw Error("Layout file '" + fname + "' holds no object to open.", ErrorKind::Input);
    // The callbacks may have opened further windows of the same file meanwhile.
    figs = openInstances(token);
    fig = loaded.handles.back();
    if (!loaded.previous.empty())
      if (const Value* v = fieldIgnoringCase(loaded.previous.front(), "Visible")) oldvis = *v;
  } else {
    reusing = true;
    fig = figs.back();
  }
  if (!oldvis) oldvis = graphics::get(graphics::kRoot, "DefaultFigureVisible");

  // Stored back also when the call only dropped stale entries.
  graphics::setappdata(graphics::kRoot, token, Value(Matrix::row(figs)));

  moveOnScreen(fig);

  if (vis.empty())
    graphics::set(fig, "Visible", *oldvis);
  else if (vis == "invisible")
    graphics::set(fig, "Visible", Value("off"));
  else if (vis == "visible")
    graphics::set(fig, "Visible", Value("on"));
  else  // "auto": a fresh load stays hidden until its GUI is ready to show it
    graphics::set(fig, "Visible", reusing ? *oldvis : Value("off"));
  return fig;
}

}  // namespace

std::string normalisedFigName(std::string_view filename) {
  std::size_t cut = filename.size();
  while (cut > 0 && !isSeparator(filename[cut - 1])) --cut;
  std::string folder(filename.substr(0, cut));
  const std::string_view last = filename.substr(cut);
  // The folder keeps no trailing separator, except when it is the top folder itself.
  while (folder.size() > 1 && isSeparator(folder.back())) folder.pop_back();

  const std::size_t dot = last.rfind('.');
  const std::string base(dot == std::string_view::npos ? last : last.substr(0, dot));
  std::string ext(dot == std::string_view::npos ? std::string_view() : last.substr(dot));
  if (ext.empty())
    ext = ".fig";
  else if (detail::lowered(ext) != ".fig")
    throw Error("Argument must be a .fig file");

  if (folder.empty()) return base + ext;
  if (isSeparator(folder.back())) return folder + base + ext;
  return folder + platformSeparator() + base + ext;
}

std::string openfigToken(std::string_view normalisedName) {
  std::string kept;
  for (char c : normalisedName)
    if (isTokenChar(c)) kept.push_back(c);
  std::reverse(kept.begin(), kept.end());
  std::string token = "OpenFig_" + kept + "_SINGLETON";
  if (token.size() > kTokenLength) token.resize(kTokenLength);
  return token;
}

Handle openfig(std::string_view filename, std::string_view policy, std::string_view visible) {
  const std::string vis = visibilityWord(visible);
  checkPolicy(policy);
  return openChecked(filename, policy, vis);
}

runtime::Outputs openfigBody(const runtime::Args& args, int nargout) {
  if (args.empty()) throw errors::notEnoughInputs();
  // The visibility word is checked first, then the policy, then the file name.
  std::string vis;
  if (args.size() >= 3 && !args[2].isEmpty()) {
    if (!args[2].isText()) throw Error("Third input argument must be 'invisible' or 'visible'.");
    vis = visibilityWord(args[2].text());
  }
  std::string policy = "new";
  if (args.size() >= 2) {
    if (!args[1].isText()) throw Error("Second input argument must be 'new' or 'reuse'.");
    policy = args[1].text();
    checkPolicy(policy);
  }
  const Handle fig = openChecked(args[0].text(), policy, vis);
  if (nargout > 0) return {Value(fig)};
  return {};
}

}  // namespace kolvar::gui
