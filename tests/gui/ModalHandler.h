#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace brenmark::gui::test {

// Hands the next modal dialog of type Dialog to `handle` once it is shown, as a
// user at the screen would meet it. `handled` tells whether that happened.
template <typename Dialog>
class ModalHandler {
 public:
  explicit ModalHandler(std::function<void(Dialog&)> handle) : handle_(std::move(handle)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
        timer_.stop();
        handled_ = true;
        handle_(*dialog);
      }
    });
    timer_.start();
  }

  bool handled() const { return handled_; }

 private:
  std::function<void(Dialog&)> handle_;
  QTimer timer_;
  bool handled_ = false;
};

}  // namespace brenmark::gui::test
