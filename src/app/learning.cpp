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
  if (c.show_planes) setCheckbox(c.show_planes, s.options.planes);
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
// preview: it would tell what choosing a polygon no longer waiting would do. A step that took
// away the node selected or pointed at (an undo, a reset, another scene) lets it go: nothing of it
// is shown any more.
void dropStaleHover(ProgramState& state) {
  Interaction& i = state.interaction;
  if (i.hover && !stillWaiting(state.root, i.hover->list)) i.hover.reset();
  for (bsp::PolygonRef* placed : {&i.selected, &i.pointed})
    if (*placed && !bsp::pathTo(state.root, placed->get())) placed->reset();
}

// Whether a strategy chose a splitter in this step (Step, or Build all).
bool helped(const StepLog& log) {
  return !log.expansions.empty() && (!log.words().reasons.empty() || !log.words().lead.empty());
}

// Whether every splitter of the tree shown was the student's own click: no strategy chose one
// since the tree was last fresh (a new scene, a reset, the start). `latest` is a step about to be
// recorded.
bool builtByHand(const History& h, const StepLog& latest) {
  if (helped(latest)) return false;
  for (const StepCell* c = h.done.get(); c; c = c->next.get()) {
    if (bsp::statistics(c->step.after.root, 0).nodes == 0) return true;
    if (helped(c->step.log)) return false;
  }
  return true;
}

// The fewest pieces a finished tree of the scene shown can have, where the scene is small enough
// to try every order of choices.
std::optional<std::size_t> fewestPossible(const ProgramState& state) {
  const bsp::PolygonList& scene = sceneShown(state);
  if (scene.size() > bsp::kMaxOptimalPolygons) return std::nullopt;
  return bsp::optimalOutcome(scene).pieces;
}

bool challengeOn(const ProgramState& state) {
  const Handle box = taggedOr0(state.record, "challenge");
  return box && views::isOn(box);
}

}  // namespace

bool treeBuiltByHand(const ProgramState& state) { return builtByHand(state.learning.history, {}); }

ChallengeState challengeOf(const ProgramState& state) {
  ChallengeState c;
  c.on = challengeOn(state);
  if (!c.on) return c;
  c.goal = fewestPossible(state);
  const bsp::Statistics s = bsp::statistics(state.root, sceneShown(state).size());
  c.met = c.goal && s.complete && s.nodes > 0 && s.pieces <= *c.goal && treeBuiltByHand(state);
  return c;
}

void commitStep(ProgramState& state, StepLog log) {
  // A step that completes the tree hears how it compares with the fewest pieces possible, where
  // the scene is small enough to know them; only a tree of the student's own clicks earns praise.
  if (!log.expansions.empty()) {
    const bsp::Statistics s = bsp::statistics(state.root, sceneShown(state).size());
    if (s.complete) {
      if (const auto best = fewestPossible(state)) {
        const bool byHand = builtByHand(state.learning.history, log);
        log.edit().verdict = "Tree complete with " + std::to_string(s.pieces) + " pieces" +
                      (s.pieces > *best ? "; the fewest possible is " + std::to_string(*best) + ": undo and try to beat it."
                       : byHand         ? ", the fewest possible. Well done!"
                                        : ", the fewest possible.");
      }
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
  const ChallengeState c = challengeOf(state);
  out += "},\"challenge\":{\"on\":";
  out += c.on ? "true" : "false";
  out += ",\"goal\":";
  out += c.goal ? std::to_string(*c.goal) : "null";
  out += ",\"met\":";
  out += c.met ? "true" : "false";
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
    // The challenge's goal stands beside the figures it is about.
    const ChallengeState c = challengeOf(state);
    if (c.on) text += c.goal ? "   Goal " + std::to_string(*c.goal) + (c.met ? ": met!" : "") : std::string("   Goal: too many polygons to know");
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
    Matrix greyed(1, rows.size() - done);
    for (std::size_t i = done; i < rows.size(); ++i) greyed.data[i - done] = static_cast<double>(i + 1);
    g::set(list, "GreyedRows", Value(std::move(greyed)));
    // The latest step is selected, so the list shows it.
    g::set(list, "Value", done ? Value(static_cast<double>(done)) : Value(Matrix()));
  }
  const History& h = state.learning.history;
  for (const auto& [tag, on] : {std::pair{"undo_button", canUndo(h)}, std::pair{"redo_button", canRedo(h)}})
    if (const Handle b = taggedOr0(record, tag)) g::set(b, "Enable", on ? "on" : "off");
}

}  // namespace kolvar::app
