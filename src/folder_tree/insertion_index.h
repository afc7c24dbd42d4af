// The numbering of tree nodes: 1-based positions in insertion order over the whole tree, which
// shift down when nodes go. Both tree views (in memory and over comctl32) keep one, so a
// node's Index, the node at an index and a removal each cost O(log n) (a Fenwick tree over
// insertion slots; slots are never reused until the tree is cleared).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace bellnest {

class InsertionIndex {
 public:
  // A new live slot after all others; returns its slot number.
  size_t Append() {
    const size_t slot = slots_++;
    if (fenwick_.size() < slots_) {
      // Grow by doubling and rebuild, so appending stays O(log n) amortised.
      std::vector<int32_t> counts(fenwick_.size(), 0);
      for (size_t i = 0; i < fenwick_.size(); ++i) counts[i] = PrefixOf(i) - (i ? PrefixOf(i - 1) : 0);
      fenwick_.assign(std::max<size_t>(16, slots_ * 2), 0);
      for (size_t i = 0; i < counts.size(); ++i) {
        if (counts[i]) Add(i, counts[i]);
      }
    }
    Add(slot, 1);
    ++alive_;
    return slot;
  }
  // Takes a live slot out of the numbering.
  void Remove(size_t slot) {
    Add(slot, -1);
    --alive_;
  }
  void Clear() {
    fenwick_.clear();
    slots_ = 0;
    alive_ = 0;
  }
  int32_t Count() const { return alive_; }
  // The 1-based index of a live slot.
  int32_t IndexOf(size_t slot) const { return PrefixOf(slot); }
  // The slot holding the index-th live node, if there is one.
  std::optional<size_t> SlotAt(int32_t index) const {
    if (index < 1 || index > alive_) return std::nullopt;
    size_t pos = 0;
    int32_t remaining = index;
    size_t step = 1;
    while (step * 2 <= fenwick_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (pos + step <= fenwick_.size() && fenwick_[pos + step - 1] < remaining) {
        pos += step;
        remaining -= fenwick_[pos - 1];
      }
    }
    return pos;
  }

 private:
  void Add(size_t slot, int32_t delta) {
    for (size_t i = slot + 1; i <= fenwick_.size(); i += i & (~i + 1)) fenwick_[i - 1] += delta;
  }
  int32_t PrefixOf(size_t slot) const {
    int32_t sum = 0;
    for (size_t i = slot + 1; i > 0; i -= i & (~i + 1)) sum += fenwick_[i - 1];
    return sum;
  }

  std::vector<int32_t> fenwick_;
  size_t slots_ = 0;
  int32_t alive_ = 0;
};

}  // namespace bellnest
