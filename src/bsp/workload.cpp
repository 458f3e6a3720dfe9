#include "bsp/workload.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "bsp/expand.hpp"
#include "bsp/split.hpp"

namespace kolvar::bsp {

namespace {

using geometry::Side;

// A polygon as the side tests of a build read it: where its points are, how many, and its
// magnitude, with its index in the builder's own polygons. Filing moves these small records,
// and a test reads the record and the points without going through the polygon first.
struct Entry {
  const Vec3* points;
  double magnitude;
  std::uint32_t size;
  std::uint32_t poly;
};

// A list that another builder is to build: its polygons and where its subtree goes.
struct Task {
  std::vector<PolygonRef> polys;
  NodeRef* slot;
};

// The lists that builders hand to one another, largest first. A builder takes a list when it has
// finished its own; one that waits makes the queue hungry, and the others then hand over the
// next list they file, so that work goes where a thread is idle (on two threads the first
// hand-over comes right after the root's list is filed). When every builder waits and no list is
// left, the tree is whole and take() gives nothing to each; likewise after stop().
class TaskQueue {
 public:
  void push(Task task) {
    {
      const std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      std::push_heap(tasks_.begin(), tasks_.end(), smaller);
    }
    ready_.notify_one();
  }
  bool hungry() const { return hungry_.load(std::memory_order_relaxed) > 0; }
  // Called by each builder when it has nothing (more) to build: `finished` once it has built a
  // list taken from here.
  std::optional<Task> take(bool finished) {
    std::unique_lock lock(mutex_);
    if (finished) --busy_;
    if (busy_ == 0 && tasks_.empty()) done_ = true;
    if (done_) {
      ready_.notify_all();
      return std::nullopt;
    }
    ++hungry_;
    ready_.wait(lock, [this] { return !tasks_.empty() || done_; });
    --hungry_;
    if (done_) return std::nullopt;
    std::pop_heap(tasks_.begin(), tasks_.end(), smaller);
    Task task = std::move(tasks_.back());
    tasks_.pop_back();
    ++busy_;
    return task;
  }
  // Ends the build early (a builder failed): every take() gives nothing from now on.
  void stop() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
    }
    ready_.notify_all();
  }

 private:
  static bool smaller(const Task& a, const Task& b) { return a.polys.size() < b.polys.size(); }
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<Task> tasks_;  // a heap, the largest on top
  std::atomic<int> hungry_ = 0;  // builders waiting in take()
  int busy_ = 0;                 // builders building a list taken from here
  bool done_ = false;
};

// Builds subtrees as repeated clicks would. Each click would hang the node made from a waiting
// list exactly where that list waits, on the side of the node that holds it, and empty that
// list; once the tree is whole, no list is left. So the tree is built in place, each list
// expanded as expandNode would and then dropped: no walk down from the root per node as an
// insertion makes, and no waiting list is ever made into a PolygonList.
//
// The lists waiting to be expanded lie one after the other in one buffer, the one to expand next
// at its end, so the buffer is a stack that grows and shrinks with the depth of the walk and is
// allocated a few times in all rather than twice per node. Expanding a list files its back list
// into its own place (never ahead of the polygon being read: each one read adds at most one) and
// its front list after it. The nodes are made here, non-const, and nothing else holds them yet.
// A builder keeps its buffers from one subtree to the next.
class Builder {
 public:
  // Lists shorter than this are not worth handing to another thread.
  static constexpr std::size_t kSmallTask = 32;

  // Builds the subtree of `list` into *slot. With `tasks`, a list of kSmallTask polygons or more
  // filed while another builder waits for work is handed to `tasks` instead of being expanded
  // here.
  void build(std::vector<PolygonRef> list, NodeRef* slot, TaskQueue* tasks = nullptr) {
    polys_ = std::move(list);
    polys_.reserve(2 * polys_.size());  // room for the pieces of splits
    tasks_ = tasks;
    lists_.clear();
    for (std::size_t i = 0; i < polys_.size(); ++i) lists_.push_back(entry(i));
    pending_.assign(1, {0, lists_.size(), slot});
    while (!pending_.empty()) {
      const Waiting w = pending_.back();
      pending_.pop_back();
      expand(w);
    }
    polys_.clear();
  }

 private:
  struct Waiting {
    std::size_t begin;  // its polygons: lists_[begin, end)
    std::size_t end;
    NodeRef* slot;  // where its node goes
  };

  Entry entry(std::size_t i) const {
    const Polygon& p = *polys_[i];
    return {p.points.data(), p.magnitude, static_cast<std::uint32_t>(p.points.size()), static_cast<std::uint32_t>(i)};
  }
  Entry pieceEntry(PolygonRef piece) {
    polys_.push_back(std::move(piece));
    return entry(polys_.size() - 1);
  }

  void expand(const Waiting& w) {
    const std::size_t n = w.end - w.begin;
    auto made = std::make_shared<BspNode>(BspElement{std::move(polys_[lists_[w.begin].poly]), {}, {}}, nullptr, nullptr);
    BspNode& node = *made;
    *w.slot = std::move(made);
    const Polygon& splitter = *node.element->poly;
    const geometry::Plane plane = planeOf(splitter);
    if (front_.size() < n) front_.resize(n);  // only ever grows: it is written before it is read
    Entry* list = lists_.data() + w.begin;
    std::size_t nFront = 0;
    std::size_t nBack = 0;
    for (std::size_t i = 1; i < n; ++i) {
      // The polygons lie scattered in memory; ask for the ones a few steps ahead early.
      if (i + 4 < n) __builtin_prefetch(list[i + 4].points);
      const Entry e = list[i];
      const Side side = geometry::sideOf({e.points, e.size}, plane, sideTolerance(e.magnitude, splitter.magnitude));
      if (side == Side::Straddling) [[unlikely]] {  // its pieces stand where it stood
        auto [f, b] = splitPoly(*polys_[e.poly], splitter);
        polys_[e.poly] = nullptr;  // no list holds it any more
        if (f) front_[nFront++] = pieceEntry(std::move(f));
        if (b) list[nBack++] = pieceEntry(std::move(b));
      } else {
        // Filed without a branch: the side is as good as random, and a mispredicted branch costs
        // more than writing the record to both places. list[nBack] was read already (nBack < i).
        const bool back = side == Side::Back;
        front_[nFront] = e;
        list[nBack] = e;
        nFront += !back;
        nBack += back;
      }
    }
    // Back first, so that the front list is expanded next.
    lists_.resize(w.begin + nBack);
    file(nBack, &node.right);
    lists_.insert(lists_.end(), front_.begin(), front_.begin() + nFront);
    file(nFront, &node.left);
  }

  // Files the list of the last `n` entries of lists_, to be built into *slot: here, after the
  // lists filed before it, or by another builder.
  void file(std::size_t n, NodeRef* slot) {
    if (n == 0) return;
    const std::size_t begin = lists_.size() - n;
    if (tasks_ && n >= kSmallTask && tasks_->hungry()) {
      Task task{{}, slot};
      task.polys.reserve(n);
      for (std::size_t i = begin; i < lists_.size(); ++i) task.polys.push_back(std::move(polys_[lists_[i].poly]));
      lists_.resize(begin);
      tasks_->push(std::move(task));
    } else {
      pending_.push_back({begin, lists_.size(), slot});
    }
  }

  std::vector<PolygonRef> polys_;  // the polygons of the subtree being built, pieces of splits added at the end
  std::vector<Entry> lists_;
  std::vector<Entry> front_;  // the front list of the node being made
  std::vector<Waiting> pending_;
  TaskQueue* tasks_ = nullptr;
};

// Below this many polygons a scene is built on one thread: starting others would cost more than
// they save.
constexpr std::size_t kParallelFrom = 4096;

}  // namespace

std::size_t buildThreads(std::size_t polygons) {
  return polygons < kParallelFrom ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
}

NodeRef buildTree(const PolygonList& scene, std::size_t threads) {
  if (scene.empty()) return freshRoot(scene);
  NodeRef root;
  if (threads == 0) threads = buildThreads(scene.size());
  if (threads == 1) {
    Builder().build(scene.toVector(), &root);
    return root;
  }
  // The subtrees below a node share nothing, so they are built side by side: one thread starts
  // with the whole scene, and each list it files while another thread waits goes to that one,
  // which does the same in turn. Each list is built exactly as on one thread, so the tree does
  // not depend on how the work was shared.
  TaskQueue tasks;
  tasks.push(Task{scene.toVector(), &root});
  std::vector<std::exception_ptr> faults(threads);
  const auto work = [&](std::size_t worker) {
    try {
      Builder builder;
      bool finished = false;
      while (std::optional<Task> task = tasks.take(finished)) {
        builder.build(std::move(task->polys), task->slot, &tasks);
        finished = true;
      }
    } catch (...) {
      faults[worker] = std::current_exception();
      tasks.stop();
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t) {
      try {
        helpers.emplace_back(work, t);
      } catch (const std::system_error&) {  // no more threads to be had: build with those there are
        break;
      }
    }
    work(0);
  }
  for (const std::exception_ptr& fault : faults)
    if (fault) std::rethrow_exception(fault);
  return root;
}

TreeStats treeStats(const NodeRef& tree) {
  TreeStats stats;
  std::vector<std::pair<const BspNode*, std::size_t>> stack;
  if (tree) stack.push_back({tree.get(), 1});
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    stats.depth = std::max(stats.depth, depth);
    if (n->element) {
      if (n->element->poly) ++stats.placed;
      stats.waiting += n->element->front.size() + n->element->back.size();
    }
    if (n->left) stack.push_back({n->left.get(), depth + 1});
    if (n->right) stack.push_back({n->right.get(), depth + 1});
  }
  return stats;
}

}  // namespace kolvar::bsp
