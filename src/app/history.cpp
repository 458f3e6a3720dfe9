#include "app/history.hpp"

#include <algorithm>

namespace kolvar::app {

bool Snapshot::operator==(const Snapshot& o) const {
  return root == o.root && scanner.x == o.scanner.x && scanner.y == o.scanner.y && scanner.z == o.scanner.z &&
         scene == o.scene && options.labels == o.options.labels && options.normals == o.options.normals &&
         options.scanner == o.options.scanner && options.frame == o.options.frame;
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

History recordStep(const History& h, Snapshot after, std::vector<std::string> log) {
  History out;
  out.done = std::make_shared<StepCell>(Step{h.current, after, std::move(log)}, h.done);
  out.doneCount = h.doneCount + 1;
  out.current = std::move(after);
  return out;
}

History undoStep(const History& h) {
  if (!h.done) return h;
  History out;
  out.current = h.done->step.before;
  out.undone = std::make_shared<StepCell>(h.done->step, h.undone);
  out.undoneCount = h.undoneCount + 1;
  out.done = h.done->next;
  out.doneCount = h.doneCount - 1;
  return out;
}

History redoStep(const History& h) {
  if (!h.undone) return h;
  History out;
  out.current = h.undone->step.after;
  out.done = std::make_shared<StepCell>(h.undone->step, h.done);
  out.doneCount = h.doneCount + 1;
  out.undone = h.undone->next;
  out.undoneCount = h.undoneCount - 1;
  return out;
}

namespace {

std::vector<std::string> sentences(const StepStack& stack) {
  std::vector<std::string> out;
  for (const StepCell* c = stack.get(); c; c = c->next.get())
    for (auto it = c->step.log.rbegin(); it != c->step.log.rend(); ++it) out.push_back(*it);
  return out;
}

}  // namespace

std::vector<std::string> doneLog(const History& h) {
  std::vector<std::string> out = sentences(h.done);
  std::reverse(out.begin(), out.end());
  return out;
}

std::vector<std::string> undoneLog(const History& h) {
  std::vector<std::string> out;
  for (const StepCell* c = h.undone.get(); c; c = c->next.get())
    out.insert(out.end(), c->step.log.begin(), c->step.log.end());
  return out;
}

}  // namespace kolvar::app
