// A private cupsd for the tests that print through CUPS: on 127.0.0.1, its
// state in a temporary folder, stopped by its pid.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/scratch.h"
#include "support/test_support.h"

namespace ymcko::testing {

// A private cupsd on 127.0.0.1 whose state lives in a temporary folder,
// stopped by its pid.
class PrivateCupsd {
 public:
  explicit PrivateCupsd(const std::filesystem::path& root) : root_(root), port_(free_port()) {
    for (const char* folder : {"spool", "spool/tmp", "cache", "state", "log", "ppd"}) {
      std::filesystem::create_directories(root_ / folder);
    }
    // cupsd runs filters as lp, which must reach the spool and the output.
    std::filesystem::permissions(root_, std::filesystem::perms::all);
    std::filesystem::permissions(root_ / "spool", std::filesystem::perms::all);
    std::filesystem::permissions(root_ / "spool/tmp", std::filesystem::perms::all);
    // Loopback only, and every operation without authentication.
    write_text(root_ / "cupsd.conf",
               "Listen 127.0.0.1:" + std::to_string(port_) +
                   "\nLogLevel info\nMaxLogSize 0\nWebInterface No\nDefaultAuthType None\n"
                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                   "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                   "    Allow all\n  </Limit>\n</Policy>\n");
    write_text(root_ / "cups-files.conf",
               "FileDevice Yes\nServerRoot " + root_.string() + "\nRequestRoot " +
                   (root_ / "spool").string() + "\nTempDir " + (root_ / "spool/tmp").string() +
                   "\nCacheDir " + (root_ / "cache").string() + "\nStateDir " +
                   (root_ / "state").string() + "\nErrorLog " + (root_ / "log/error_log").string() +
                   "\nAccessLog " + (root_ / "log/access_log").string() + "\nPageLog " +
                   (root_ / "log/page_log").string() +
                   "\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n");
    const std::string config = (root_ / "cupsd.conf").string(),
                      files = (root_ / "cups-files.conf").string();
    std::vector<std::string> args = {"/usr/sbin/cupsd", "-f", "-c", config, "-s", files};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    // Ready once it answers on its port.
    for (int attempt = 0; attempt < 100 && !answers(); ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~PrivateCupsd() {
    if (pid_ == 0) return;
    ::kill(pid_, SIGTERM);
    int status;
    ::waitpid(pid_, &status, 0);
  }
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }
  bool running() const { return pid_ != 0 && answers(); }
  std::string log() const { return read_text(root_ / "log/error_log"); }

 private:
  bool answers() const { return port_answers(port_); }

  std::filesystem::path root_;
  int port_;
  pid_t pid_ = 0;
};

}  // namespace ymcko::testing
