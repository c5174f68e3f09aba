#include "platform/testing/process.h"

#include <fcntl.h>
#include <linux/loop.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace testing_support {
namespace {

bool file_system_known(const std::string& name) {
  std::ifstream list("/proc/filesystems");
  std::string line;
  while (std::getline(list, line)) {
    if (line.size() >= name.size() &&
        line.compare(line.size() - name.size(), name.size(), name) == 0) {
      return true;
    }
  }
  return false;
}

const char* first_tool(std::initializer_list<const char*> paths) {
  for (const char* p : paths) {
    if (access(p, X_OK) == 0) return p;
  }
  return nullptr;
}

bool run(const std::vector<std::string>& argv) { return wait_process(start_process(argv)) == 0; }

}  // namespace

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

fat_volume::fat_volume(kind k, const std::string& image, const std::string& folder)
    : folder_(folder) {
  if (geteuid() != 0) {
    why_not_ = "mounting a volume needs root";
    return;
  }
  const bool exfat = k == kind::exfat;
  const char* mkfs = exfat ? first_tool({"/usr/sbin/mkfs.exfat", "/sbin/mkfs.exfat"})
                           : first_tool({"/usr/sbin/mkfs.vfat", "/sbin/mkfs.vfat"});
  if (mkfs == nullptr) {
    why_not_ = exfat ? "mkfs.exfat is missing (exfatprogs)" : "mkfs.vfat is missing (dosfstools)";
    return;
  }
  { std::ofstream make(image, std::ios::binary); }
  if (truncate(image.c_str(), 64 << 20) != 0 ||
      !run(exfat ? std::vector<std::string>{mkfs, image}
                 : std::vector<std::string>{mkfs, "-F", "32", image})) {
    why_not_ = std::string("could not make the file system with ") + mkfs;
    return;
  }
  const std::string kernel_type = exfat ? "exfat" : "vfat";
  if (file_system_known(kernel_type) && attach_loop(image)) {
    mounted_ = mount(loop_.c_str(), folder.c_str(), kernel_type.c_str(), 0, nullptr) == 0;
    if (mounted_) return;
  }
  const char* fuse = exfat ? first_tool({"/usr/sbin/mount.exfat-fuse", "/sbin/mount.exfat-fuse"})
                           : first_tool({"/usr/bin/fusefat"});
  if (fuse == nullptr || access("/dev/fuse", R_OK | W_OK) != 0) {
    why_not_ = "no " + kernel_type + " driver in the kernel, and no FUSE driver (" +
               (exfat ? "exfat-fuse" : "fusefat") + ")";
    return;
  }
  // exfat-fuse wants a block device; fusefat reads the image itself.
  if (exfat && loop_.empty() && !attach_loop(image)) {
    why_not_ = "no loop device could be attached";
    return;
  }
  mounted_ = exfat ? run({fuse, loop_, folder}) : run({fuse, "-o", "rw+", image, folder});
  fusefat_ = mounted_ && !exfat;
  if (!mounted_) why_not_ = std::string("could not mount with ") + fuse;
}

bool fat_volume::attach_loop(const std::string& image) {
  const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
  if (control < 0) return false;
  // Another process may take the free device between the two calls (EBUSY): ask again.
  for (int attempt = 0; attempt < 16 && loop_.empty(); ++attempt) {
    const int number = ioctl(control, LOOP_CTL_GET_FREE);
    if (number < 0) break;
    const std::string device = "/dev/loop" + std::to_string(number);
    const int loop = open(device.c_str(), O_RDWR | O_CLOEXEC);
    const int backing = open(image.c_str(), O_RDWR | O_CLOEXEC);
    const bool attached = loop >= 0 && backing >= 0 && ioctl(loop, LOOP_SET_FD, backing) == 0;
    const bool busy = !attached && errno == EBUSY;
    if (backing >= 0) close(backing);
    if (loop >= 0) close(loop);
    if (attached) loop_ = device;
    if (!attached && !busy) break;
  }
  close(control);
  return !loop_.empty();
}

fat_volume::~fat_volume() {
  if (mounted_ && umount2(folder_.c_str(), 0) != 0) umount2(folder_.c_str(), MNT_DETACH);
  if (!loop_.empty()) {
    const int loop = open(loop_.c_str(), O_RDWR | O_CLOEXEC);
    if (loop >= 0) {
      ioctl(loop, LOOP_CLR_FD, 0);
      close(loop);
    }
  }
}

}  // namespace testing_support
