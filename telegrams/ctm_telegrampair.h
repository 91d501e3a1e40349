#pragma once
// CTM_telegramPair: one interface pair as the telegram factory sees it: its
// source and destination codes and its telegram types, each with its two-digit
// type id and how to make an empty object of it. A pair class keeps one constant
// row, its `m_create` is `row.m_create(raw)`, and the factory lists the rows in
// the order it asks them (an explicit table, so that no pair is dropped by the
// linker and the order is visible in one place).

#include <memory>
#include <span>
#include <string_view>

class CTM_message;

struct CTM_telegramType {
  const char* typeId;  // "01"
  std::unique_ptr<CTM_message> (*create)();

  template <class T>
  static std::unique_ptr<CTM_message> m_make() {
    return std::make_unique<T>();
  }
};

struct CTM_telegramPair {
  const char* source;       // "TC", "M"
  const char* destination;  // "TM", "O"
  std::span<const CTM_telegramType> types;

  // A new, empty telegram of the type the text begins with, or none when the text
  // names another pair or a type id this pair does not have. Reads only within `raw`.
  std::unique_ptr<CTM_message> m_create(std::string_view raw) const;
};
