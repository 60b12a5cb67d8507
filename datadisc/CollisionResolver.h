#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "datadisc/Names.h"

namespace brenmark::datadisc {

// Applies the collision rule to many names of one directory. Each name is
// changed by ResolveCollision with counters 1, 2, ... until it is free, which
// is what inserting the entries one by one does. A name equal to one resolved
// before resumes after the counter that one stopped at: every name tried
// before it is still taken, so the outcome is the same, but a directory of k
// equal names costs k steps instead of k * k / 2.
class CollisionResolver {
 public:
  explicit CollisionResolver(NameLength length) : length_(length) {}

  // `name` is taken; changes it until isTaken(name) is false.
  template <typename IsTaken>
  void Resolve(std::string& name, IsTaken isTaken) {
    auto [progress, fresh] = progress_.try_emplace(name, Progress{0, name});
    int counter = progress->second.counter;
    name = progress->second.name;
    do {
      ResolveCollision(name, ++counter, length_);
    } while (isTaken(name));
    progress->second = Progress{counter, name};
  }

 private:
  struct Progress {
    int counter;       // the last counter used for this original name
    std::string name;  // the name that counter gave
  };

  NameLength length_;
  std::unordered_map<std::string, Progress> progress_;
};

}  // namespace brenmark::datadisc
