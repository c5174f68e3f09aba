// The checks of the two folder fields, as plain functions of what the main window shows.
// They change nothing; the window shows the message they return and puts the focus back.
#ifndef ZOLK_UI_FOLDER_CHECKS_H
#define ZOLK_UI_FOLDER_CHECKS_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

constexpr int k_backup_mode = 1;
constexpr int k_restore_mode = 2;

// The texts of one registered job that the checks compare (CP932).
struct job_folders {
  std::string name;
  std::string source;
  std::string destination;
};

struct folder_check_input {
  std::string source;             // Tdirname
  std::string destination;        // Bdirname
  int mode = k_backup_mode;       // main_mode
  bool new_job_state = false;     // a new job is being entered (new_job_button disabled)
  std::string shown_job_name;     // the text of job_combo
  std::vector<job_folders> jobs;  // the registered history backup jobs, in list order
  // The real location of a folder (host::real_path), so that a folder reached through a link
  // is known for what it is; unset, folders are compared as written.
  std::function<std::string(const std::string&)> real_path;
};

// nullopt when the text is accepted; otherwise the whole message to show (CP932).
using check_message = std::optional<std::string>;

// The source field: an empty text passes; a root folder is refused; in backup mode a source
// already registered with another job is refused (letters compared without case).
check_message check_source(const folder_check_input& in);

// The destination field: a root folder (an empty text included) is refused in every mode,
// worded by mode; in backup mode a destination registered with another job, and a folder
// strictly inside the source folder, are refused. The same folder as the source passes.
check_message check_destination(const folder_check_input& in);

// Byte comparison with the ASCII letters of single-byte characters taken as equal (the
// trail byte of a double-byte character is compared exactly).
bool same_text_ignoring_case(const std::string& a, const std::string& b);

}  // namespace ui

#endif
