// Card runs from the browser: card designs kept by name for each printer,
// and runs of a design over an uploaded data file and its photos, previewed
// row by row on the template workers and printed as one job of the
// printer's queue. A run's data and photos are personal data: held in a
// folder of the spool that only the server user reads, and removed once its
// job has printed, failed or been cancelled, once it is abandoned, or after
// kRunIdle untouched.
#pragma once

#include <pappl/pappl.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/uploads.h"
#include "cards/designs/card_template.h"
#include "print/card_settings.h"
#include "print/session.h"

namespace ymcko::app {

// What an upload may bring: a design with its images, and a run's data file
// with its photos.
inline constexpr UploadLimits kDesignUpload{64u << 20, 16u << 20, 500};
inline constexpr UploadLimits kRunUpload{std::uint64_t{1} << 30, 64u << 20, 20000,
                                         std::uint64_t{1} << 30};
// Runs held at once, and how long one stays untouched before it is removed.
inline constexpr std::size_t kRunsHeld = 16;
inline constexpr std::chrono::minutes kRunIdle{30};
// Previews on one page of a run.
inline constexpr std::size_t kPreviewsPerPage = 10;

// Where designs are kept (with the application's state) and runs are held
// (in the spool); set once, before the server runs. Runs a crash left
// behind are removed.
void set_card_folders(const std::filesystem::path& designs, const std::filesystem::path& runs);
// The preview workers ended and every run removed, as the server ends.
void end_card_runs();
// Removes the runs whose job has ended, that were left untouched for
// kRunIdle; PAPPL's timer callback.
bool sweep_runs(pappl_system_t* system, void* context);

// A design: its SVG front, optionally a back, and the images they carry, in
// a folder of its own.
struct Design {
  std::string name;
  std::filesystem::path folder;
  std::string front;  // the files' names in the folder
  std::string back;   // empty: white backs
  std::vector<std::string> images;
};

// A design's name as the page takes it: 1 to 64 letters, digits, spaces,
// '-', '_' and '.', not starting with '.'. Throws print::Error naming
// `input` otherwise.
std::string check_design_name(const std::string& name, const std::string& input);

std::vector<Design> printer_designs(pappl_printer_t* printer);
std::optional<Design> find_design(pappl_printer_t* printer, const std::string& name);

// A new folder for an upload of a design of the printer's; the upload is
// read into it and given to save_design, which keeps or removes it.
std::filesystem::path design_upload_folder(pappl_printer_t* printer);

// Saves the design of an upload read into `folder` (fields "name"; files
// "front", "back" and "images", several images or one ZIP of them),
// replacing the design of that name. Checked as a template run loads it:
// an SVG that is not well formed, or that refers to anything outside its
// own files, is refused. Throws print::Error naming the file and what is
// wrong; `folder` is removed then.
Design save_design(pappl_printer_t* printer, const UploadedForm& form,
                   const std::filesystem::path& folder);
void delete_design(pappl_printer_t* printer, const std::string& name);

// A design's run over a data file: the rows, checked and previewed, until
// it is printed as one job.
class CardRun : public std::enable_shared_from_this<CardRun> {
 public:
  CardRun(std::string id, int printer, std::string owner, Design design,
          std::filesystem::path folder);
  ~CardRun();
  CardRun(const CardRun&) = delete;
  CardRun& operator=(const CardRun&) = delete;

  const std::string& id() const { return id_; }
  int printer() const { return printer_; }
  const std::string& owner() const { return owner_; }
  const Design& design() const { return design_; }
  const std::filesystem::path& folder() const { return folder_; }
  const cards::TemplateRun& run() const { return *run_; }
  const std::shared_ptr<const cards::TemplateRun>& templates() const { return run_; }
  const std::string& data_file() const { return data_file_; }

  // Loads the design and the data file read into the run's folder, its
  // photos placed where the data file names them. Throws print::Error.
  void load(const UploadedForm& form);

  // The card settings of the run's previews and print: the printer's
  // defaults until the page changes them.
  print::CardSettings settings() const;
  void set_settings(const print::CardSettings& settings);
  bool landscape() const;

  // The run's problems under its settings, as the tool's template check
  // words them, and those its previews found; paths as the upload named
  // them.
  std::vector<std::string> problems() const;

  // Renders the previews of rows [first, last) ahead, in order, after the
  // rows already asked for.
  void render_ahead(std::size_t first, std::size_t last);
  // A row's side as a PNG, rendered now if it was not; nothing when the
  // row has no such side, it could not be drawn, or `ending` says the
  // server is ending while it waits.
  std::optional<std::vector<std::uint8_t>> preview(std::size_t row, bool back,
                                                   const std::function<bool()>& ending);

  // Whether the run is being queued or printed as a job, the job's id once
  // it has one (0 before), and the rows it prints ("" for every row).
  bool printing() const;
  int job() const;
  void set_job(int job, const std::string& rows);
  void unset_job();
  std::string rows() const;
  // Marks the run used; how long ago it last was.
  void touch();
  std::chrono::steady_clock::duration idle() const;

  // The plain text of a message: the run's and the design's folders left
  // out of the paths it names.
  std::string plain(const std::string& message) const;

 private:
  friend class PreviewWorkers;
  enum class Drawn { no, asked, yes, failed };
  struct Side {
    Drawn state = Drawn::no;
    std::string problem;
  };
  std::filesystem::path preview_file(std::size_t row, bool back, unsigned generation) const;
  void ask(std::size_t row, bool urgent);

  std::string id_;
  int printer_;
  std::string owner_;
  Design design_;
  std::filesystem::path folder_;
  std::string data_file_;
  std::shared_ptr<const cards::TemplateRun> run_;

  mutable std::mutex lock_;
  std::condition_variable drawn_;
  print::CardSettings settings_;
  unsigned generation_ = 0;  // previews are of this generation's settings
  std::vector<Side> sides_;  // front and back of every row
  bool printing_ = false;
  int job_ = 0;
  std::string rows_;
  std::chrono::steady_clock::time_point touched_;
};

// A new run of `design`: its folder made, for the upload to be read into;
// refused (print::Error) while kRunsHeld runs are held.
std::shared_ptr<CardRun> new_run(pappl_printer_t* printer, const std::string& owner,
                                 const Design& design);
// The printer's run of that id, touched; null when there is none.
std::shared_ptr<CardRun> find_run(pappl_printer_t* printer, const std::string& id);
// The run and its files removed.
void remove_run(const std::string& id);

// Prints the run's rows chosen by `rows` (none: every row) with its
// settings as one job of the printer's queue, submitted by `user`; the
// job's id. Throws print::Error naming what stops the run.
int print_run(pappl_printer_t* printer, CardRun& run, const std::string& rows,
              const std::string& user);

// The run a spooled job file is the document of, by the id it names; null
// for a file that is no run's document or a run no longer held (a restart
// removed it).
bool is_run_document(std::span<const std::uint8_t> start);
std::shared_ptr<CardRun> run_of_document(std::span<const std::uint8_t> start);

// The cards of the run's printed rows in job order, rendered ahead on the
// template workers; `progress` is told of each card made.
std::unique_ptr<cards::CardSource> run_cards(const CardRun& run, const print::JobOptions& job,
                                             cards::CardProgress progress);

}  // namespace ymcko::app
