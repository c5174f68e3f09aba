// Runs programs as a user would from a shell, for the tests of zolk-cli. POSIX only.
#ifndef ZOLK_CLI_CLI_TEST_RUNNER_H
#define ZOLK_CLI_CLI_TEST_RUNNER_H

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace cli_testing {

struct result {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;  // standard output, and standard error too when asked
};

// Runs `program arguments` (arguments already quoted for the shell).
inline result run(const std::string& program, const std::string& arguments,
                  bool with_stderr = false) {
  result r;
  const std::string command = program + " " + arguments + (with_stderr ? " 2>&1" : " 2>/dev/null");
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// The zolk-cli this build made.
inline result zolk_cli(const std::string& arguments, bool with_stderr = false) {
  return run(ZOLK_CLI_PATH, arguments, with_stderr);
}

inline std::string quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace cli_testing

#endif
