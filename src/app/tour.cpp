#include "app/tour.hpp"

namespace kolvar::app {

namespace {

void count(const bsp::NodeRef& node, TourView& v) {
  // Iterative: a tree may be deeper than the stack is willing to recurse.
  std::vector<const bsp::BspNode*> todo;
  if (node) todo.push_back(node.get());
  while (!todo.empty()) {
    const bsp::BspNode* n = todo.back();
    todo.pop_back();
    if (n->element) {
      if (n->element->poly) ++v.placed;
      v.waiting += n->element->front.size() + n->element->back.size();
    }
    if (n->left) todo.push_back(n->left.get());
    if (n->right) todo.push_back(n->right.get());
  }
}

}  // namespace

TourView tourView(double scene, std::size_t sceneSize, const bsp::NodeRef& root, const bsp::Vec3& scanner) {
  TourView v;
  v.scene = scene;
  v.sceneSize = sceneSize;
  v.scanner = scanner;
  count(root, v);
  return v;
}

const std::vector<TourStep>& tourSteps() {
  static const std::vector<TourStep> steps = {
      {"select_poly", "Choose a scene",
       "Every tree starts from a scene. Pick one from this list, for example scene 3: three walls, "
       "one of which is cut twice."},
      {"axes3", "Click a waiting polygon",
       "The numbers under the root are the scene's polygons, waiting for a splitter. Click one: it "
       "becomes the splitter of a new node, and the others are filed in front of it (f) or behind it (b)."},
      {"axes3", "See a split",
       "A polygon that lies on both sides of a splitter's plane is cut in two: the piece in front "
       "gets the letter a, the piece behind gets b. Go on clicking waiting polygons until you see "
       "one cut (in scene 3: click wall 2 first), or until none waits: where no polygon crosses "
       "another's plane, as the parallel triangles of scene 2, nothing is ever cut."},
      {"axes2", "Place the scanner",
       "The scanner is a viewer standing in the scene. Click into the partition view to move it."},
      {"scan_list", "Read the scan list",
       "This list gives the placed polygons far to near as seen from the scanner: the order a "
       "painter draws them in, so nearer ones cover farther ones. Place every waiting polygon, "
       "then move the scanner again and watch the order change."},
      {"axes3", "Your first tree",
       "Every polygon has its place in the tree, and one tree gives the order from every place. "
       "Reset and try other splitters: which order gives the fewest pieces? The Help menu has a "
       "quick guide and a page on BSP trees."},
  };
  return steps;
}

bool stepDone(std::size_t step, const TourView& start, const TourView& now) {
  switch (step) {
    case 0:  // a scene chosen (a tree that starts afresh counts too: it is the same choice)
      return now.scene != start.scene || (start.placed > 0 && now.placed == 0);
    case 1:
      return now.placed > start.placed;
    case 2:  // a piece more than the scene had, or a whole tree: a scene whose polygons all lie
             // on one side of each other's planes (scene 2) is never cut, whatever the order
      return now.placed + now.waiting > now.sceneSize || (now.placed > 0 && now.waiting == 0);
    case 3:
      return !(now.scanner == start.scanner);
    case 4:  // the whole tree, read from another place
      return now.placed > 0 && now.waiting == 0 && !(now.scanner == start.scanner);
    default:
      return false;
  }
}

Tour follow(const Tour& tour, const TourView& now) {
  if (tour.step + 1 < tourSteps().size() && stepDone(tour.step, tour.start, now)) return Tour{tour.step + 1, now};
  return tour;
}

std::optional<Tour> next(const Tour& tour, const TourView& now) {
  if (tour.step + 1 >= tourSteps().size()) return std::nullopt;
  return Tour{tour.step + 1, now};
}

}  // namespace kolvar::app
