#pragma once
// The guided first tour: a few steps, each pointing at one control of the window and waiting
// until the student has done what it asks. Whether a step is done is read from the program's
// state, never from which button was pressed, so the tour follows the student however they get
// there. Pure logic: what draws the pointer is the backend's business.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "bsp/bsp.hpp"

namespace kolvar::app {

// What the tour looks at in the program's state.
struct TourView {
  double scene = 1;           // the entry of the scene popup
  std::size_t sceneSize = 0;  // the polygons of that scene
  std::size_t placed = 0;     // polygons placed in the tree as splitters
  std::size_t waiting = 0;    // polygons and pieces still waiting under a node
  bsp::Vec3 scanner{};
};
// The view of a tree of a scene of `sceneSize` polygons.
TourView tourView(double scene, std::size_t sceneSize, const bsp::NodeRef& root, const bsp::Vec3& scanner);

struct TourStep {
  std::string target;  // the tag of the control or axes the step points at
  std::string title;
  std::string text;
};
const std::vector<TourStep>& tourSteps();

// A tour under way: the step shown (from 0) and the state it started from, against which the
// step's task is judged.
struct Tour {
  std::size_t step = 0;
  TourView start;
};

// Whether the task of step `step` is done, going from `start` to `now`. The last step only says
// goodbye; it is never done by itself.
bool stepDone(std::size_t step, const TourView& start, const TourView& now);

// The tour after the state changed to `now`: on to the next step when the task is done (the
// next step starting from `now`), else as it was.
Tour follow(const Tour& tour, const TourView& now);
// The next step, as a "skip" or "finish" button gives it; nothing after the last step.
std::optional<Tour> next(const Tour& tour, const TourView& now);

}  // namespace kolvar::app
