#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

namespace brenmark {

// Runs slow work (a folder scan, a drive report) on a thread of its own so
// that the window stays responsive, and hands the result back on the
// user-interface thread. The front end says how to reach that thread: `post`
// queues a call for it (from any thread), `serveEvents` serves its pending
// events, waiting for one when there are none. Create and use it on the
// user-interface thread. Its threads are joined when they have ended and, at
// the latest, when it is destroyed (after asking them to stop); results not
// handed over by then are dropped.
class BackgroundWork {
 public:
  using Post = std::function<void(std::function<void()>)>;

  BackgroundWork(Post post, std::function<void()> serveEvents);
  ~BackgroundWork();
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

  // Runs `work()` on a new thread, then `deliver(result)` (or `deliver()` for
  // work without a result) on the user-interface thread. Work that takes a
  // std::stop_token is handed one, which RequestStop and destruction signal.
  template <typename Work, typename Deliver>
  void Run(Work work, Deliver deliver) {
    JoinEnded();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::stop_source stop;
    auto body = [this, ended, token = stop.get_token(), work = std::move(work),
                 deliver = std::move(deliver)]() mutable {
      auto call = [&] {
        if constexpr (std::is_invocable_v<Work&, std::stop_token>) {
          return work(token);
        } else {
          return work();
        }
      };
      std::function<void()> hand;
      if constexpr (std::is_void_v<decltype(call())>) {
        call();
        hand = std::move(deliver);
      } else {
        auto result = std::make_shared<decltype(call())>(call());
        hand = [deliver = std::move(deliver), result]() mutable { deliver(std::move(*result)); };
      }
      Hand(std::move(hand), *ended);
    };
    threads_.push_back({std::thread(std::move(body)), std::move(ended), std::move(stop)});
  }

  bool Busy() const;

  // Asks every work still running that takes a stop token to stop; its result
  // is still delivered.
  void RequestStop();

  // Serves the user-interface thread's events until every thread has ended, so
  // that work waiting on the user (a report's box) can finish, then hands over
  // every result still waiting.
  void WaitForAll();

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended;
    std::stop_source stop;
  };
  // The results waiting for the user-interface thread. A call posted there
  // reaches them only while this object lives.
  struct Handover {
    std::mutex mutex;
    std::list<std::function<void()>> ready;
    bool closing = false;  // results that arrive while it is destroyed are dropped
    void DeliverReady();
  };

  // On a work thread: queues its result, marks the thread ended and asks the
  // user-interface thread to take the result.
  void Hand(std::function<void()> hand, std::atomic<bool>& ended);
  void JoinEnded();

  Post post_;
  std::function<void()> serveEvents_;
  std::shared_ptr<Handover> handover_ = std::make_shared<Handover>();
  std::list<Worker> threads_;
};

}  // namespace brenmark
