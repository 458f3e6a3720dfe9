#include "app/history.hpp"

#include <algorithm>
#include <cstdio>

namespace kolvar::app {

namespace g = kolvar::graphics;

bool Snapshot::operator==(const Snapshot& o) const {
  return root == o.root && scanner.x == o.scanner.x && scanner.y == o.scanner.y && scanner.z == o.scanner.z &&
         scene == o.scene && options.labels == o.options.labels && options.normals == o.options.normals &&
         options.scanner == o.options.scanner && options.frame == o.options.frame &&
         options.planes == o.options.planes;
}

StepLog::Words& StepLog::edit() {
  if (!words_) {
    words_ = std::make_shared<Words>();
  } else if (words_.use_count() > 1) {
    words_ = std::make_shared<Words>(*words_);
  }
  return *words_;
}

StepCell::~StepCell() {
  // Take over the tail cell by cell while nobody else holds it, so that each cell dies with an
  // empty `next` and the chain unwinds in this loop instead of one stack frame per cell. Cells are
  // made non-const (make_shared<StepCell>) and a solely held one cannot be seen by anyone else.
  StepStack tail = std::move(next);
  while (tail && tail.use_count() == 1) {
    StepStack after = std::move(const_cast<StepCell&>(*tail).next);
    tail = std::move(after);
  }
}

History startHistory(const Snapshot& start) {
  History h;
  h.base = start;
  h.current = start;
  return h;
}

History recordStep(const History& h, Snapshot after, StepLog log) {
  History out;
  out.base = h.base;
  out.below = h.below;  // a new step drops what lay above, as it drops the steps undone
  out.done = std::make_shared<StepCell>(Step{after, std::move(log)}, h.done);
  out.doneCount = h.doneCount + 1;
  out.current = std::move(after);
  return out;
}

History undoStep(const History& h) {
  if (!h.done) {
    if (!h.below) return h;
    History out = *h.below;
    out.above = std::make_shared<const History>(h);
    return out;
  }
  History out;
  out.base = h.base;
  out.below = h.below;
  out.above = h.above;
  out.done = h.done->next;
  out.doneCount = h.doneCount - 1;
  out.current = out.done ? out.done->step.after : h.base;
  out.undone = std::make_shared<StepCell>(h.done->step, h.undone);
  out.undoneCount = h.undoneCount + 1;
  return out;
}

History redoStep(const History& h) {
  if (!h.undone) return h.above ? *h.above : h;
  History out;
  out.base = h.base;
  out.below = h.below;
  out.above = h.above;
  out.current = h.undone->step.after;
  out.done = std::make_shared<StepCell>(h.undone->step, h.done);
  out.doneCount = h.doneCount + 1;
  out.undone = h.undone->next;
  out.undoneCount = h.undoneCount - 1;
  return out;
}

bool canUndo(const History& h) { return h.done || h.below; }
bool canRedo(const History& h) { return h.undone || h.above; }

History openedOver(History session, const History& replaced) {
  // The layers below are copied down to the deepest one kept; what lay above the replaced
  // history is gone, as a new step would drop it.
  std::vector<History> layers{replaced};
  while (layers.back().below && layers.size() < kHistoryLayers) layers.push_back(*layers.back().below);
  layers.back().below = nullptr;
  std::shared_ptr<const History> below;
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
    it->above = nullptr;
    if (below) it->below = below;
    below = std::make_shared<const History>(std::move(*it));
  }
  session.below = std::move(below);
  session.above = nullptr;
  return session;
}

namespace {

std::string coordinate(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

}  // namespace

std::vector<std::string> sentencesOf(const Step& step) {
  const StepLog& log = step.log;
  const StepLog::Words& words = log.words();
  std::vector<std::string> out;
  if (!words.lead.empty()) out.push_back(words.lead);
  for (std::size_t i = 0; i < log.expansions.size(); ++i) {
    if (i < words.reasons.size()) out.push_back(words.reasons[i]);
    const Expansion& e = log.expansions[i];
    for (std::string& s : bsp::describeExpansion(e.list, e.index, *e.node)) out.push_back(std::move(s));
  }
  const Snapshot& a = step.after;
  const std::string scene = formatShortest(a.scene);
  switch (log.kind) {
    case StepLog::Kind::Text: break;
    case StepLog::Kind::Scanner:
      out.push_back("Scanner placed at (" + coordinate(a.scanner.x) + ", " + coordinate(a.scanner.y) + ", " +
                    coordinate(a.scanner.z) + ").");
      break;
    case StepLog::Kind::Scene: out.push_back("Scene chosen: scene " + scene + " starts afresh."); break;
    case StepLog::Kind::Reset: out.push_back("Tree reset: scene " + scene + " starts afresh."); break;
    case StepLog::Kind::Option: {
      const Value name = g::ishandle(log.control) ? g::get(log.control, "String") : Value();
      out.push_back((name.isText() ? name.text() : std::string("An option")) + (log.on ? " shown." : " hidden."));
      break;
    }
  }
  if (!words.verdict.empty()) out.push_back(words.verdict);
  return out;
}

std::vector<std::string> doneLog(const History& h, std::size_t steps) {
  std::vector<const Step*> taken;
  for (const StepCell* c = h.done.get(); c && taken.size() < steps; c = c->next.get()) taken.push_back(&c->step);
  std::vector<std::string> out;
  for (auto it = taken.rbegin(); it != taken.rend(); ++it)
    for (std::string& s : sentencesOf(**it)) out.push_back(std::move(s));
  return out;
}

std::vector<std::string> undoneLog(const History& h, std::size_t steps) {
  std::vector<std::string> out;
  std::size_t n = 0;
  for (const StepCell* c = h.undone.get(); c && n < steps; c = c->next.get(), ++n)
    for (std::string& s : sentencesOf(c->step)) out.push_back(std::move(s));
  return out;
}

bsp::NodeRef recentExpansion(const History& h, const bsp::PolygonList& list, std::size_t index, std::size_t steps) {
  for (const StepCell* top : {h.done.get(), h.undone.get()}) {
    std::size_t n = 0;
    for (const StepCell* c = top; c && n < steps; c = c->next.get(), ++n)
      for (const Expansion& e : c->step.log.expansions)
        if (e.index == index && e.list.size() == list.size() && e.list.begin() == list.begin()) return e.node;
  }
  return nullptr;
}

bsp::NodeRef recentFreshRoot(const History& h, const bsp::PolygonList& scene, std::size_t steps) {
  const auto fresh = [&](const bsp::NodeRef& t) {
    return t && !t->left && !t->right && t->element && !t->element->poly && t->element->back.empty() &&
           t->element->front.size() == scene.size() && t->element->front.begin() == scene.begin();
  };
  if (fresh(h.current.root)) return h.current.root;
  for (const StepCell* top : {h.done.get(), h.undone.get()}) {
    std::size_t n = 0;
    for (const StepCell* c = top; c && n < steps; c = c->next.get(), ++n)
      if (fresh(c->step.after.root)) return c->step.after.root;
  }
  return fresh(h.base.root) ? h.base.root : nullptr;
}

}  // namespace kolvar::app
