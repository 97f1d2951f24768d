// The decoder's sequence container: a singly linked list with one built-in cursor.
//
// Misuse (reading or removing where there is no element) throws pdf417::Error with code
// ContainerMisuse and the fixed messages "Data: invalid reference!" and "Invalid deletion!";
// a Reset to a position outside the list writes "Reset: Invalid list position: N" to standard
// error and leaves the cursor where it was, and the caller goes on.
#pragma once

#include <cstdint>
#include <iostream>

#include "pdf417/common/error.h"

namespace pdf417 {

// A run of pixel rows or columns: first and last index (inclusive) and a length.
struct AryRegion {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t length = 0;
};

// One entry of a vote: the votes for key minus one, and the key.
struct OccurCnt {
  std::int32_t count = 0;
  std::int32_t key = 0;
};

template <typename T>
struct Node {
  Node* next = nullptr;
  T data{};
};

template <typename T>
class LinkedList {
 public:
  LinkedList() = default;
  LinkedList(const LinkedList& other) { AppendAll(other); }
  LinkedList& operator=(const LinkedList& other) {
    Assign(other);
    return *this;
  }
  LinkedList(LinkedList&& other) noexcept { Steal(other); }
  LinkedList& operator=(LinkedList&& other) noexcept {
    if (this != &other) {
      Clear();
      Steal(other);
    }
    return *this;
  }
  ~LinkedList() { Clear(); }

  std::int32_t Size() const { return size_; }
  std::int32_t CursorIndex() const { return position_; }
  bool AtEnd() const { return current_ == nullptr; }

  // Puts the cursor on the element at index. Nothing happens on an empty list; an index outside
  // the list is reported on standard error and the cursor stays.
  void Reset(std::int32_t index = 0) {
    if (size_ == 0) return;
    if (index < 0 || index > size_ - 1) {
      std::cerr << "Reset: Invalid list position: " << index << std::endl;
      return;
    }
    prev_ = nullptr;
    current_ = head_;
    for (std::int32_t i = 0; i < index; ++i) {
      prev_ = current_;
      current_ = current_->next;
    }
    position_ = index;
  }

  T& Data() {
    if (size_ == 0 || current_ == nullptr) Misuse("Data: invalid reference!");
    return current_->data;
  }

  void Advance() {
    if (current_ == nullptr) return;
    prev_ = current_;
    current_ = current_->next;
    ++position_;
  }

  void Append(const T& value) {
    Node<T>* cell = new Node<T>{nullptr, value};
    if (tail_ == nullptr) {
      head_ = cell;
    } else {
      tail_->next = cell;
    }
    prev_ = tail_;
    tail_ = cell;
    current_ = cell;
    position_ = size_;
    ++size_;
  }

  void InsertBeforeCursor(const T& value) {
    Node<T>* cell = new Node<T>{nullptr, value};
    const bool atTail = prev_ == tail_;  // past the end, or an empty list
    if (prev_ == nullptr) {
      cell->next = head_;
      head_ = cell;
    } else {
      cell->next = prev_->next;
      prev_->next = cell;
    }
    if (atTail) {
      tail_ = cell;
      position_ = size_;
    }
    current_ = cell;
    ++size_;
  }

  void InsertFront(const T& value) {
    if (size_ != 0) Reset(0);
    InsertBeforeCursor(value);
  }

  void RemoveAtCursor() {
    if (current_ == nullptr) Misuse("Invalid deletion!");
    Node<T>* cell = current_;
    if (prev_ == nullptr) {
      head_ = cell->next;
    } else {
      prev_->next = cell->next;
    }
    // Removing the tail leaves the cursor past the end with its index one lower, as callers of
    // this container have always seen it.
    if (cell == tail_) {
      tail_ = prev_;
      --position_;
    }
    current_ = cell->next;
    delete cell;
    --size_;
    if (size_ == 0) {
      head_ = tail_ = prev_ = current_ = nullptr;
      position_ = -1;
    }
  }

  T RemoveFirst() {
    Reset(0);
    if (size_ == 0) Misuse("Invalid deletion!");
    T value = current_->data;
    RemoveAtCursor();
    return value;
  }

  void Clear() {
    Node<T>* cell = head_;
    while (cell != nullptr) {
      Node<T>* next = cell->next;
      delete cell;
      cell = next;
    }
    head_ = tail_ = prev_ = current_ = nullptr;
    size_ = 0;
    position_ = -1;
  }

  // For region lists: keeps the list in ascending order of length; a new region goes in front
  // of those of equal length.
  void InsertOrdered(const T& region) {
    if (size_ == 0) {
      Append(region);
      return;
    }
    Reset(0);
    while (current_ != nullptr) {
      if (current_->data.length >= region.length) {
        InsertBeforeCursor(region);
        return;
      }
      Advance();
    }
    Append(region);
  }

  void Assign(const LinkedList& other) {
    if (&other == this) return;
    Clear();
    AppendAll(other);
  }

 protected:
  [[noreturn]] static void Misuse(const char* message) {
    throw Error(ErrorCode::ContainerMisuse, message);
  }

 private:
  void AppendAll(const LinkedList& other) {
    for (const Node<T>* cell = other.head_; cell != nullptr; cell = cell->next) Append(cell->data);
  }
  void Steal(LinkedList& other) noexcept {
    head_ = other.head_;
    tail_ = other.tail_;
    prev_ = other.prev_;
    current_ = other.current_;
    size_ = other.size_;
    position_ = other.position_;
    other.head_ = other.tail_ = other.prev_ = other.current_ = nullptr;
    other.size_ = 0;
    other.position_ = -1;
  }

  Node<T>* head_ = nullptr;
  Node<T>* tail_ = nullptr;
  Node<T>* prev_ = nullptr;
  Node<T>* current_ = nullptr;
  std::int32_t size_ = 0;
  std::int32_t position_ = -1;
};

// The vote list: a LinkedList whose cursor element can be overwritten as a whole.
template <typename T>
class MyLinkedList : public LinkedList<T> {
 public:
  void SetAtCursor(std::int32_t count, std::int32_t key) {
    T& entry = this->Data();
    entry.count = count;
    entry.key = key;
  }
};

}  // namespace pdf417
