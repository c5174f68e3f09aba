#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>

#include "platform/interrupt.h"

namespace host {
namespace {

// The system calls the handler on a thread of its own, at any moment of the work.
std::atomic<interrupt_action> g_action{nullptr};
std::atomic<void*> g_context{nullptr};
std::atomic<int> g_interrupts{0};
std::atomic<const char*> g_message{nullptr};
std::atomic<size_t> g_message_size{0};
static_assert(std::atomic<interrupt_action>::is_always_lock_free, "lock-free");
static_assert(std::atomic<int>::is_always_lock_free, "lock-free");

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  if (g_interrupts.fetch_add(1) == 0) {
    const interrupt_action action = g_action.load();
    if (action != nullptr) action(g_context.load());
    // Returning from a close event ends the process at once; waiting here lets the work stop
    // where it may (the program's own end then ends this thread) until the system's limit.
    if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
    return TRUE;
  }
  // The user insists: the work's own files are safe at any moment. TerminateProcess, not
  // ExitProcess: the main thread may hold the runtime's locks, which ExitProcess would wait on.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), g_message.load(),
            static_cast<DWORD>(g_message_size.load()), &written, nullptr);
  TerminateProcess(GetCurrentProcess(), 1);
  return TRUE;
}

}  // namespace

struct interrupt_handler::saved {
  std::string message;
  bool installed = false;
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
  saved_->installed = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
}

interrupt_handler::~interrupt_handler() {
  if (saved_->installed) SetConsoleCtrlHandler(on_console_event, FALSE);
  g_action.store(nullptr);
  g_context.store(nullptr);
  g_message_size.store(0);
}

}  // namespace host
