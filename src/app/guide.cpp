#include "app/guide.hpp"

#include <algorithm>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "app/embedded_help.hpp"
#include "app/script.hpp"
#include "app/tour.hpp"
#include "guiruntime/guidata.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

namespace {

// The tour under way lives with the window it points over, as its application data.
constexpr const char* kTourData = "KolvarTour";

std::optional<Tour> tourOf(Handle fig) {
  if (!g::ishandle(fig)) return std::nullopt;
  if (auto t = g::getappdata(fig, kTourData).payload<Tour>()) return *t;
  return std::nullopt;
}

TourView viewOf(const ProgramState& state) {
  const double scene = g::get(state.controls.select_poly, "Value").scalar();
  return tourView(scene, sceneShown(state).size(), state.root, state.scanner);
}

Handle targetOf(const ProgramState& state, const std::string& tag) {
  return state.record.field(tag).matrix()[0];
}

// Store the tour and lay its pointer over the window; no tour: the pointer goes.
void show(Handle fig, const ProgramState& state, const std::optional<Tour>& tour) {
  g::Guidance& guidance = g::backend().guidance();
  if (!tour) {
    g::rmappdata(fig, kTourData);
    guidance.clearPointer(fig);
    return;
  }
  g::setappdata(fig, kTourData, Value::wrap(std::make_shared<const Tour>(*tour)));
  const auto& steps = tourSteps();
  const TourStep& step = steps.at(tour->step);
  g::Pointer p;
  p.target = targetOf(state, step.target);
  p.title = step.title;
  p.text = step.text;
  p.step = static_cast<int>(tour->step) + 1;
  p.steps = static_cast<int>(steps.size());
  p.last = tour->step + 1 == steps.size();
  guidance.pointAt(fig, p, [fig](const std::string& answer) { answerTour(fig, answer); });
}

void neverAgain() { g::backend().guidance().setSetting(kTourSettingKey, "true"); }

std::string pageTitle(const std::string& html) {
  const auto open = html.find("<title>"), close = html.find("</title>");
  if (open == std::string::npos || close == std::string::npos || close < open) return "kolvar";
  return html.substr(open + 7, close - open - 7);
}

}  // namespace

const std::vector<std::string>& helpPageIds() {
  static const std::vector<std::string> ids = {"guide", "bsp", "keys", "about"};
  return ids;
}

g::HelpPage helpPage(const std::string& id) {
  const auto& ids = helpPageIds();
  if (std::find(ids.begin(), ids.end(), id) == ids.end())
    throw Error("There is no help page \"" + id + "\" (guide, bsp, keys, about).", ErrorKind::Input);
  const auto files = embeddedHelpFiles();
  auto file = std::find_if(files.begin(), files.end(), [&](const EmbeddedFile& f) { return f.name == id + ".html"; });
  if (file == files.end()) throw Error("The help page \"" + id + "\" is missing from this build.");
  g::HelpPage page;
  page.id = id;
  page.html = std::string(file->bytes());
  for (std::size_t at; (at = page.html.find("@VERSION@")) != std::string::npos;) page.html.replace(at, 9, KOLVAR_VERSION);
  page.title = pageTitle(page.html);
  // The pictures the page names; a missing one shows as an empty frame.
  for (const EmbeddedFile& f : files)
    if (page.html.find("src=\"" + std::string(f.name) + "\"") != std::string::npos)
      page.images.emplace_back(f.name, std::string(f.bytes()));
  return page;
}

void showHelp(const std::string& id) { g::backend().guidance().showPage(helpPage(id)); }

void startTour(Handle fig) {
  const ProgramState state = fetchState(fig);
  show(fig, state, Tour{0, viewOf(state)});
}

void answerTour(Handle fig, const std::string& answer) {
  const auto tour = tourOf(fig);
  if (!tour) return;  // a pointer left over from a tour that has ended
  const ProgramState state = fetchState(fig);
  if (answer == "next") {
    const auto after = next(*tour, viewOf(state));
    if (!after) neverAgain();  // finished: seen to the end
    show(fig, state, after);
  } else if (answer == "leave" || answer == "never") {
    if (answer == "never") neverAgain();
    show(fig, state, std::nullopt);
  } else {
    throw Error("The tour has no answer \"" + answer + "\" (next, leave, never).", ErrorKind::Input);
  }
}

void followTour(const ProgramState& state) {
  const Handle fig = state.controls.figure1;
  const auto tour = tourOf(fig);
  if (!tour) return;
  const Tour after = follow(*tour, viewOf(state));
  // A new step only: the pointer of the step under way stays as the student left it.
  if (after.step != tour->step) show(fig, state, after);
}

void offerTour(Handle fig) {
  if (g::backend().guidance().setting(kTourSettingKey).value_or("") == "true") return;
  startTour(fig);
}

std::string guidanceJson(Handle fig) {
  std::string out = ",\"help\":" + nlohmann::json(g::backend().guidance().openPages()).dump() + ",\"tour\":";
  const auto tour = tourOf(fig);
  if (!tour) return out + "null";
  const TourStep& step = tourSteps().at(tour->step);
  nlohmann::ordered_json t;
  t["step"] = tour->step + 1;
  t["of"] = tourSteps().size();
  t["title"] = step.title;
  t["target"] = step.target;
  return out + t.dump();
}

void runGuidanceCommand(Handle fig, const std::vector<std::string>& w) {
  if (w.at(0) == "help") {
    if (w.size() == 2 && w[1] == "close") {
      g::backend().guidance().closePages();
      return;
    }
    if (w.size() < 2 || w.size() > 3) throw ScriptError("usage: help guide|bsp|keys|about [FILE] or help close");
    showHelp(w[1]);
    if (w.size() == 3) g::backend().guidance().writePageImage(w[1], w[2]);
    return;
  }
  if (w.size() != 2) throw ScriptError("usage: tour start|next|leave|never");
  if (w[1] == "start") {
    startTour(fig);
  } else if (w[1] == "next" || w[1] == "leave" || w[1] == "never") {
    if (!tourOf(fig)) throw ScriptError("no tour is under way (tour start begins one)");
    answerTour(fig, w[1]);
  } else {
    throw ScriptError("usage: tour start|next|leave|never");
  }
}

void HelpMenuItem_Callback(Handle hObject) {
  // The entry's tag names the page: HelpGuideMenuItem, HelpBspMenuItem, ...
  static const std::map<std::string, std::string> byTag = {{"HelpGuideMenuItem", "guide"},
                                                           {"HelpBspMenuItem", "bsp"},
                                                           {"HelpKeysMenuItem", "keys"},
                                                           {"HelpAboutMenuItem", "about"}};
  const Value tag = g::get(hObject, "Tag");
  const auto page = byTag.find(tag.isText() ? tag.text() : std::string());
  if (page == byTag.end()) throw Error("The Help menu has no page for this entry.", ErrorKind::Input);
  showHelp(page->second);
}

void TourMenuItem_Callback(Handle hObject) {
  const auto fig = g::ancestor(hObject, "figure");
  if (fig) startTour(*fig);
}

}  // namespace kolvar::app
