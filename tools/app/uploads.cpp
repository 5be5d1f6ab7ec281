// Uploads from the application's web pages: a multipart/form-data body read
// through one fixed buffer, and ZIP archives taken apart with libzip, each
// written file private to the application and removed again on a refusal.
#include "app/uploads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <system_error>

#include "print/errors.h"

namespace ymcko::app {
namespace {

// The body is read through one buffer of this size, whatever its length.
constexpr std::size_t kBufferBytes = 64 << 10;
// A boundary's length, as RFC 2046 bounds it.
constexpr std::size_t kBoundaryBytes = 70;
// What a refusal about the body as a whole names.
const char* const kUpload = "the upload";

// A size for a person: whole MiB or KiB where it is one, else bytes.
std::string size_text(std::uint64_t bytes) {
  if (bytes >= (1 << 20) && bytes % (1 << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  if (bytes >= (1 << 10) && bytes % (1 << 10) == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

// Sent text as a message shows it: control characters escaped, and cut
// after 64 bytes (at a character's start) so that the message stays a line.
std::string shown_text(std::string_view text) {
  constexpr std::size_t kShown = 64;
  if (text.size() <= kShown) return print::printable_text(text);
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return print::printable_text(text.substr(0, cut)) + "...";
}

// A file's name as a message shows it, quoted.
std::string shown_name(std::string_view name) { return "\"" + shown_text(name) + "\""; }

// Whether a byte is a C0 control character or DEL.
bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Whether two ASCII texts are the same but for the case of their letters.
bool same_text_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The text without the blanks (spaces and tabs) around it.
std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A header value split into its first item and its parameters
// (`form-data; name="photos"`), parameter names lower-cased.
struct HeaderValue {
  std::string item;
  std::vector<std::pair<std::string, std::string>> parameters;
  const std::string* parameter(std::string_view name) const {
    for (const auto& [key, value] : parameters)
      if (key == name) return &value;
    return nullptr;
  }
};

// Splits a header value, or nullopt when it is malformed. A quoted value ends
// at the next quote; a backslash escapes the next character only where
// `escapes` is set, as in HTTP's own headers: browsers send a part's names
// with backslashes as they are and a quote as %22.
std::optional<HeaderValue> split_header_value(std::string_view text, bool escapes) {
  HeaderValue value;
  std::size_t at = std::min(text.find(';'), text.size());
  value.item = trimmed(text.substr(0, at));
  while (at < text.size()) {
    // Here text[at] is the ';' before a parameter.
    ++at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at == text.size()) break;
    const std::size_t equals = text.find('=', at);
    if (equals == std::string_view::npos ||
        text.substr(at, equals - at).find(';') != std::string_view::npos)
      return std::nullopt;
    std::string key(trimmed(text.substr(at, equals - at)));
    for (char& c : key)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    at = equals + 1;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    std::string parameter;
    if (at < text.size() && text[at] == '"') {
      for (++at;; ++at) {
        if (at == text.size()) return std::nullopt;
        if (text[at] == '"') break;
        if (escapes && text[at] == '\\' && at + 1 < text.size()) ++at;
        parameter += text[at];
      }
      const std::size_t after = at + 1;
      at = std::min(text.find(';', after), text.size());
      if (!trimmed(text.substr(after, at - after)).empty()) return std::nullopt;
    } else {
      const std::size_t end = std::min(text.find(';', at), text.size());
      parameter = trimmed(text.substr(at, end - at));
      at = end;
    }
    value.parameters.emplace_back(std::move(key), std::move(parameter));
  }
  return value;
}

// A part's name as browsers send it, with the quote and line breaks they
// escape (%22, %0D, %0A) put back.
std::string unescaped_name(std::string_view sent) {
  std::string name;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (sent[i] == '%' && i + 2 < sent.size()) {
      const std::string_view code = sent.substr(i + 1, 2);
      const char put = same_text_ignoring_case(code, "22")   ? '"'
                       : same_text_ignoring_case(code, "0D") ? '\r'
                       : same_text_ignoring_case(code, "0A") ? '\n'
                                                             : '\0';
      if (put != '\0') {
        name += put;
        i += 2;
        continue;
      }
    }
    name += sent[i];
  }
  return name;
}

// The boundary a Content-Type value gives for a multipart/form-data body.
std::string boundary_of(std::string_view content_type) {
  const std::optional<HeaderValue> value = split_header_value(content_type, true);
  if (!value || !same_text_ignoring_case(value->item, "multipart/form-data"))
    throw print::Error(kUpload, "not a multipart/form-data body");
  const std::string* boundary = value->parameter("boundary");
  bool plain = boundary != nullptr && !boundary->empty() && boundary->size() <= kBoundaryBytes;
  for (std::size_t i = 0; plain && i < boundary->size(); ++i) plain = !is_control((*boundary)[i]);
  if (!plain)
    throw print::Error(kUpload, "its Content-Type gives no boundary of 1 to " +
                                    std::to_string(kBoundaryBytes) + " characters");
  return *boundary;
}

// An open file descriptor, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  int get() const { return fd_; }
  // Closes it now, so that a failed close is seen; the error number, or 0.
  int close() {
    const int status = ::close(fd_);
    fd_ = -1;
    return status == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// Writes all the bytes; the error number, or 0.
int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    bytes.remove_prefix(std::size_t(written));
  }
  return 0;
}

// The files and folders one call made, in the order it made them, removed
// again (the last first) unless the call keeps them.
class Made {
 public:
  Made() = default;
  Made(const Made&) = delete;
  Made& operator=(const Made&) = delete;
  ~Made() {
    if (kept_) return;
    for (auto made = paths_.rbegin(); made != paths_.rend(); ++made) {
      std::error_code ignored;
      std::filesystem::remove(*made, ignored);
    }
  }
  void add(std::filesystem::path path) { paths_.push_back(std::move(path)); }
  void keep() { kept_ = true; }

 private:
  std::vector<std::filesystem::path> paths_;
  bool kept_ = false;
};

// A new file for one uploaded file, under a random name of its own in the
// folder: created only if nothing (not even a link) is there, mode 0600
// whatever the umask.
Descriptor new_upload_file(const std::filesystem::path& folder, std::mt19937_64& names, Made& made,
                           std::filesystem::path& path, const std::string& field,
                           const std::string& name) {
  for (;;) {
    char file_name[32];
    std::snprintf(file_name, sizeof file_name, "upload-%016llx",
                  static_cast<unsigned long long>(names()));
    path = folder / file_name;
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0 && errno == EEXIST) continue;
    if (fd.get() >= 0) made.add(path);
    if (fd.get() < 0 || ::fchmod(fd.get(), 0600) != 0)
      throw print::Error(shown_text(field),
                         shown_name(name) + " could not be written: " + std::strerror(errno));
    return fd;
  }
}

// A request body read through one buffer: bytes up to a delimiter, lines,
// and the rest, the whole counted against the upload's limit.
class BodyStream {
 public:
  BodyStream(const BodyReader& read, std::uint64_t limit)
      : read_(read), limit_(limit), buffer_(kBufferBytes) {
    // A line break of its own goes first, so that the first delimiter, which
    // may open the body, is preceded by one like every other.
    buffer_[0] = '\r';
    buffer_[1] = '\n';
    end_ = 2;
  }

  // Hands the bytes before the next `delimiter` to sink, in pieces, and
  // takes the delimiter; false when the body ends first.
  template <typename Sink>
  bool until(std::string_view delimiter, Sink&& sink) {
    std::size_t from = 0;  // no delimiter starts before this offset of what is held
    for (;;) {
      const std::string_view held = this->held();
      const std::size_t hit = held.find(delimiter, from);
      if (hit != std::string_view::npos) {
        sink(held.substr(0, hit));
        begin_ += hit + delimiter.size();
        return true;
      }
      from = held.size() < delimiter.size() ? 0 : held.size() - delimiter.size() + 1;
      if (held.size() == buffer_.size()) {
        sink(held.substr(0, from));
        begin_ += from;
        from = 0;
      }
      if (!fill()) return false;
    }
  }

  // The next line, without its CRLF.
  std::string line() {
    std::size_t from = 0;
    for (;;) {
      const std::string_view held = this->held();
      const std::size_t hit = held.find("\r\n", from);
      if (hit != std::string_view::npos && hit <= kHeaderLineBytes) {
        std::string line(held.substr(0, hit));
        begin_ += hit + 2;
        return line;
      }
      if (hit != std::string_view::npos || held.size() > kHeaderLineBytes)
        throw print::Error(kUpload, "a header line of a part is longer than the " +
                                        size_text(kHeaderLineBytes) + " it may be");
      from = held.empty() ? 0 : held.size() - 1;
      if (!fill()) throw print::Error(kUpload, "it ends before its closing boundary");
    }
  }

  // Whether the body goes on with `text`, which is then taken.
  bool goes_on_with(std::string_view text) {
    while (held().size() < text.size())
      if (!fill()) throw print::Error(kUpload, "it ends before its closing boundary");
    if (held().substr(0, text.size()) != text) return false;
    begin_ += text.size();
    return true;
  }

  // Reads the rest of the body and drops it.
  void drain() {
    do begin_ = end_;
    while (fill());
  }

 private:
  std::string_view held() const { return {buffer_.data() + begin_, end_ - begin_}; }

  // Reads more after what is held, moving it to the buffer's start first
  // when less than half the buffer is free after it; false at the body's end.
  bool fill() {
    if (begin_ > 0 && buffer_.size() - end_ < buffer_.size() / 2) {
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    const std::size_t room = buffer_.size() - end_;
    const std::ptrdiff_t got = read_(buffer_.data() + end_, room);
    if (got == 0) return false;
    if (got < 0 || std::size_t(got) > room)
      throw print::Error(kUpload, "it could not be read to its end");
    read_bytes_ += std::uint64_t(got);
    if (read_bytes_ > limit_)
      throw print::Error(kUpload, "more than the " + size_text(limit_) + " an upload may be");
    end_ += std::size_t(got);
    return true;
  }

  const BodyReader& read_;
  std::uint64_t limit_;
  std::uint64_t read_bytes_ = 0;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

// What a part's headers say of it.
struct PartHeaders {
  std::string field;
  std::optional<std::string> file_name;  // as sent, for a file part
};

// Reads a part's header lines, up to the blank line, for its
// Content-Disposition.
PartHeaders read_part_headers(BodyStream& body) {
  std::optional<HeaderValue> disposition;
  for (std::size_t lines = 0;; ++lines) {
    const std::string line = body.line();
    if (line.empty()) break;
    if (lines == kPartHeaderLines)
      throw print::Error(
          kUpload, "a part has more than " + std::to_string(kPartHeaderLines) + " header lines");
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0 || line[0] == ' ' || line[0] == '\t')
      throw print::Error(kUpload, "a header line of a part is not \"Name: value\"");
    if (disposition || !same_text_ignoring_case(trimmed(std::string_view(line).substr(0, colon)),
                                                "Content-Disposition"))
      continue;
    disposition = split_header_value(std::string_view(line).substr(colon + 1), false);
    if (!disposition || !same_text_ignoring_case(disposition->item, "form-data"))
      throw print::Error(kUpload, "a part's Content-Disposition is not form-data");
  }
  const std::string* field = disposition ? disposition->parameter("name") : nullptr;
  if (field == nullptr || field->empty())
    throw print::Error(kUpload, "a part's Content-Disposition names no field");
  PartHeaders headers{unescaped_name(*field), std::nullopt};
  if (const std::string* file_name = disposition->parameter("filename"))
    headers.file_name = unescaped_name(*file_name);
  return headers;
}

// A sent file name's last part, after any folders an old browser sends with
// it; throws when that is no name for a file.
std::string plain_file_name(const std::string& field, const std::string& sent) {
  const std::size_t slash = sent.find_last_of("/\\");
  std::string name = slash == std::string::npos ? sent : sent.substr(slash + 1);
  std::string fault;
  if (name.empty() || name == "." || name == "..")
    fault = "names no file";
  else if (name.size() > kNameBytes)
    fault = "is longer than the " + std::to_string(kNameBytes) + " bytes a file name may be";
  for (char c : name)
    if (is_control(c)) fault = "holds a control character";
  if (!fault.empty())
    throw print::Error(shown_text(field), "the file name " + shown_name(sent) + " " + fault);
  return name;
}

// Streams one file part into a new file of the folder.
UploadedFile read_file_part(BodyStream& body, const std::string& delimiter,
                            const PartHeaders& headers, const std::filesystem::path& folder,
                            const UploadLimits& limits, std::mt19937_64& names, Made& made) {
  UploadedFile file{headers.field, plain_file_name(headers.field, *headers.file_name), {}, 0};
  Descriptor fd = new_upload_file(folder, names, made, file.path, file.field, file.name);
  const bool whole = body.until(delimiter, [&](std::string_view bytes) {
    file.size += bytes.size();
    if (file.size > limits.file_bytes)
      throw print::Error(shown_text(file.field), shown_name(file.name) + " is larger than the " +
                                                     size_text(limits.file_bytes) +
                                                     " a file may be");
    if (const int error = write_all(fd.get(), bytes))
      throw print::Error(shown_text(file.field),
                         shown_name(file.name) + " could not be written: " + std::strerror(error));
  });
  if (!whole) throw print::Error(kUpload, "it ends before its closing boundary");
  if (const int error = fd.close())
    throw print::Error(shown_text(file.field),
                       shown_name(file.name) + " could not be written: " + std::strerror(error));
  return file;
}

}  // namespace

const std::string* UploadedForm::field(std::string_view name) const {
  for (const auto& [key, value] : fields)
    if (key == name) return &value;
  return nullptr;
}

UploadedForm read_multipart(std::string_view content_type, const BodyReader& read,
                            const std::filesystem::path& folder, const UploadLimits& limits) {
  const std::string delimiter = "\r\n--" + boundary_of(content_type);
  BodyStream body(read, limits.body_bytes);
  Made made;
  std::mt19937_64 names{std::random_device{}()};
  UploadedForm form;
  const auto ended = [] { throw print::Error(kUpload, "it ends before its closing boundary"); };

  // What comes before the first delimiter is no part of the form.
  if (!body.until(delimiter, [](std::string_view) {}))
    throw print::Error(kUpload, "its boundary is nowhere in it");

  // After each delimiter, "--" closes the form; anything else but blanks up
  // to the line's end is no delimiter this reader can take.
  while (!body.goes_on_with("--")) {
    if (!trimmed(body.line()).empty())
      throw print::Error(kUpload, "a boundary line holds more than the boundary");
    const PartHeaders headers = read_part_headers(body);
    if (!headers.file_name) {
      if (form.fields.size() == kFormFields)
        throw print::Error(kUpload, "more than " + std::to_string(kFormFields) + " fields");
      std::string value;
      if (!body.until(delimiter, [&](std::string_view bytes) {
            if (value.size() + bytes.size() > kFieldValueBytes)
              throw print::Error(
                  shown_text(headers.field),
                  "a value longer than the " + size_text(kFieldValueBytes) + " a field may hold");
            value += bytes;
          }))
        ended();
      form.fields.emplace_back(headers.field, std::move(value));
    } else if (headers.file_name->empty()) {
      // A file input left empty: browsers send it with no name and no bytes.
      if (!body.until(delimiter, [&](std::string_view bytes) {
            if (!bytes.empty())
              throw print::Error(shown_text(headers.field), "a file was sent without a name");
          }))
        ended();
    } else {
      if (form.files.size() == limits.files)
        throw print::Error(kUpload, "more than " + std::to_string(limits.files) + " files");
      form.files.push_back(read_file_part(body, delimiter, headers, folder, limits, names, made));
    }
  }

  // The epilogue is dropped, but read, so that a read error or a body past
  // the limit is still seen.
  body.drain();
  made.keep();
  return form;
}

namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

// libzip's words for one of its error codes.
std::string zip_reason(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string reason = zip_error_strerror(&error);
  zip_error_fini(&error);
  return reason;
}

// Why an entry's path cannot be a file's path under the folder, or nothing.
std::string path_fault(std::string_view path) {
  if (path.front() == '/') return "has an absolute path";
  for (char c : path) {
    if (c == '\\') return "has a backslash in its path";
    if (is_control(c)) return "has a control character in its path";
  }
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == ".") return "has an empty or \".\" part in its path";
    if (part == "..") return "climbs out of its folder by \"..\"";
    if (part.size() > kNameBytes)
      return "has a part of its path longer than the " + std::to_string(kNameBytes) +
             " bytes a file name may be";
    start = end + 1;
  }
  return "";
}

// What an extraction refuses an entry for names the field, the entry and
// the archive.
print::Error entry_error(const UploadedFile& zip, std::string_view entry, const std::string& what) {
  return print::Error(shown_text(zip.field), "the entry " + shown_name(entry) + " of " +
                                                 shown_name(zip.name) + " " + what);
}

// One entry to take out: its index and its path.
struct Planned {
  zip_uint64_t index;
  std::string path;
};

// Every entry's path, kind, encryption, method and claimed size checked, and
// the files to take out, before anything is written.
std::vector<Planned> plan_extraction(zip_t* archive, const UploadedFile& zip,
                                     const UploadLimits& limits) {
  std::vector<Planned> planned;
  std::set<std::string> paths, folders;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = zip_uint64_t(i);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
      throw print::Error(shown_text(zip.field),
                         shown_name(zip.name) + " cannot be read: " + zip_strerror(archive));
    const std::string path = stat.name;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(archive, index, 0, &system, &attributes);
    const mode_t type = system == ZIP_OPSYS_UNIX ? (attributes >> 16) & S_IFMT : 0;
    if (path.empty()) throw entry_error(zip, path, "has an empty path");
    if (path.back() == '/' || type == S_IFDIR) continue;
    if (const std::string fault = path_fault(path); !fault.empty())
      throw entry_error(zip, path, fault);
    if (type == S_IFLNK) throw entry_error(zip, path, "is a symbolic link");
    if (type != 0 && type != S_IFREG) throw entry_error(zip, path, "is not a plain file");
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
      throw entry_error(zip, path, "is encrypted");
    if ((stat.valid & ZIP_STAT_COMP_METHOD) &&
        !zip_compression_method_supported(stat.comp_method, 0))
      throw entry_error(zip, path, "is compressed by a method that cannot be read");
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > limits.file_bytes)
      throw entry_error(zip, path,
                        "is larger than the " + size_text(limits.file_bytes) + " a file may be");
    if (!paths.insert(path).second) throw entry_error(zip, path, "is in it twice");
    if (planned.size() == limits.files)
      throw print::Error(shown_text(zip.field), shown_name(zip.name) + " holds more than " +
                                                    std::to_string(limits.files) + " files");
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1))
      folders.insert(path.substr(0, slash));
    planned.push_back({index, path});
  }
  for (const std::string& folder : folders)
    if (paths.count(folder)) throw entry_error(zip, folder, "is both a file and a folder");
  return planned;
}

// Opens (and first makes, 0700) each folder of an entry's path under `root`,
// never through a link; the entry's own folder.
Descriptor open_entry_folder(int root, const std::filesystem::path& folder, std::string_view path,
                             Made& made, const UploadedFile& zip) {
  Descriptor at(::fcntl(root, F_DUPFD_CLOEXEC, 0));
  if (at.get() < 0)
    throw entry_error(zip, path, std::string("could not be written: ") + std::strerror(errno));
  std::filesystem::path made_path = folder;
  for (std::size_t start = 0, slash; (slash = path.find('/', start)) != std::string_view::npos;
       start = slash + 1) {
    const std::string part(path.substr(start, slash - start));
    made_path /= part;
    const bool new_folder = ::mkdirat(at.get(), part.c_str(), 0700) == 0;
    if (!new_folder && errno != EEXIST)
      throw entry_error(zip, path, std::string("could not be written: ") + std::strerror(errno));
    if (new_folder) made.add(made_path);
    Descriptor next(
        ::openat(at.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (next.get() < 0 || (new_folder && ::fchmod(next.get(), 0700) != 0))
      throw entry_error(zip, path, std::string("could not be written: ") + std::strerror(errno));
    at = std::move(next);
  }
  return at;
}

}  // namespace

std::vector<UploadedFile> extract_zip(const UploadedFile& zip, const std::filesystem::path& folder,
                                      const UploadLimits& limits) {
  int code = 0;
  Archive archive(zip_open(zip.path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!archive && code == ZIP_ER_EXISTS) {
    // libzip's check refuses two entries of one path without saying which:
    // the archive opened unchecked names it.
    int ignored = 0;
    if (Archive unchecked{zip_open(zip.path.c_str(), ZIP_RDONLY, &ignored)})
      plan_extraction(unchecked.get(), zip, limits);
  }
  if (!archive)
    throw print::Error(
        shown_text(zip.field),
        shown_name(zip.name) + " is not a ZIP archive that can be read: " + zip_reason(code));
  const std::vector<Planned> planned = plan_extraction(archive.get(), zip, limits);

  Descriptor root(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (root.get() < 0)
    throw print::Error(shown_text(zip.field),
                       shown_name(zip.name) + " could not be unpacked: " + std::strerror(errno));
  Made made;
  std::vector<UploadedFile> files;
  std::vector<char> buffer(kBufferBytes);
  std::uint64_t unpacked = 0;
  for (const Planned& entry : planned) {
    // The bytes are counted as they are inflated: the sizes an archive
    // claims may be false.
    UploadedFile file{zip.field, entry.path, folder / entry.path, 0};
    const std::size_t slash = entry.path.rfind('/');
    const std::string name = slash == std::string::npos ? entry.path : entry.path.substr(slash + 1);
    Descriptor at = open_entry_folder(root.get(), folder, entry.path, made, zip);
    Descriptor fd(::openat(at.get(), name.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() >= 0) made.add(file.path);
    if (fd.get() < 0 || ::fchmod(fd.get(), 0600) != 0)
      throw entry_error(zip, entry.path,
                        std::string("could not be written: ") + std::strerror(errno));
    Entry in(zip_fopen_index(archive.get(), entry.index, 0));
    if (!in)
      throw entry_error(zip, entry.path,
                        "cannot be read: " + std::string(zip_strerror(archive.get())));
    for (;;) {
      const zip_int64_t got = zip_fread(in.get(), buffer.data(), buffer.size());
      if (got < 0)
        throw entry_error(zip, entry.path,
                          "cannot be read: " + std::string(zip_file_strerror(in.get())));
      if (got == 0) break;
      file.size += zip_uint64_t(got);
      unpacked += zip_uint64_t(got);
      if (file.size > limits.file_bytes)
        throw entry_error(zip, entry.path,
                          "is larger than the " + size_text(limits.file_bytes) + " a file may be");
      if (unpacked > limits.unpacked_bytes)
        throw print::Error(shown_text(zip.field),
                           shown_name(zip.name) + " unpacks to more than the " +
                               size_text(limits.unpacked_bytes) + " an archive may hold");
      if (const int error = write_all(fd.get(), {buffer.data(), std::size_t(got)}))
        throw entry_error(zip, entry.path,
                          std::string("could not be written: ") + std::strerror(error));
    }
    if (const int error = fd.close())
      throw entry_error(zip, entry.path,
                        std::string("could not be written: ") + std::strerror(error));
    files.push_back(std::move(file));
  }
  made.keep();
  return files;
}

}  // namespace ymcko::app
