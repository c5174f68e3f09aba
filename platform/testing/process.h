// Child processes and small volumes for tests that need a real process or a real full disk.
// POSIX only.
#ifndef ZOLK_PLATFORM_TESTING_PROCESS_H
#define ZOLK_PLATFORM_TESTING_PROCESS_H

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Starts argv[0] with the arguments, standard output and error into /dev/null (standard
// output into the file `output_path` when one is named); the pid or -1.
int start_process(const std::vector<std::string>& argv, const std::string& output_path = "");
// Watches the running process until `ready` holds, then halts it (SIGSTOP) and asks `ready`
// again: true when the process is halted with `ready` true, so a test may cut it at a point
// its traces on disk prove it has reached and not passed (it resumes with resume_process or
// ends with kill_process). False when it exited first; it is then reaped, with its status in
// `status`. Timing decides only how far past `ready` the process got, never the answer.
bool halt_when(int pid, const std::function<bool()>& ready, int& status);
// Lets a halted process go on; a signal sent while it was halted reaches it now.
void resume_process(int pid);
// Kills the process at once (SIGKILL) and reaps it.
void kill_process(int pid);
// Interrupts the process as Ctrl-C does (SIGINT), or as a shutdown does (SIGTERM); the
// caller waits for it.
void interrupt_process(int pid);
void terminate_process(int pid);
// Waits for the process; its exit status, or -1 when it did not exit normally.
int wait_process(int pid);

// A tmpfs of a given size mounted on a folder for the life of the object; mounted() is false
// where the system does not allow it (the test then skips).
class small_volume {
 public:
  small_volume(const std::string& folder, int size_kib);
  ~small_volume();
  small_volume(const small_volume&) = delete;
  small_volume& operator=(const small_volume&) = delete;
  bool mounted() const { return mounted_; }
  // Changes the size in place, keeping what the volume holds.
  bool resize(int size_kib);

 private:
  std::string folder_;
  bool mounted_ = false;
};

// A file system of a USB stick (exFAT, or FAT32) made in an image file `image` and mounted
// on `folder` for the life of the object: through the kernel's driver where the system has
// one, else through FUSE (exfat-fuse, fusefat; scripts/setup installs them, with the mkfs
// tools). mounted() is false, with why_not() saying why, where that cannot be done (not root,
// a tool missing): the test then skips.
class fat_volume {
 public:
  enum class kind { exfat, fat32 };
  fat_volume(kind k, const std::string& image, const std::string& folder);
  ~fat_volume();
  fat_volume(const fat_volume&) = delete;
  fat_volume& operator=(const fat_volume&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& why_not() const { return why_not_; }
  // True when the volume is mounted through fusefat, which loses what a folder holds when it
  // moves the folder into another one (as a second backup run does): tests of later runs
  // skip on it, as no store can be kept there.
  bool loses_moved_folders() const { return fusefat_; }

 private:
  bool attach_loop(const std::string& image);
  std::string folder_;
  std::string loop_;  // the loop device, when one was attached
  bool mounted_ = false;
  bool fusefat_ = false;
  std::string why_not_;
};

}  // namespace testing_support

#endif
