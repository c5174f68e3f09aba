// Ctrl-C and its kin, for a command-line program that wants to stop its work cleanly.
#ifndef ZOLK_PLATFORM_INTERRUPT_H
#define ZOLK_PLATFORM_INTERRUPT_H

#include <memory>
#include <string>

namespace host {

// Called when the user interrupts the program. It runs in a signal handler (POSIX) or on a
// thread of the system's (Windows), so it may only do what is safe there: store into a
// lock-free atomic.
using interrupt_action = void (*)(void* context);

// While it lives, an interrupt no longer ends the program: POSIX SIGINT and SIGTERM, Windows
// CTRL_C_EVENT, CTRL_BREAK_EVENT and CTRL_CLOSE_EVENT call `action(context)` once. A further
// interrupt ends the program at once: `second_message` is written to standard error and the
// exit status is 1. On Windows a closed console window waits for the program to end (the
// system allows it a few seconds). A signal the program was started with ignored (a
// background job of a non-interactive shell) stays ignored. The previous handling comes back
// when it is destroyed. One at a time.
class interrupt_handler {
 public:
  interrupt_handler(interrupt_action action, void* context, const std::string& second_message);
  ~interrupt_handler();
  interrupt_handler(const interrupt_handler&) = delete;
  interrupt_handler& operator=(const interrupt_handler&) = delete;

 private:
  struct saved;
  std::unique_ptr<saved> saved_;
};

}  // namespace host

#endif
