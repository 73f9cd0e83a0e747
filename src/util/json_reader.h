#pragma once
// A small strict JSON reader for the few documents the native side has to look into.
#include <string>
#include <string_view>
#include <vector>

struct JsonMember;

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;                                       // String
  std::vector<JsonValue> items;                           // Array
  std::vector<JsonMember> members;                        // Object, in document order

  // The first member of that name, or null when there is none or this is not an object.
  const JsonValue* Find(std::string_view key) const;
};

// A named member of an object (a pair of the incomplete JsonValue would not compile everywhere).
struct JsonMember {
  std::string name;
  JsonValue value;
};

// False for anything that is not one complete JSON text (RFC 8259), or nested deeper than 128.
bool ParseJson(std::string_view text, JsonValue& value);
