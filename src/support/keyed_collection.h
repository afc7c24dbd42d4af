// The one keyed collection: 1-based positions in insertion order, optional unique string keys,
// lookup by key and by position in constant time. Failures come back as results with the
// run-time's numbers (5 for a missing key, 9 for a bad position, 457 for a duplicate key) and
// leave the collection unchanged. "The same collection under two names" is two handles to one
// object (KeyedCollection<T>::Ref).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/error_info.h"

namespace bellnest {

template <class T>
class KeyedCollection {
 public:
  using Ref = std::shared_ptr<KeyedCollection<T>>;
  static Ref Create() { return std::make_shared<KeyedCollection<T>>(); }

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

  // Appends the item; with a key, the key must not be present yet.
  Status Add(T item, std::optional<std::string> key = std::nullopt) {
    if (key) {
      if (byKey_.count(*key) != 0) return RuntimeError(err::kDuplicateKey);
      byKey_.emplace(*key, entries_.size());
    }
    entries_.push_back(Entry{std::move(item), std::move(key)});
    return {};
  }

  Result<T> Item(int32_t position) const {
    if (position < 1 || position > Count()) return RuntimeError(err::kSubscriptOutOfRange);
    return entries_[static_cast<size_t>(position - 1)].item;
  }
  Result<T> Item(const std::string& key) const {
    auto it = byKey_.find(key);
    if (it == byKey_.end()) return RuntimeError(err::kInvalidProcedureCall);
    return entries_[it->second].item;
  }
  bool Contains(const std::string& key) const { return byKey_.count(key) != 0; }

  Status Remove(int32_t position) {
    if (position < 1 || position > Count()) return RuntimeError(err::kSubscriptOutOfRange);
    Erase(static_cast<size_t>(position - 1));
    return {};
  }
  Status Remove(const std::string& key) {
    auto it = byKey_.find(key);
    if (it == byKey_.end()) return RuntimeError(err::kInvalidProcedureCall);
    Erase(it->second);
    return {};
  }

  // The key at a position, or nothing for an unkeyed item.
  std::optional<std::string> KeyAt(int32_t position) const {
    if (position < 1 || position > Count()) return std::nullopt;
    return entries_[static_cast<size_t>(position - 1)].key;
  }

 private:
  struct Entry {
    T item;
    std::optional<std::string> key;
  };

  // Removing the last item (the common case: collections are emptied from the end) costs
  // nothing more; removing an inner one renumbers the positions behind it.
  void Erase(size_t index) {
    if (entries_[index].key) byKey_.erase(*entries_[index].key);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    for (size_t i = index; i < entries_.size(); ++i) {
      if (entries_[i].key) byKey_[*entries_[i].key] = i;
    }
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> byKey_;
};

}  // namespace bellnest
