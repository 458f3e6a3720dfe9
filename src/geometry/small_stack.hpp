#pragma once
// The work stack of the iterative tree walks: the first N entries live inside the object (on the
// caller's stack frame), deeper trees spill into the heap. Trees of the usual depth thus cost no
// allocation per walk, and trees of any depth cannot overflow the call stack.
#include <cstddef>
#include <vector>

namespace kolvar::geometry {

template <class T, std::size_t N = 96>
class SmallStack {
 public:
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  void push(const T& v) {
    if (size_ < N) {
      inline_[size_] = v;
    } else {
      more_.push_back(v);
    }
    ++size_;
  }
  const T& back() const { return size_ <= N ? inline_[size_ - 1] : more_.back(); }
  const T& operator[](std::size_t i) const { return i < N ? inline_[i] : more_[i - N]; }
  void clear() {
    size_ = 0;
    more_.clear();
  }
  T pop() {
    --size_;
    if (size_ < N) return inline_[size_];
    T v = more_.back();
    more_.pop_back();
    return v;
  }

 private:
  T inline_[N];
  std::vector<T> more_;
  std::size_t size_ = 0;
};

}  // namespace kolvar::geometry
