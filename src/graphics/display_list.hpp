#pragma once
// A figure as an ordered list of 2-D primitives in pixels (origin at the top-left of the
// figure's client area, y downwards), each remembering the object it came from. Later items lie
// on top of earlier ones. One painting routine (graphics/qt) draws it onto any paint device;
// hit testing walks it from the top.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace kolvar::graphics {

using Handle = double;

class HitGrid;

// Line widths, marker and font sizes are in points; the list is in pixels (the program works at
// 96 pixels per inch).
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  double x = 0;  // left
  double y = 0;  // top
  double width = 0;
  double height = 0;
  bool contains(Point p) const { return p.x >= x && p.x <= x + width && p.y >= y && p.y <= y + height; }
  // Whether the two share any area (touching edges do not count).
  bool overlaps(const Rect& o) const { return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
  double r = 0, g = 0, b = 0;  // 0..1
  double a = 1;                // opacity: 1 covers what lies behind, 0 leaves it showing
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Cap, Middle, Baseline, Bottom };

// What only texts and markers carry. It is kept apart from the primitive, so that the faces and
// lines that make up nearly all of a large scene's list stay small: a list of a million faces is
// made, moved and painted every frame.
struct Annotation {
  std::string marker;  // Marker: "o", "*", "+", "x", ".", "s" or "d"
  double markerSize = 6;
  Rgb markerFace;
  bool markerFilled = false;

  std::string text;  // Text
  double fontSize = 10;
  std::string fontName;
  Point baseline;         // Text: where the first character's baseline starts
  double lineHeight = 0;  // Text: distance between the baselines of successive lines
  double margin = 0;      // Text: space between the text and the box's sides, pixels
  HAlign align = HAlign::Left;  // Text: how lines of different widths line up in the box
  Rgb background;
  bool hasBackground = false;
  Rgb edge;
  bool hasEdge = false;
  friend bool operator==(const Annotation&, const Annotation&) = default;
};

struct Primitive {
  enum class Kind : std::uint8_t {
    Face,     // filled polygon `points`, colour `fill` (already lit), optional edge `stroke`
              // along the edges flagged in `edges` (all of them when `edges` is empty)
    Line,     // polyline `points`, colour `stroke`, `lineWidth`
    Marker,   // one marker per point of `points`: annotation().marker
    Text,     // annotation().text (lines separated by '\n') in colour `stroke`, drawn in `box`
              // with the alignment already applied; optional background and edge
    Rect,     // a filled and/or stroked rectangle `box` (axes background, figure areas)
  };
  Kind kind = Kind::Line;
  bool filled = false;
  bool stroked = false;
  bool clipped = false;  // clip to `clip` (the axes' plot area)
  std::uint32_t part = 0;  // Face: which face of its patch (column of the data) it was cut from
  Handle source = 0;  // the object this came from; an axes for its box, grid, ticks and labels

  std::vector<Point> points;
  std::vector<bool> edges;  // Face: edge i runs from point i to point i+1 (the last one closes)
  Rgb fill;
  Rgb stroke;
  double lineWidth = 0.5;  // points
  std::string lineStyle = "-";
  Rect box;  // Text: the box around the text including its margin; Rect: the rectangle
  Rect clip;

  // A text's or a marker's own: made on first use; a primitive without one reads the defaults.
  Annotation& annotation() {
    if (!annotation_.value) annotation_.value = std::make_unique<Annotation>();
    return *annotation_.value;
  }
  const Annotation& annotation() const {
    static const Annotation kNone;
    return annotation_.value ? *annotation_.value : kNone;
  }

  // Whether the two paint alike, whatever object each came from.
  bool looksLike(const Primitive& o) const {
    return kind == o.kind && filled == o.filled && stroked == o.stroked && clipped == o.clipped &&
           points == o.points && edges == o.edges && fill == o.fill && stroke == o.stroke && lineWidth == o.lineWidth &&
           lineStyle == o.lineStyle && box == o.box && (!clipped || clip == o.clip) && annotation() == o.annotation();
  }

 private:
  // Copied with the primitive, moved with it for free.
  struct Held {
    std::unique_ptr<Annotation> value;
    Held() = default;
    Held(const Held& o) : value(o.value ? std::make_unique<Annotation>(*o.value) : nullptr) {}
    Held(Held&&) noexcept = default;
    Held& operator=(const Held& o) {
      if (this != &o) value = o.value ? std::make_unique<Annotation>(*o.value) : nullptr;
      return *this;
    }
    Held& operator=(Held&&) noexcept = default;
  };
  Held annotation_;
};

// The smallest rectangle holding `points` (at least one).
inline Rect boundsOf(const std::vector<Point>& points) {
  double x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
  for (const Point& q : points) {
    x0 = std::min(x0, q.x);
    x1 = std::max(x1, q.x);
    y0 = std::min(y0, q.y);
    y1 = std::max(y1, q.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

// Twice the area a polygon's outline `points` encloses (its sign tells which way it turns).
inline double twiceArea(const std::vector<Point>& points) {
  double sum = 0;
  for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
    sum += (points[j].x - points[i].x) * (points[j].y + points[i].y);
  return sum;
}

// Where painting `item` can leave a mark: its points or box, widened by its outline, its markers
// and a pixel or two of antialiasing, within its clip. What repaints must cover.
inline Rect reachOf(const Primitive& item) {
  Rect r;
  if (item.kind == Primitive::Kind::Text || item.kind == Primitive::Kind::Rect) {
    r = item.box;
  } else if (!item.points.empty()) {
    r = boundsOf(item.points);
  }
  const double widen = 2 + item.lineWidth * kPixelsPerPoint +
                       (item.kind == Primitive::Kind::Marker ? item.annotation().markerSize * kPixelsPerPoint : 0);
  r = {r.x - widen, r.y - widen, r.width + 2 * widen, r.height + 2 * widen};
  if (!item.clipped) return r;
  const double left = std::max(r.x, item.clip.x), top = std::max(r.y, item.clip.y);
  const double right = std::min(r.x + r.width, item.clip.x + item.clip.width);
  const double bottom = std::min(r.y + r.height, item.clip.y + item.clip.height);
  return {left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)};
}

// The items one axes drew: items [first, first + count) of a list, reaching no further than
// `reach`, each made by the axes or an object under it. A hit test skips an axes the point lies
// far from, or none of whose objects it looks for, with its thousands of faces.
struct AxesSpan {
  Handle axes = 0;
  std::size_t first = 0;
  std::size_t count = 0;
  Rect reach;
  // Where its items lie, for hit tests (see hit_grid.hpp): shared by the lists that hold the run
  // with its items where they are, made when first asked.
  std::shared_ptr<HitGrid> hits;
};

// The items of a list in paint order, held in runs: a figure's list keeps one run per axes, so
// that an axes in which nothing changed passes from one list to the next whole, however many
// thousands of faces it holds, instead of item by item. It reads as one sequence.
class PrimitiveRuns {
  template <bool Const>
  class Iter {
    using Runs = std::conditional_t<Const, const std::vector<std::vector<Primitive>>, std::vector<std::vector<Primitive>>>;

   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Primitive;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<Const, const Primitive*, Primitive*>;
    using reference = std::conditional_t<Const, const Primitive&, Primitive&>;
    Iter() = default;
    Iter(Runs* runs, std::size_t run) : runs_(runs), run_(run) { skipEmpty(); }
    reference operator*() const { return (*runs_)[run_][at_]; }
    pointer operator->() const { return &**this; }
    Iter& operator++() {
      ++at_;
      skipEmpty();
      return *this;
    }
    Iter operator++(int) {
      Iter before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const Iter& a, const Iter& b) { return a.run_ == b.run_ && a.at_ == b.at_; }

   private:
    void skipEmpty() {
      while (run_ < runs_->size() && at_ == (*runs_)[run_].size()) {
        ++run_;
        at_ = 0;
      }
    }
    Runs* runs_ = nullptr;
    std::size_t run_ = 0;
    std::size_t at_ = 0;
  };

 public:
  using value_type = Primitive;
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  PrimitiveRuns() = default;
  PrimitiveRuns(std::initializer_list<Primitive> items) {
    if (items.size() > 0) addRun(std::vector<Primitive>(items));
  }

  std::size_t size() const {
    std::size_t n = 0;
    for (const auto& run : runs_) n += run.size();
    return n;
  }
  bool empty() const { return size() == 0; }
  Primitive& operator[](std::size_t i) { return const_cast<Primitive&>(std::as_const(*this)[i]); }
  const Primitive& operator[](std::size_t i) const {
    for (const auto& run : runs_) {
      if (i < run.size()) return run[i];
      i -= run.size();
    }
    return runs_.back()[i];  // past the end, as a vector's would be: the caller's mistake
  }
  const Primitive& at(std::size_t i) const {
    if (i >= size()) throw std::out_of_range("PrimitiveRuns::at");
    return (*this)[i];
  }
  Primitive& back() { return (*this)[size() - 1]; }
  iterator begin() { return {&runs_, 0}; }
  iterator end() { return {&runs_, runs_.size()}; }
  const_iterator begin() const { return {&runs_, 0}; }
  const_iterator end() const { return {&runs_, runs_.size()}; }
  void push_back(Primitive p) {
    if (runs_.empty()) runs_.emplace_back();
    runs_.back().push_back(std::move(p));
  }
  void clear() { runs_.clear(); }

  // The runs: items [first, first + count) of a span of a figure's list are one whole run.
  std::size_t runCount() const { return runs_.size(); }
  const std::vector<Primitive>& run(std::size_t k) const { return runs_[k]; }
  std::vector<Primitive>& run(std::size_t k) { return runs_[k]; }
  void addRun(std::vector<Primitive> items) { runs_.push_back(std::move(items)); }
  // Run `k`'s items, leaving the run empty.
  std::vector<Primitive> takeRun(std::size_t k) {
    std::vector<Primitive> items = std::move(runs_[k]);
    runs_[k].clear();
    return items;
  }
  // Items [first, first + count), which lie in one run: the items of a span.
  std::span<const Primitive> slice(std::size_t first, std::size_t count) const {
    for (const auto& run : runs_) {
      if (first < run.size() || (count == 0 && first == run.size())) {
        if (first + count > run.size()) throw std::out_of_range("PrimitiveRuns::slice: the items lie in two runs");
        return std::span<const Primitive>(run).subspan(first, count);
      }
      first -= run.size();
    }
    if (first == 0 && count == 0) return {};
    throw std::out_of_range("PrimitiveRuns::slice: past the end");
  }

 private:
  std::vector<std::vector<Primitive>> runs_;
};

struct DisplayList {
  double width = 0;
  double height = 0;
  Rgb background{0.94, 0.94, 0.94};
  PrimitiveRuns items;
  std::vector<AxesSpan> spans;  // of a figure's list: every item in the span of its axes
};

// Whether the spans of `list` hold each of its items (a figure's list), so that what lies far
// from a point or a region can be passed over span by span.
inline bool spansCoverItems(const DisplayList& list) {
  std::size_t spanned = 0;
  for (const AxesSpan& s : list.spans) {
    if (s.first != spanned) return false;
    spanned += s.count;
  }
  return !list.spans.empty() && spanned == list.items.size();
}

}  // namespace kolvar::graphics
