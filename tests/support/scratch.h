// Helpers for the tool's tests: scratch folders, files, and running the
// ymcko program as a process.
#pragma once

#include <cstdio>

#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace ymcko::testing {

// A fresh folder removed with everything in it at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ymcko-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void write_text(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names in a folder, sorted.
inline std::vector<std::string> folder_entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

struct ProcessResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Where a program's standard output goes: caught in a file of the folder
// (the default), into a given file such as /dev/full, or closed.
struct StandardOutput {
  enum { caught, file, closed } kind = caught;
  std::string path;
};

// Starts the program with `args` in `folder`, standard input from /dev/null
// and standard error into `err`; its process id, or -1.
inline pid_t spawn_program(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& folder, const StandardOutput& output,
                           const std::filesystem::path& out, const std::filesystem::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (output.kind == StandardOutput::closed) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else {
    const std::string path = output.kind == StandardOutput::file ? output.path : out.string();
    posix_spawn_file_actions_addopen(&actions, 1, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> argv;
  std::string name = program;
  argv.push_back(name.data());
  std::vector<std::string> copies = args;
  for (auto& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Runs the program with `args` in `folder`, standard output and error caught.
inline ProcessResult run_program(const std::string& program, const std::vector<std::string>& args,
                                 const std::filesystem::path& folder,
                                 const StandardOutput& output = {}) {
  // Named for the call, so that programs run at once from several threads
  // keep their outputs apart.
  static std::atomic<unsigned> calls{0};
  const std::string call = std::to_string(calls++);
  const std::filesystem::path out = folder / (".stdout." + call),
                              err = folder / (".stderr." + call);
  ProcessResult result;
  const pid_t pid = spawn_program(program, args, folder, output, out, err);
  if (pid > 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  result.out = read_text(out);
  result.err = read_text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

// Has the sanitizers of programs run from this test program pass over what
// fontconfig, pango and glib do inside themselves when a template is
// rendered (tests/tools/*.supp), by the environment the programs inherit.
inline void pass_over_rendering_libraries() {
  static const bool set = [] {
    for (const char* sanitizer : {"LSAN", "TSAN"}) {
      const std::string name = std::string(sanitizer) + "_OPTIONS";
      const char* given = std::getenv(name.c_str());
      const std::string file = std::string(YMCKO_TEST_DATA_DIR) + "/tools/" +
                               (sanitizer[0] == 'L' ? "lsan" : "tsan") + ".supp";
      const std::string options =
          (given != nullptr ? std::string(given) + ":" : "") + "suppressions=" + file;
      if (::setenv(name.c_str(), options.c_str(), 1) != 0) return false;
    }
    return true;
  }();
  (void)set;
}

// A PDF page: its size in points and its content stream.
struct PdfPage {
  double width = 72;
  double height = 36;
  std::string content;
};

// A PDF of the given pages.
inline std::vector<std::uint8_t> pdf_of(const std::vector<PdfPage>& pages) {
  std::vector<std::string> objects;
  std::string kids;
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  for (std::size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) +
                    " >>");
  for (std::size_t i = 0; i < pages.size(); ++i) {
    char box[64];
    std::snprintf(box, sizeof box, "%.3f %.3f", pages[i].width, pages[i].height);
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::string(box) +
                      "] /Contents " + std::to_string(4 + 2 * i) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(pages[i].content.size()) + " >>\nstream\n" +
                      pages[i].content + "\nendstream");
  }
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return std::vector<std::uint8_t>(pdf.begin(), pdf.end());
}

// A small PDF whose pages are 72 x 36 points, each filled on its left half
// with the given colour (r g b from 0 to 1).
inline std::vector<std::uint8_t> pdf_with_pages(const std::vector<std::string>& colours) {
  std::vector<PdfPage> pages;
  for (const std::string& colour : colours)
    pages.push_back({72, 36, colour + " rg 0 0 36 36 re f"});
  return pdf_of(pages);
}

// A TCP socket bound to a free port of loopback, that port in `port`.
inline int bind_loopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return fd;
}

// A free TCP port on loopback.
inline int free_port() {
  int port = 0;
  ::close(bind_loopback(port));
  return port;
}

// Whether a server answers on the loopback port.
inline bool port_answers(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(std::uint16_t(port));
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

}  // namespace ymcko::testing
