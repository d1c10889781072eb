#pragma once
// The message of an expected exception, for checks that compare it whole.

#include <functional>
#include <string>

// The message of the exception of type E that f raises, or "no error".
template <class E>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "no error";
}
