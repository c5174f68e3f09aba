#include "platform/testing/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

[[noreturn]] void run_child(const std::vector<std::string>& argv, int output) {
  const int null = open("/dev/null", O_WRONLY);
  dup2(output < 0 ? null : output, STDOUT_FILENO);
  dup2(null, STDERR_FILENO);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

}  // namespace

int start_process(const std::vector<std::string>& argv, const std::string& output_path) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  run_child(argv, output_path.empty()
                      ? -1
                      : open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
}

bool halt_when(int pid, const std::function<bool()>& ready, int& status) {
  for (;;) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) == pid) {
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      return false;
    }
    if (ready()) {
      kill(pid, SIGSTOP);
      if (waitpid(pid, &raw, WUNTRACED) != pid) return false;
      if (!WIFSTOPPED(raw)) {
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return false;
      }
      if (ready()) return true;
      kill(pid, SIGCONT);
    }
    usleep(1000);
  }
}

void resume_process(int pid) { kill(pid, SIGCONT); }

void kill_process(int pid) {
  kill(pid, SIGKILL);
  wait_process(pid);  // a halted process is killed as it stands
}

void interrupt_process(int pid) { kill(pid, SIGINT); }

void terminate_process(int pid) { kill(pid, SIGTERM); }

int wait_process(int pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

small_volume::small_volume(const std::string& folder, int size_kib) : folder_(folder) {
  const std::string options = "size=" + std::to_string(size_kib) + "k";
  mounted_ = mount("zolk-test", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

small_volume::~small_volume() {
  if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
}

bool small_volume::resize(int size_kib) {
  const std::string options = "size=" + std::to_string(size_kib) + "k";
  return mounted_ && mount("zolk-test", folder_.c_str(), "tmpfs", MS_REMOUNT, options.c_str()) == 0;
}

}  // namespace testing_support
