#pragma once
// Learning by doing: undo and redo, the step log, the statistics, automatic building with named
// strategies, comparing them, and the painter's order step by step. Each action works on the
// window that `h` lies in: it fetches the state, changes it, stores it and redraws.
#include <optional>
#include <string>
#include <vector>

#include "app/state.hpp"

namespace kolvar::app {

// The challenge, when its check box is on: the fewest pieces a finished tree of the scene can have
// (for scenes of at most 10 polygons), and whether the student reached it by their own clicks.
struct ChallengeState {
  bool on = false;
  std::optional<std::size_t> goal;
  bool met = false;
};
ChallengeState challengeOf(const ProgramState& state);
// Whether every splitter of the tree shown was chosen by the student's own click since the tree
// was last fresh, with no strategy's help.
bool treeBuiltByHand(const ProgramState& state);

// Puts `snapshot` into `state` and into the scene popup and the option check boxes.
void applySnapshot(ProgramState& state, const Snapshot& snapshot);
// Records the change just made to `state` as one step of the history, with what the log says
// about it. The painter's stepping ends: it showed the tree and viewer that were.
void commitStep(ProgramState& state, StepLog log);
// The log of a click on an option's check box.
StepLog optionLog(Handle checkbox);

void undoAction(Handle h);
void redoAction(Handle h);

// One automatic expansion of the first waiting list, or every expansion to the end (one step of
// the history). The log says which splitter the strategy chose and why. A complete tree is left
// as it is; the optimal strategy on a scene of more than 10 polygons raises its refusal.
void autoAction(Handle h, const bsp::Strategy& strategy, bool all);

// The strategies' finished trees for the scene shown, and the student's own tree as the row
// "yours" when it is complete. The tree the student is building is not touched.
std::vector<bsp::Comparison> compareAction(Handle h);

enum class PaintMove { Step, Back, Reset };
// Steps through the far-to-near walk from the scanner: forward, back, or out of stepping.
void paintAction(Handle h, PaintMove move);
// Whether a step forward would paint another polygon.
bool paintCanStep(const ProgramState& state);
// The painter's current node: the element of the K-th polygon of the walk (K the paint step),
// or null when not stepping.
const bsp::BspElement* paintedElement(const ProgramState& state);

// The state line's added fields: ,"stats":{...},"log":[...],"paint":{...} or null.
std::string learningJson(const ProgramState& state);

// The controls of learning in the window (the statistics line, the tree caption, the log
// panel, the undo and redo buttons), brought up to date with `state`. Controls the layout does
// not have are passed over.
void showLearning(const ProgramState& state);

}  // namespace kolvar::app

namespace kolvar::app {

// The window's handlers of learning: the Edit menu, the Build controls (strategy popup, "Step",
// "Build all", "Compare"), the painter's buttons, the log panel's check box and the window's
// close button.
void UndoMenuItem_Callback(Handle hObject);
void RedoMenuItem_Callback(Handle hObject);
void auto_step_Callback(Handle hObject);
void auto_all_Callback(Handle hObject);
void compare_Callback(Handle hObject);
void paint_step_Callback(Handle hObject);
void paint_back_Callback(Handle hObject);
void paint_reset_Callback(Handle hObject);
// "Play" paints one polygon after another at the speed of the popup beside it (its first at
// once), until the last is painted or "Pause" is pressed; from the end it starts over.
void paint_play_Callback(Handle hObject);
void paint_speed_Callback(Handle hObject);
// Whether Play is painting in the window of `h`.
bool paintPlaying(Handle h);
void show_log_Callback(Handle hObject);
// The challenge's check box: its goal shows beside the statistics, or goes.
void challenge_Callback(Handle hObject);
// Closing from the title bar asks what File > Close asks once the tree has grown.
void figure1_CloseRequestFcn(Handle hObject);

// The comparison as the window shows it: a table with a bar per strategy (HTML).
std::string comparisonTable(const std::vector<bsp::Comparison>& rows);

}  // namespace kolvar::app
