// The window's side of learning: the handlers of the Edit menu, the Build controls, the
// painter's buttons and the log panel.
#include <algorithm>
#include <cstdio>

#include "app/app.hpp"
#include "app/learning.hpp"
#include "guiruntime/guidata.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

namespace {

Handle tagged(Handle h, const char* tag) {
  const Value record = gui::guidata(h);
  if (!record.hasField(tag)) throw Error(std::string("The window has no control tagged \"") + tag + "\".", ErrorKind::Index);
  return record.field(tag).scalar();
}

// The strategy chosen in the Build popup. Random draws with a seed that changes with every step
// taken, so that pressing "Step" again and again does not repeat one pattern across scenes.
bsp::Strategy strategyShown(Handle h) {
  const double v = g::get(tagged(h, "strategy"), "Value").scalar();
  const int k = std::clamp(static_cast<int>(v), 1, 5) - 1;
  bsp::Strategy s{static_cast<bsp::StrategyKind>(k), 0};
  if (s.kind != bsp::StrategyKind::Random) return s;
  // A seed given with the choice (the script driver's "auto random SEED") rides as "UserData".
  const Value given = g::get(tagged(h, "strategy"), "UserData");
  s.seed = given.isText() ? bsp::parseStrategy({"random", given.text()}).seed : fetchState(h).learning.history.doneCount + 1;
  return s;
}

std::string fixed(double v, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

// Play's clock is the window's: it ticks while the figure's "TimerPeriod" is above 0.
Handle windowOf(Handle h) { return fetchState(h).controls.figure1; }

// Seconds between two polygons painted by Play, as the speed popup says.
double playPeriod(Handle h) {
  constexpr double kPeriods[] = {2.0, 1.0, 0.4};
  const Value v = g::get(tagged(h, "paint_speed"), "Value");
  const int k = v.isScalar() ? std::clamp(static_cast<int>(v.scalar()), 1, 3) : 2;
  return kPeriods[k - 1];
}

void setPlaying(Handle h, bool on) {
  const Handle fig = windowOf(h);
  g::set(fig, "TimerPeriod", on ? playPeriod(h) : 0.0);
  g::set(tagged(h, "paint_play"), "String", on ? "Pause" : "Play");
}

// Paint or Play pressed before any polygon is placed: the status line says why nothing happens
// (until the next redraw).
bool saidNothingToPaint(Handle h) {
  const ProgramState s = fetchState(h);
  if (s.learning.paintStep > 0 || paintCanStep(s)) return false;
  tellStatus(h, "Nothing to paint yet: click a waiting polygon to place a splitter first.");
  return true;
}

void playTick(Handle fig) {
  // A change of the tree or the scanner, or "Start", ended the stepping: Play ends with it.
  if (fetchState(fig).learning.paintStep > 0) paintAction(fig, PaintMove::Step);
  const ProgramState now = fetchState(fig);
  if (now.learning.paintStep == 0 || !paintCanStep(now)) setPlaying(fig, false);
}

}  // namespace

void tellStatus(Handle h, const std::string& text) {
  const Handle line = fetchState(h).controls.status_line;
  if (line) g::set(line, "String", text);
}

bool paintPlaying(Handle h) {
  const Value period = g::get(windowOf(h), "TimerPeriod");
  return period.isScalar() && period.scalar() > 0;
}

void paint_play_Callback(Handle h) {
  if (paintPlaying(h)) {
    setPlaying(h, false);
    return;
  }
  if (saidNothingToPaint(h)) return;
  if (!paintCanStep(fetchState(h))) paintAction(h, PaintMove::Reset);  // from the end: again
  g::set(windowOf(h), "TimerFcn", privateCallback("paint the next polygon", &playTick));
  setPlaying(h, true);
  paintAction(h, PaintMove::Step);  // the first at once: the press answers with something to see
  if (!paintCanStep(fetchState(h))) setPlaying(h, false);
}

void paint_speed_Callback(Handle h) {
  if (paintPlaying(h)) g::set(windowOf(h), "TimerPeriod", playPeriod(h));
}

void UndoMenuItem_Callback(Handle h) { undoAction(h); }
void RedoMenuItem_Callback(Handle h) { redoAction(h); }
void auto_step_Callback(Handle h) { autoAction(h, strategyShown(h), false); }
void auto_all_Callback(Handle h) { autoAction(h, strategyShown(h), true); }
void paint_step_Callback(Handle h) {
  if (!saidNothingToPaint(h)) paintAction(h, PaintMove::Step);
}
void paint_back_Callback(Handle h) { paintAction(h, PaintMove::Back); }
void paint_reset_Callback(Handle h) { paintAction(h, PaintMove::Reset); }

void show_log_Callback(Handle h) {
  g::set(tagged(h, "log_list"), "Visible", views::isOn(h) ? "on" : "off");
}

void challenge_Callback(Handle h) { showLearning(fetchState(h)); }

std::string comparisonTable(const std::vector<bsp::Comparison>& rows) {
  double most = 1;
  for (const auto& r : rows) most = std::max(most, r.pieces);
  std::string html = "<p>Each strategy builds the scene's whole tree; fewer pieces and a shallower tree are better. "
                     "Random is the mean of 20 seeds.</p><table cellspacing=\"6\">"
                     "<tr><th align=\"left\">strategy</th><th align=\"right\">pieces</th><th align=\"right\">depth</th>"
                     "<th align=\"right\">avg&nbsp;leaf&nbsp;depth</th><th></th></tr>";
  for (const auto& r : rows) {
    const int width = static_cast<int>(120 * r.pieces / most);
    const char* colour = r.strategy == "yours" ? "#d08030" : r.strategy == "optimal" ? "#40a040" : "#6a6ad0";
    html += "<tr><td>" + r.strategy + "</td><td align=\"right\">" + fixed(r.pieces, r.strategy == "random" ? 1 : 0) +
            "</td><td align=\"right\">" + fixed(r.depth, r.strategy == "random" ? 1 : 0) + "</td><td align=\"right\">" +
            fixed(r.avgLeafDepth, 2) + "</td><td><table cellspacing=\"0\" cellpadding=\"0\"><tr><td bgcolor=\"" +
            colour + "\" width=\"" + std::to_string(std::max(width, 1)) + "\">&nbsp;</td></tr></table></td></tr>";
  }
  return html + "</table>";
}

void compare_Callback(Handle h) {
  const auto rows = compareAction(h);
  std::string text = comparisonTable(rows);
  double best = 0;
  for (const auto& r : rows)
    if (r.strategy == "optimal") best = r.pieces;
  const bool byHand = treeBuiltByHand(fetchState(h));
  for (const auto& r : rows)
    if (r.strategy == "yours" && best > 0)
      text += r.pieces > best ? "<p>Your tree has " + fixed(r.pieces - best, 0) +
                                    " pieces more than the optimum. Undo a few steps and try to beat it.</p>"
              : byHand        ? "<p><b>Your tree reaches the optimum. Well done!</b></p>"
                              : "<p>Your tree, built with a strategy's help, has as few pieces as the optimum. "
                                "Reset and try it with your own clicks.</p>";
  g::questdlg(text, "Compare strategies", {"OK"}, "OK");
}

void figure1_CloseRequestFcn(Handle h) {
  const Value record = gui::guidata(h);
  if (holdsProgramState(record)) {
    const ProgramState state = fetchState(h);
    if (bsp::statistics(state.root, 0).nodes > 0) {
      CloseMenuItem_Callback(record);
      return;
    }
  }
  g::deleteObject(h);
}

}  // namespace kolvar::app
