// PDF pages through the PDF module, each rendered in a child process
// within its time limit.
#include "cards/images/pdf_document.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include "cards/images/modules.h"
#include "cards/images/pdf_module.h"
#include "print/errors.h"

namespace ymcko::cards {

namespace {

// Poppler renders one document at a time here: sides decoded on several
// threads take turns.
std::mutex pdf_lock;

}  // namespace

struct PdfDocument::Impl {
  std::vector<std::uint8_t> bytes;  // the document reads from these while it lives
  std::string name;
  std::chrono::milliseconds page_time_limit;
  std::unique_ptr<pdf::Document> document;
};

PdfDocument::PdfDocument(std::vector<std::uint8_t> bytes, std::string name,
                         std::chrono::milliseconds page_time_limit)
    : impl_(std::make_unique<Impl>()) {
  std::lock_guard guard(pdf_lock);
  impl_->page_time_limit = page_time_limit;
  impl_->bytes = std::move(bytes);
  impl_->name = std::move(name);
  pdf::OpenResult result = pdf::OpenResult::unreadable;
  impl_->document.reset(module_function<pdf::OpenFunction>(
      pdf::kModuleName, pdf::kOpenSymbol, impl_->name, "PDF pages cannot be rendered")(
      impl_->bytes.data(), impl_->bytes.size(), &result));
  switch (result) {
    case pdf::OpenResult::opened:
      break;
    case pdf::OpenResult::unreadable:
      throw print::Error(impl_->name, "not a readable PDF document");
    case pdf::OpenResult::locked:
      throw print::Error(impl_->name, "the PDF document is locked with a password");
    case pdf::OpenResult::no_pages:
      throw print::Error(impl_->name, "the PDF document has no pages");
  }
}

PdfDocument::~PdfDocument() {
  if (!impl_) return;
  std::lock_guard guard(pdf_lock);
  impl_->document.reset();
}

PdfDocument::PdfDocument(PdfDocument&&) noexcept = default;

int PdfDocument::pages() const {
  std::lock_guard guard(pdf_lock);
  return impl_->document->pages();
}

namespace {

// Memory shared with the rendering child: the page's width and height, then
// its pixels.
struct SharedPage {
  void* memory = MAP_FAILED;
  std::size_t size = 0;
  ~SharedPage() {
    if (memory != MAP_FAILED) ::munmap(memory, size);
  }
};

// Renders in a child process that writes the page into `shared` and one byte
// (1 rendered, 0 not) into `done`, then ends without running destructors.
[[noreturn]] void render_in_child(const pdf::Document& document, int index,
                                  std::uint64_t room_pixels, const SharedPage& shared, int done) {
  // The child goes with its program, and leaves the program's output files alone.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
  pdf::Page page;
  char rendered = document.render(index, kPdfDpi, &page) &&
                  std::uint64_t(page.width) * page.height <= room_pixels;
  if (rendered) {
    auto* bytes = static_cast<std::uint8_t*>(shared.memory);
    std::memcpy(bytes, &page.width, 4);
    std::memcpy(bytes + 4, &page.height, 4);
    std::memcpy(bytes + 8, page.rgba.data(), page.rgba.size());
  }
  [[maybe_unused]] ssize_t ignored = ::write(done, &rendered, 1);
  ::_exit(0);
}

}  // namespace

Image PdfDocument::render(int index) const {
  std::lock_guard guard(pdf_lock);
  std::string where = impl_->name + " page " + std::to_string(index + 1);
  double width = 0, height = 0;
  if (!impl_->document->page_size(index, &width, &height))
    throw print::Error(where, "the page cannot be read");
  const std::uint64_t columns = std::uint64_t(width / 72.0 * kPdfDpi + 1);
  const std::uint64_t rows = std::uint64_t(height / 72.0 * kPdfDpi + 1);
  check_image_size(columns, rows, where);

  // Room for the page as Poppler rounds its size, in memory the child shares.
  const std::uint64_t room_pixels = (columns + 2) * (rows + 2);
  SharedPage shared;
  shared.size = 8 + room_pixels * 4;
  shared.memory =
      ::mmap(nullptr, shared.size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  int done[2];
  if (shared.memory == MAP_FAILED || ::pipe2(done, O_CLOEXEC) != 0)
    throw print::Error(where, std::string("cannot be rendered: ") + std::strerror(errno));
  const pid_t child = ::fork();
  if (child == 0) render_in_child(*impl_->document, index, room_pixels, shared, done[1]);
  ::close(done[1]);
  if (child < 0) {
    ::close(done[0]);
    throw print::Error(where, std::string("cannot be rendered: ") + std::strerror(errno));
  }

  // The child's byte, or nothing when it ended without one or the time ran out.
  const auto deadline = std::chrono::steady_clock::now() + impl_->page_time_limit;
  char rendered = 0;
  bool answered = false, late = false;
  while (true) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd wait{done[0], POLLIN, 0};
    const int ready = left.count() > 0
                          ? ::poll(&wait, 1, int(std::min<std::int64_t>(left.count(), INT32_MAX)))
                          : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) late = true;
    if (ready > 0) answered = ::read(done[0], &rendered, 1) == 1;
    break;
  }
  ::close(done[0]);
  if (late) ::kill(child, SIGKILL);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (late) {
    throw print::Error(where, "rendering takes longer than the " +
                                  std::to_string(impl_->page_time_limit.count() / 1000) +
                                  " s a page may take");
  }
  if (!answered || !rendered) throw print::Error(where, "the page cannot be rendered");
  Image image;
  const auto* bytes = static_cast<const std::uint8_t*>(shared.memory);
  std::memcpy(&image.width, bytes, 4);
  std::memcpy(&image.height, bytes + 4, 4);
  check_image_size(image.width, image.height, where);
  if (std::uint64_t(image.width) * image.height > room_pixels)
    throw print::Error(where, "the page cannot be rendered");
  image.rgba.assign(bytes + 8, bytes + 8 + std::size_t(image.width) * image.height * 4);
  return image;
}

}  // namespace ymcko::cards
