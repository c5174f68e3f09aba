#include "platform/interrupt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <signal.h>
#endif

namespace {

void count(void* context) { static_cast<std::atomic<int>*>(context)->fetch_add(1); }

const char* const k_second = "ended at once\n";

#ifndef _WIN32
TEST(InterruptHandler, AFirstSigintOrSigtermCallsTheActionAndTheProgramGoesOn) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    std::atomic<int> calls{0};
    {
      host::interrupt_handler handler(count, &calls, k_second);
      raise(signal_number);
      EXPECT_EQ(calls.load(), 1) << signal_number;
    }
    // Gone with the handler: the program's own handling is back.
    struct sigaction now {};
    sigaction(signal_number, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
  }
}

TEST(InterruptHandler, ASecondInterruptEndsTheProgramAtOnceWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::atomic<int> calls{0};
  EXPECT_EXIT(
      {
        host::interrupt_handler handler(count, &calls, k_second);
        raise(SIGINT);
        raise(SIGTERM);
        std::this_thread::sleep_for(std::chrono::seconds(5));
      },
      testing::ExitedWithCode(1), "ended at once");
}

TEST(InterruptHandler, ASignalTheProgramWasStartedWithIgnoredStaysIgnored) {
  signal(SIGINT, SIG_IGN);
  std::atomic<int> calls{0};
  {
    host::interrupt_handler handler(count, &calls, k_second);
    raise(SIGINT);
    EXPECT_EQ(calls.load(), 0);
    raise(SIGTERM);
    EXPECT_EQ(calls.load(), 1);
  }
  struct sigaction now {};
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  signal(SIGINT, SIG_DFL);
}
#else
TEST(InterruptHandler, ACtrlBreakCallsTheActionAndTheProgramGoesOn) {
  std::atomic<int> calls{0};
  host::interrupt_handler handler(count, &calls, k_second);
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0)) GTEST_SKIP() << "no console to signal";
  // The system calls the handler on a thread of its own.
  for (int i = 0; i < 500 && calls.load() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(calls.load(), 1);
}
#endif

}  // namespace
