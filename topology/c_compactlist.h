#pragma once
// c_compactList: an append-only list of small trivially copyable values that keeps
// a lone value in place and goes to the heap only for a second one. Most nodes of a
// plant have one successor and one predecessor; a plant of a million tracking
// points is read without two million small allocations, and the list takes the
// room of its one value and two counts.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

template <typename T>
class c_compactList {
  static_assert(std::is_trivially_copyable_v<T> && std::is_default_constructible_v<T>);

 public:
  c_compactList() : single_() {}
  ~c_compactList() {
    if (capacity_ > 0) delete[] heap_;
  }
  c_compactList(const c_compactList&) = delete;
  c_compactList& operator=(const c_compactList&) = delete;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T* begin() const { return capacity_ > 0 ? heap_ : &single_; }
  const T* end() const { return begin() + size_; }
  const T& operator[](std::size_t i) const { return begin()[i]; }

  void push_back(const T& value) {
    if (size_ == 0 && capacity_ == 0) {
      single_ = value;
      size_ = 1;
      return;
    }
    if (size_ == capacity_ || capacity_ == 0) {
      // A node's neighbours are far fewer than the counts can hold.
      std::uint32_t capacity = capacity_ > 0 ? capacity_ * 2 : 4;
      auto grown = std::make_unique<T[]>(capacity);
      std::memcpy(static_cast<void*>(grown.get()), begin(), size_ * sizeof(T));
      std::unique_ptr<T[]> old(capacity_ > 0 ? heap_ : nullptr);
      heap_ = grown.release();
      capacity_ = capacity;
    }
    heap_[size_++] = value;
  }

 private:
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;  // of heap_; 0 while the values (none or one) are in single_
  union {
    T single_;
    T* heap_;
  };
};
