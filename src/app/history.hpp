#pragma once
// The undo history and the step log: what the student did, as a list of values.
//
// Every action that changes what the window shows (an expansion, a scanner move, a scene change,
// a reset, an option) is one step: the state before it, the state after it and the log's
// sentences for it. Steps live in two persistent stacks that share their tails, so recording,
// undoing and redoing a step each cost O(1) and a state that holds a history copies in O(1).
// The trees in the snapshots share their unchanged subtrees, so a step costs in memory only what
// it changed.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "bsp/bsp.hpp"
#include "views/views.hpp"

namespace kolvar::app {

// What an undo puts back: the tree, the scanner, the scene chosen in the popup and the options.
struct Snapshot {
  bsp::NodeRef root;
  bsp::Vec3 scanner;
  double scene = 1;
  views::Options options;
  bool operator==(const Snapshot& o) const;  // the same tree object, scanner, scene and options
};

struct Step {
  Snapshot before;
  Snapshot after;
  std::vector<std::string> log;
};

// One cell of a persistent stack of steps.
struct StepCell {
  StepCell(Step s, std::shared_ptr<const StepCell> n) : step(std::move(s)), next(std::move(n)) {}
  Step step;
  std::shared_ptr<const StepCell> next;
  // Releases a long chain that nobody else holds one cell at a time, not recursively.
  ~StepCell();
};
using StepStack = std::shared_ptr<const StepCell>;  // null is the empty stack

struct History {
  Snapshot current;  // what the window shows
  StepStack done;    // the steps taken, newest first
  StepStack undone;  // the steps undone, the next one to redo first
  std::size_t doneCount = 0;
  std::size_t undoneCount = 0;
};

// The history after the step that led from h.current to `after`; the steps undone are dropped.
History recordStep(const History& h, Snapshot after, std::vector<std::string> log);
// The history one step back or forward; the same history when there is nothing to undo or redo.
History undoStep(const History& h);
History redoStep(const History& h);

// The sentences of the steps taken, oldest first, and of the steps undone, in the order they
// would be redone.
std::vector<std::string> doneLog(const History& h);
std::vector<std::string> undoneLog(const History& h);

// The program's record of learning: the history and the painter's step (0 when not stepping;
// K for the K-th polygon of the far-to-near walk).
struct Learning {
  History history;
  std::size_t paintStep = 0;
};

}  // namespace kolvar::app
