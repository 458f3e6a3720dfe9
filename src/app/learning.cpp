#include "app/learning.hpp"

#include <nlohmann/json.hpp>

#include "app/app.hpp"
#include "diagram/inorder.hpp"
#include "views/partition.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

namespace {

// Whole expansions to the end are told step by step while the tree is small enough to read; a
// large scene gets one summary sentence.
constexpr std::size_t kToldWaiting = 100;

// The log panel shows the latest steps; the whole log stays in the history and the state line.
constexpr std::size_t kPanelDone = 200;
constexpr std::size_t kPanelUndone = 50;

// A tree the window no longer shows keeps no layout for walks: in the history it waits only for
// an undo, which lays it out again when it is walked.
void forgetWalkLayout(const bsp::NodeRef& left, const bsp::NodeRef& shown) {
  if (left && left != shown) left->flat.reset();
}

void setCheckbox(Handle box, bool on) {
  const Value v = g::get(box, on ? "Max" : "Min");
  g::set(box, "Value", v.isScalar() ? v : Value(on ? 1.0 : 0.0));
}

// Stores the changed state and draws it.
void show(ProgramState state) {
  storeState(state.controls.figure1, state);
  redraw(std::move(state));
}

std::vector<const bsp::BspElement*> walkOrder(const ProgramState& state) {
  std::vector<const bsp::BspElement*> order;
  bsp::bspFarToNear(state.scanner, state.root, [&](const bsp::BspElement& e) { order.push_back(&e); });
  return order;
}

Handle taggedOr0(const Value& record, const char* tag) {
  if (!record.hasField(tag)) return 0;
  const Value& v = record.field(tag);
  return v.isScalar() && g::ishandle(v.scalar()) ? v.scalar() : 0;
}

}  // namespace

void applySnapshot(ProgramState& state, const Snapshot& s) {
  state.root = s.root;
  state.scanner = s.scanner;
  const Controls& c = state.controls;
  g::set(c.select_poly, "Value", s.scene);
  setCheckbox(c.show_labels, s.options.labels);
  setCheckbox(c.show_normals, s.options.normals);
  setCheckbox(c.show_scanner, s.options.scanner);
  setCheckbox(c.show_coordinate_frame, s.options.frame);
}

namespace {

// Whether `list` is still one of the tree's waiting lists (the same list, not an equal one).
bool stillWaiting(const bsp::NodeRef& root, const bsp::PolygonList& list) {
  bool found = false;
  diagram::btinorder(root, [&](const bsp::BspElement& e) {
    for (const bsp::PolygonList* l : {&e.front, &e.back})
      found = found || (l->size() == list.size() && list.size() > 0 && (*l)[0] == list[0]);
  });
  return found;
}

// A step that took away the list under the pointer (a click on its item, an undo) ends its
// preview: it would tell what choosing a polygon no longer waiting would do.
void dropStaleHover(ProgramState& state) {
  if (state.interaction.hover && !stillWaiting(state.root, state.interaction.hover->list)) state.interaction.hover.reset();
}

}  // namespace

void commitStep(ProgramState& state, StepLog log) {
  // The challenge: a step that completes the tree hears how it compares with the fewest pieces
  // possible, where the scene is small enough to know them.
  if (!log.expansions.empty()) {
    const bsp::PolygonList& scene = sceneShown(state);
    const bsp::Statistics s = bsp::statistics(state.root, scene.size());
    if (s.complete && scene.size() <= bsp::kMaxOptimalPolygons) {
      const std::size_t best = bsp::optimalOutcome(scene).pieces;
      log.edit().verdict = "Tree complete with " + std::to_string(s.pieces) + " pieces" +
                    (s.pieces <= best ? ", the fewest possible. Well done!"
                                      : "; the fewest possible is " + std::to_string(best) + ": undo and try to beat it.");
    }
  }
  forgetWalkLayout(state.learning.history.current.root, state.root);
  state.learning.history = recordStep(state.learning.history, shownNow(state), std::move(log));
  state.learning.paintStep = 0;
  dropStaleHover(state);
}

StepLog optionLog(Handle box) {
  StepLog log = StepLog::of(StepLog::Kind::Option);
  log.control = box;
  log.on = views::isOn(box);
  return log;
}

namespace {

// One step back (or forward) through the history, when there is one to take.
void moveThroughHistory(Handle h, bool back) {
  ProgramState state = fetchState(h);
  if (!(back ? canUndo(state.learning.history) : canRedo(state.learning.history))) return;
  const bsp::NodeRef left = state.root;
  state.learning.history = back ? undoStep(state.learning.history) : redoStep(state.learning.history);
  forgetWalkLayout(left, state.learning.history.current.root);
  applySnapshot(state, state.learning.history.current);
  state.learning.paintStep = 0;
  dropStaleHover(state);
  show(std::move(state));
}

}  // namespace

void undoAction(Handle h) { moveThroughHistory(h, true); }

void redoAction(Handle h) { moveThroughHistory(h, false); }

void autoAction(Handle h, const bsp::Strategy& strategy, bool all) {
  ProgramState state = fetchState(h);
  const std::size_t sceneSize = sceneShown(state).size();
  if (strategy.kind == bsp::StrategyKind::Optimal && sceneSize > bsp::kMaxOptimalPolygons)
    throw Error("The optimal strategy tries every order of choices, which is offered for scenes of at most " +
                std::to_string(bsp::kMaxOptimalPolygons) + " polygons; this scene has " + std::to_string(sceneSize) +
                ".");
  const std::string name = bsp::strategyName(strategy);
  StepLog log;
  const auto take = [&](bsp::AutoStep& step) {
    log.edit().reasons.push_back(name + " chooses " + step.node->element->poly->label + ": " + step.choice.reason + ".");
    state.root = bsp::bspInsertNode(state.root, step.node);
    log.expansions.push_back({std::move(step.where.list), step.choice.index, std::move(step.node)});
  };
  if (!all) {
    auto step = bsp::nextStep(state.root, strategy);
    if (!step) return;  // complete: nothing to choose
    take(*step);
  } else {
    const bsp::Statistics before = bsp::statistics(state.root, sceneSize);
    if (before.complete) return;
    if (before.waiting <= kToldWaiting) {
      while (auto step = bsp::nextStep(state.root, strategy)) take(*step);
    } else {
      // A large tree is built on the side, with a bar and Cancel when it takes long.
      const bsp::NodeRef from = state.root;
      bsp::NodeRef built;
      try {
        g::backend().dialogs().runWithProgress("Building the tree with " + name + "...", [&](runtime::Progress& p) {
          built = bsp::buildWith(from, strategy, &p);
          p.check();  // a Cancel pressed at the very end counts too
        });
      } catch (const runtime::Cancelled&) {
        tellStatus(h, "Building with " + name + " was cancelled; the tree is as it was.");
        return;
      }
      // The window was live meanwhile (a timer may have stored a state of its own): build on
      // what is stored now.
      state = fetchState(h);
      state.root = built;
    }
    const bsp::Statistics after = bsp::statistics(state.root, sceneSize);
    log.edit().lead = "Built to the end with " + name + ": " + std::to_string(after.nodes - before.nodes) + " nodes placed, " +
               std::to_string(after.splits - before.splits) + " splits.";
  }
  commitStep(state, std::move(log));
  show(std::move(state));
}

std::vector<bsp::Comparison> compareAction(Handle h) {
  const ProgramState state = fetchState(h);
  const bsp::PolygonList& scene = sceneShown(state);
  std::vector<bsp::Comparison> rows = bsp::compareStrategies(scene);
  const bsp::Statistics yours = bsp::statistics(state.root, scene.size());
  if (yours.complete && yours.nodes > 0)
    rows.push_back({"yours", static_cast<double>(yours.nodes), static_cast<double>(yours.depth), yours.avgLeafDepth});
  return rows;
}

void paintAction(Handle h, PaintMove move) {
  ProgramState state = fetchState(h);
  std::size_t& k = state.learning.paintStep;
  const std::size_t n = walkOrder(state).size();
  const std::size_t was = k;
  switch (move) {
    case PaintMove::Step: k = k < n ? k + 1 : n; break;
    case PaintMove::Back: k = k > 0 ? k - 1 : 0; break;
    case PaintMove::Reset: k = 0; break;
  }
  if (k != was) show(std::move(state));
}

bool paintCanStep(const ProgramState& state) { return state.learning.paintStep < walkOrder(state).size(); }

const bsp::BspElement* paintedElement(const ProgramState& state) {
  const std::size_t k = state.learning.paintStep;
  if (k == 0) return nullptr;
  const auto order = walkOrder(state);
  return k <= order.size() ? order[k - 1] : nullptr;
}

std::string learningJson(const ProgramState& state) {
  const bsp::Statistics s = bsp::statistics(state.root, sceneShown(state).size());
  const std::size_t figures[] = {s.nodes, s.pieces, s.splits, s.depth, s.waiting};
  const char* keys[] = {"nodes", "pieces", "splits", "depth", "waiting"};
  std::string out = ",\"stats\":{";
  for (std::size_t i = 0; i < 5; ++i) out += "\"" + std::string(keys[i]) + "\":" + std::to_string(figures[i]) + ",";
  out += s.complete ? "\"complete\":true" : "\"complete\":false";
  out += "},\"log\":";
  out += nlohmann::json(doneLog(state.learning.history)).dump();
  out += ",\"paint\":";
  const bsp::BspElement* e = paintedElement(state);
  if (e) {
    out += "{\"step\":" + std::to_string(state.learning.paintStep) + ",\"node\":" + nlohmann::json(e->poly->label).dump() +
           ",\"playing\":" + (paintPlaying(state.controls.figure1) ? "true" : "false") + "}";
  } else {
    out += "null";
  }
  return out;
}

void showLearning(const ProgramState& state) {
  const Value& record = state.record;
  const bsp::Statistics s = bsp::statistics(state.root, sceneShown(state).size());
  if (const Handle line = taggedOr0(record, "stats_line")) {
    std::string text = "Nodes " + std::to_string(s.nodes) + "   Pieces " + std::to_string(s.pieces) + "   Splits " +
                       std::to_string(s.splits) + "   Depth " + std::to_string(s.depth) + "   ";
    text += s.complete ? std::string("Tree complete") : "Waiting " + std::to_string(s.waiting);
    g::set(line, "String", text);
  }
  if (const Handle caption = taggedOr0(record, "tree_caption")) {
    // The layout's caption is kept with the control, to come back when an undo reopens the tree.
    if (g::get(caption, "UserData").isEmpty()) g::set(caption, "UserData", g::get(caption, "String"));
    g::set(caption, "String",
           s.complete && s.nodes > 0 ? Value("Tree complete: every polygon is placed (Edit > Undo steps back)")
                                     : g::get(caption, "UserData"));
  }
  if (const Handle caption = taggedOr0(record, "partition_caption")) {
    // Kept like the tree view's caption. Of a great many waiting polygons the view shows a
    // sample, and says so where the student looks for what the view shows.
    if (g::get(caption, "UserData").isEmpty()) g::set(caption, "UserData", g::get(caption, "String"));
    const std::size_t every = views::ghostStride(s.waiting);
    g::set(caption, "String",
           every > 1 ? Value("Partition: 1 in " + std::to_string(every) + " waiting polygons shown") : g::get(caption, "UserData"));
  }
  if (const Handle list = taggedOr0(record, "log_list")) {
    std::vector<std::string> rows = doneLog(state.learning.history, kPanelDone);
    const std::size_t done = rows.size();
    for (std::string& undone : undoneLog(state.learning.history, kPanelUndone)) rows.push_back("(undone) " + undone);
    g::set(list, "String", rows.empty() ? Value("") : Value::textColumn(rows));
    // The latest step is selected, so the list shows it.
    g::set(list, "Value", done ? Value(static_cast<double>(done)) : Value(Matrix()));
  }
  const History& h = state.learning.history;
  for (const auto& [tag, on] : {std::pair{"undo_button", canUndo(h)}, std::pair{"redo_button", canRedo(h)}})
    if (const Handle b = taggedOr0(record, tag)) g::set(b, "Enable", on ? "on" : "off");
}

}  // namespace kolvar::app
