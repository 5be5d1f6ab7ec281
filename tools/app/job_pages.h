// The job pages of the printer application: each job of a printer's
// history shows its cards as the card is held, the settings it was printed
// with in an operator's words and how many cards it printed. Its previews
// are kept, the server user's alone, in a folder of the job inside the
// spool until the job leaves the history; stripe texts are never kept, only
// which tracks a card's stripe wrote.
#pragma once

#include <pappl/pappl.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "cards/jobs/job_stream.h"
#include "print/card_settings.h"
#include "print/sink.h"

namespace ymcko::app {

// Cards of a job shown on its page; the page counts the others.
inline constexpr std::size_t kCardsShown = 20;

// The application's spool, which holds every job's previews in a folder of
// their own; set once, before the server runs.
void set_spool(const std::filesystem::path& spool);
const std::filesystem::path& spool();

// Writes a file for the server user alone, never through a link; false
// when it cannot.
bool write_private(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
bool write_private(const std::filesystem::path& path, const std::string& text);

// What a job's page shows, written as the job prints. The cards come from
// the stream that goes to the printer, read back a card at a time so that a
// long job holds one card in memory, and only the first kCardsShown; their
// pictures are made on a thread of the record's own, a few sides behind,
// so that the job is not slowed by them.
class JobRecord {
 public:
  // The job's folder made afresh, with the settings (none for a job the
  // tool made, whose settings are in its stream) and the card's
  // orientation.
  JobRecord(pappl_job_t* job, bool landscape, const print::CardSettings* settings);
  ~JobRecord();
  JobRecord(const JobRecord&) = delete;
  JobRecord& operator=(const JobRecord&) = delete;

  // Bytes of the stream as they go to the printer; each side becomes a
  // preview once it is whole, until kCardsShown cards were read.
  void stream(std::span<const std::uint8_t> bytes);
  // The job printed `cards` cards from `pages` pages (0 for a job the tool
  // made, which has cards only): its page is complete.
  void finish(std::size_t cards, std::size_t pages);

 private:
  void take_command(const jobstream::Command& command);
  void take_side(cards::SidePrint&& side);
  void draw_sides();  // the pictures' thread
  void end_drawing();

  std::filesystem::path folder_;
  bool landscape_;
  bool finished_ = false;
  bool reading_ = true;  // more cards are to be shown
  cards::JobStream reader_;
  std::string tracks_;     // the tracks of the stripe ahead of the next card
  std::size_t shown_ = 0;  // cards previewed
  std::string stripes_;    // "stripe CARD TRACKS" lines, tracks by number
  std::mutex lock_;
  std::condition_variable moved_;
  std::deque<cards::SidePrint> sides_;  // sides whose pictures are to be made
  bool ending_ = false;
  std::thread drawing_;
};

// Writes a job's stream to its device and to its record.
class RecordingSink final : public print::Sink {
 public:
  RecordingSink(print::Sink& device, JobRecord& record) : device_(device), record_(record) {}
  bool write(std::span<const std::uint8_t> bytes) override {
    record_.stream(bytes);
    return device_.write(bytes);
  }
  std::string name() const override { return device_.name(); }
  std::string failure() const override { return device_.failure(); }
  void discard() override { device_.discard(); }

 private:
  print::Sink& device_;
  JobRecord& record_;
};

// The printer's pages of its jobs' cards (a printer made or loaded), and
// the link to them from its pages.
void add_job_pages(pappl_printer_t* printer);

// PAPPL's job-removed callback: the job's previews go as it leaves the
// history.
void job_removed(pappl_job_t* job, void* context);

// Removes the previews of jobs PAPPL no longer has, such as those a crash
// left behind.
void sweep_previews(pappl_system_t* system);

}  // namespace ymcko::app
