#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace remote {

using Json = nlohmann::json;

// Reading protocol messages never throws: a missing member or one of another
// type gives the fallback, as a browser of another version might send.
inline const Json* JsonMember(const Json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

inline std::string JsonString(const Json& object, const char* key, const std::string& fallback = std::string()) {
  const Json* member = JsonMember(object, key);
  return member && member->is_string() ? member->get_ref<const std::string&>() : fallback;
}

inline double JsonNumber(const Json& object, const char* key, double fallback = 0) {
  const Json* member = JsonMember(object, key);
  return member && member->is_number() ? member->get<double>() : fallback;
}

inline int64_t JsonInt(const Json& object, const char* key, int64_t fallback = 0) {
  const Json* member = JsonMember(object, key);
  if (!member || !member->is_number()) return fallback;
  double value = member->get<double>();
  // Out-of-range numbers are no identifiers of ours.
  if (!(value >= -9.0e15 && value <= 9.0e15)) return fallback;
  return static_cast<int64_t>(value);
}

inline bool JsonBool(const Json& object, const char* key, bool fallback = false) {
  const Json* member = JsonMember(object, key);
  return member && member->is_boolean() ? member->get<bool>() : fallback;
}

inline const Json& JsonObject(const Json& object, const char* key) {
  static const Json kEmpty = Json::object();
  const Json* member = JsonMember(object, key);
  return member && member->is_object() ? *member : kEmpty;
}

// A discarded value when the text is no JSON.
inline Json ParseJson(const std::string& text) { return Json::parse(text, nullptr, false); }

// Text of a value; invalid UTF-8 in strings is replaced rather than thrown at.
inline std::string DumpJson(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace remote
