#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "platform/interrupt.h"

namespace host {
namespace {

// A signal handler may only touch lock-free atomics; these hold what it needs.
std::atomic<interrupt_action> g_action{nullptr};
std::atomic<void*> g_context{nullptr};
std::atomic<int> g_interrupts{0};
std::atomic<const char*> g_message{nullptr};
std::atomic<size_t> g_message_size{0};
static_assert(std::atomic<interrupt_action>::is_always_lock_free, "signal-safe");
static_assert(std::atomic<void*>::is_always_lock_free, "signal-safe");
static_assert(std::atomic<int>::is_always_lock_free, "signal-safe");
static_assert(std::atomic<size_t>::is_always_lock_free, "signal-safe");

extern "C" void on_interrupt(int) {
  const int saved_errno = errno;
  if (g_interrupts.fetch_add(1) == 0) {
    const interrupt_action action = g_action.load();
    if (action != nullptr) action(g_context.load());
    errno = saved_errno;
    return;
  }
  // The user insists: the work's own files are safe at any moment, so end now without
  // unwinding anything (nothing else is allowed in a signal handler).
  const ssize_t written = write(STDERR_FILENO, g_message.load(), g_message_size.load());
  static_cast<void>(written);
  _exit(1);
}

// Installs the handler for one signal unless the program was started with it ignored.
bool install(int signal_number, struct sigaction& previous) {
  if (sigaction(signal_number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
    return false;
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  // The work goes on after the first interrupt until it reaches a point where it may stop:
  // its reads and writes must not fail for having been interrupted.
  action.sa_flags = SA_RESTART;
  return sigaction(signal_number, &action, nullptr) == 0;
}

}  // namespace

struct interrupt_handler::saved {
  std::string message;
  struct sigaction previous_int {};
  struct sigaction previous_term {};
  bool int_installed = false;
  bool term_installed = false;
};

interrupt_handler::interrupt_handler(interrupt_action action, void* context,
                                     const std::string& second_message)
    : saved_(new saved) {
  saved_->message = second_message;
  g_message.store(saved_->message.data());
  g_message_size.store(saved_->message.size());
  g_context.store(context);
  g_action.store(action);
  g_interrupts.store(0);
  saved_->int_installed = install(SIGINT, saved_->previous_int);
  saved_->term_installed = install(SIGTERM, saved_->previous_term);
}

interrupt_handler::~interrupt_handler() {
  if (saved_->int_installed) sigaction(SIGINT, &saved_->previous_int, nullptr);
  if (saved_->term_installed) sigaction(SIGTERM, &saved_->previous_term, nullptr);
  g_action.store(nullptr);
  g_context.store(nullptr);
  g_message_size.store(0);
}

}  // namespace host
