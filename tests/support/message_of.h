// The message of the exception of type E that Action raises, or "(no error)".
#pragma once

#include <string>

template <class E, class F>
std::string MessageOf(F&& Action) {
  try {
    Action();
  } catch (const E& Error) {
    return Error.Message();
  }
  return "(no error)";
}
