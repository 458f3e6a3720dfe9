#pragma once
// The undo history and the step log: what the student did, as a list of values.
//
// Every action that changes what the window shows (an expansion, a scanner move, a scene change,
// a reset, an option) is one step: the state after it and what the log says about it. Steps
// live in two persistent stacks that share their tails, so recording, undoing and redoing a step
// each cost O(1) and a state that holds a history copies in O(1).
// The trees in the snapshots share their unchanged subtrees, so a step costs in memory only what
// it changed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bsp/bsp.hpp"
#include "graphics/graphics.hpp"
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

// A splitter chosen in a waiting list: the list, the position chosen in it and the node it made.
struct Expansion {
  bsp::PolygonList list;
  std::size_t index = 0;
  bsp::NodeRef node;
};

// What a step says in the log. The sentences are made when the log is read, from what the step
// holds anyway: an expansion from its list, choice and node, a scanner move from where the
// scanner went. Text is kept only for what cannot be told again (a strategy's reasons).
//
// Every step of a long session keeps its log, so a log holds little: most steps (a click, a
// scanner move, an option) have no words of their own, and the few that do keep them apart,
// shared by the copies of the step that undo and redo make.
struct StepLog {
  enum class Kind : std::uint8_t { Text, Scanner, Scene, Reset, Option };
  struct Words {
    std::string lead;                  // a first sentence, when not empty
    std::vector<std::string> reasons;  // before expansion i, its reason, where given
    std::string verdict;               // a last sentence, when not empty (the challenge's)
  };

  Kind kind = Kind::Text;
  bool on = false;               // Option: switched on
  graphics::Handle control = 0;  // Option: its check box
  std::vector<Expansion> expansions;

  const Words& words() const {
    static const Words none;
    return words_ ? *words_ : none;
  }
  // The words of this log to change; those shared with a copy are copied first.
  Words& edit();

  static StepLog of(Kind kind) {
    StepLog log;
    log.kind = kind;
    return log;
  }

 private:
  std::shared_ptr<Words> words_;
};

struct Step {
  Snapshot after;  // what the step led to; what it came from is the step below it (or the base)
  StepLog log;
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
  Snapshot base;     // what the window showed before the oldest step taken
  Snapshot current;  // what the window shows
  StepStack done;    // the steps taken, newest first
  StepStack undone;  // the steps undone, the next one to redo first
  std::size_t doneCount = 0;
  std::size_t undoneCount = 0;
  // An opened session brings a history of its own, which replaces the window's whole: its log is
  // the session's, as it was saved. The history it replaced lies `below`: undoing past the
  // session's oldest step goes back to it, just as it was. There, `above` is the session's
  // history, which a redo past the newest step comes back to; a new step drops it.
  std::shared_ptr<const History> below;
  std::shared_ptr<const History> above;
};

// A fresh history at `start`.
History startHistory(const Snapshot& start);
// The history after the step that led from h.current to `after`; the steps undone are dropped.
History recordStep(const History& h, Snapshot after, StepLog log);
// The history one step back or forward; the same history when there is nothing to undo or redo.
// Undoing with no step taken goes down to the history below, redoing with none undone up to the
// one above.
History undoStep(const History& h);
History redoStep(const History& h);
bool canUndo(const History& h);
bool canRedo(const History& h);
// `session`, opened over the window whose history is `replaced`: one undo below its oldest step
// gives `replaced` back. Of the histories below, at most kHistoryLayers are kept.
inline constexpr std::size_t kHistoryLayers = 16;
History openedOver(History session, const History& replaced);

// The sentences of the steps taken, oldest first, and of the steps undone, in the order they
// would be redone; of at most `steps` steps (the latest taken, the next to redo).
std::vector<std::string> doneLog(const History& h, std::size_t steps = SIZE_MAX);
std::vector<std::string> undoneLog(const History& h, std::size_t steps = SIZE_MAX);
// The sentences of one step.
std::vector<std::string> sentencesOf(const Step& step);

// The node of an expansion of list[index] among the latest `steps` steps taken or undone, or
// null. Choosing the same splitter in the same list again (after an undo or a reset) makes the
// same node, so the history shares it instead of holding a copy.
bsp::NodeRef recentExpansion(const History& h, const bsp::PolygonList& list, std::size_t index,
                             std::size_t steps = 64);
// A tree with nothing placed yet of the scene `scene` (the very list) that the window showed
// before or after one of the latest `steps` steps, or null. A reset or a scene change starts from
// it instead of making an equal tree of its own for every step.
bsp::NodeRef recentFreshRoot(const History& h, const bsp::PolygonList& scene, std::size_t steps = 64);

// The program's record of learning: the history and the painter's step (0 when not stepping;
// K for the K-th polygon of the far-to-near walk).
struct Learning {
  History history;
  std::size_t paintStep = 0;
};

}  // namespace kolvar::app
