// Which point a request names: the newest of the store, or the point of a number. A request
// always names one: there is no number that stands for "nothing chosen" or "the newest".
#ifndef ZOLK_ENGINE_POINT_CHOICE_H
#define ZOLK_ENGINE_POINT_CHOICE_H

namespace engine {

class point_choice {
 public:
  static point_choice newest() { return point_choice(true, 0); }
  // The point numbered `number` (Zolk0002: 2). No point has a number below 1.
  point_choice(int number) : point_choice(false, number) {}  // NOLINT: a number is a choice

  bool is_newest() const { return newest_; }
  int number() const { return number_; }  // when not is_newest()

 private:
  point_choice(bool newest, int number) : newest_(newest), number_(number) {}

  bool newest_;
  int number_;
};

}  // namespace engine

#endif
