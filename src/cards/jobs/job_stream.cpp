// The job reader fed in pieces.
#include "cards/jobs/job_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <variant>

#include "print/errors.h"

namespace ymcko::cards {

namespace js = jobstream;

JobStream::JobStream(Handlers handlers) : handlers_(std::move(handlers)) {}

void JobStream::feed(std::span<const std::uint8_t> bytes) {
  fed_ += bytes.size();
  if (syntax_ || bytes.empty()) return;
  if (seek_) return seek(bytes);
  std::size_t used;
  if (buffer_.empty()) {
    // Most commands are whole in what comes: read them where they are.
    used = read(bytes, buffer_offset_, false);
    if (!syntax_ && !seek_) buffer_.assign(bytes.begin() + long(used), bytes.end());
  } else {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    used = read(buffer_, buffer_offset_, false);
    if (syntax_ || seek_) {
      buffer_.clear();
    } else {
      buffer_.erase(buffer_.begin(), buffer_.begin() + long(used));
    }
  }
  buffer_offset_ += used;
  if (buffer_.empty()) buffer_.shrink_to_fit();
}

std::size_t JobStream::read(std::span<const std::uint8_t> bytes, std::size_t offset, bool last) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    js::CommandStep step = js::read_command_at(bytes.subspan(at), offset + at);
    if (step.command) {
      at += step.command->length;
      take(*step.command);
      continue;
    }
    if (step.starved && !last) {
      const std::size_t end = offset + bytes.size();
      if (step.open_text && end - step.open_text->offset > js::kLongestText + 1) {
        // Keep the command to just past the longest text, and look on for
        // the text's end without keeping what comes.
        const std::size_t kept = step.open_text->offset + js::kLongestText + 1 - (offset + at);
        seek_ = Seek{
            std::vector<std::uint8_t>(bytes.begin() + long(at), bytes.begin() + long(at + kept)),
            offset + at, step.open_text->stop};
        return bytes.size();
      }
      return at;
    }
    syntax_fault(*step.error);
    return bytes.size();
  }
  return at;
}

void JobStream::seek(std::span<const std::uint8_t> bytes) {
  if (std::find(bytes.begin(), bytes.end(), seek_->stop) == bytes.end()) return;
  // The text ends: the command's fault is its length's, as read whole.
  seek_->prefix.push_back(seek_->stop);
  js::CommandStep step = js::read_command_at(seek_->prefix, seek_->offset);
  seek_.reset();
  if (step.error) syntax_fault(*step.error);
}

void JobStream::take(const js::Command& command) {
  ++commands_;
  if (handlers_.command) handlers_.command(command);
  if (fault_) return;
  if (std::optional<js::ReadError> fault = structure_.take(command)) {
    structure_fault_ = fault_ = fault;
    return;
  }
  if (std::holds_alternative<js::CardStart>(command.body)) ++cards_;
  if (std::optional<SidePrint> side = assembler_.take(command)) {
    ++sides_;
    if (handlers_.side) handlers_.side(std::move(*side));
  }
}

void JobStream::syntax_fault(const js::ReadError& error) {
  syntax_ = error;
  if (!fault_) fault_ = error;
}

std::optional<js::ReadError> JobStream::finish() {
  if (!syntax_) {
    if (seek_) {
      // The stream ended inside the text: read without its end, as whole.
      js::CommandStep step = js::read_command_at(seek_->prefix, seek_->offset);
      seek_.reset();
      if (step.error) syntax_fault(*step.error);
    } else if (!buffer_.empty()) {
      read(buffer_, buffer_offset_, true);
    }
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  if (fed_ == 0) return js::ReadError{0, "at least one command (the file is empty)"};
  if (syntax_) return syntax_;
  if (structure_fault_) return structure_fault_;
  return structure_.end();
}

std::optional<js::ReadError> read_job_file(const std::filesystem::path& file, JobStream& stream,
                                           std::size_t chunk) {
  std::error_code error;
  if (std::filesystem::is_directory(file, error))
    throw print::Error(file.string(), "is a folder, not a file");
  std::FILE* handle = std::fopen(file.c_str(), "rb");
  if (handle == nullptr)
    throw print::Error(file.string(), std::string("cannot be opened: ") + std::strerror(errno));
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closing(handle, std::fclose);
  std::vector<std::uint8_t> bytes(std::max<std::size_t>(chunk, 1));
  std::size_t got;
  while ((got = std::fread(bytes.data(), 1, bytes.size(), handle)) > 0)
    stream.feed(std::span(bytes).first(got));
  if (std::ferror(handle))
    throw print::Error(file.string(), std::string("cannot be read: ") + std::strerror(errno));
  return stream.finish();
}

}  // namespace ymcko::cards
