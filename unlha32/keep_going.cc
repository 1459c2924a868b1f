#include "unlha32/keep_going.h"

#include <mutex>

namespace unlha32 {
namespace {

std::mutex g_mutex;
KeepGoingFunction g_function = nullptr;
void* g_context = nullptr;

}  // namespace

void SetKeepGoing(KeepGoingFunction function, void* context) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_function = function;
  g_context = context;
}

bool KeepGoing() {
  KeepGoingFunction function;
  void* context;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    function = g_function;
    context = g_context;
  }
  return function == nullptr || function(context);
}

}  // namespace unlha32
