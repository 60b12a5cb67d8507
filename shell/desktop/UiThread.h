#pragma once

#include <functional>

namespace brenmark::desktop {

// How shared desktop code reaches the user-interface thread: `post` queues a
// call for it from any thread and never loses it; `serveEvents` serves that
// thread's pending events, waiting for one when there are none.
struct UiThread {
  std::function<void(std::function<void()>)> post;
  std::function<void()> serveEvents;
};

}  // namespace brenmark::desktop
