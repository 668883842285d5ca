#pragma once
// VARIANT: the value a property bag stores under a name. Only the kinds the framework's bags
// hold are supported: nothing, a 32-bit integer, or a UTF-8 string. It owns its string and is a
// plain copyable value, so nothing has to be freed by hand.

#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "com/Types.h"

using VARTYPE = WORD;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

class VARIANT {
 public:
  VARIANT() = default;
  explicit VARIANT(LONG value) : value_(value) {}
  explicit VARIANT(std::string text) : value_(std::move(text)) {}
  explicit VARIANT(const char* text) : value_(std::string(text == nullptr ? "" : text)) {}

  VARTYPE vt() const {
    if (std::holds_alternative<LONG>(value_)) return VT_I4;
    if (std::holds_alternative<std::string>(value_)) return VT_BSTR;
    return VT_EMPTY;
  }
  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }

  // The string, or null when the value is not one.
  const std::string* String() const { return std::get_if<std::string>(&value_); }
  std::optional<LONG> Int() const {
    if (const LONG* value = std::get_if<LONG>(&value_)) return *value;
    return std::nullopt;
  }

  void Clear() { value_ = std::monostate{}; }

  friend bool operator==(const VARIANT&, const VARIANT&) = default;

 private:
  std::variant<std::monostate, LONG, std::string> value_;
};
