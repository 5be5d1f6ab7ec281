// Card designs and card runs of the printer application: the designs'
// folders, the runs held in the spool, their previews drawn by workers of
// their own and the job a run is printed as.
#include "app/card_runs.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <map>
#include <thread>

#include "app/app.h"
#include "app/job_pages.h"
#include "app/vendor_attributes.h"
#include "cards/images/png_write.h"
#include "print/card_geometry.h"
#include "print/files.h"
#include "print/session.h"

namespace ymcko::app {
namespace {

namespace fs = std::filesystem;

fs::path designs_root, runs_root;

// What opens a run's job document, and its length with the run's id.
constexpr std::string_view kRunDocument = "ymcko-card-run ";
constexpr std::size_t kIdLength = 32;

// 128 random bits in hexadecimal: a run's id, which only its page knows.
std::string random_id() {
  unsigned char bytes[kIdLength / 2];
  for (std::size_t got = 0; got < sizeof bytes;) {
    const ssize_t read = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (read > 0) got += std::size_t(read);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id;
  for (const unsigned char byte : bytes) id += {kHex[byte >> 4], kHex[byte & 15]};
  return id;
}

void make_private_folder(const fs::path& folder) {
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
}

fs::path printer_folder(pappl_printer_t* printer) {
  return designs_root / ("p" + std::to_string(papplPrinterGetID(printer)));
}

bool ends_with_zip(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower.ends_with(".zip");
}

// The uploaded files of a field.
std::vector<const UploadedFile*> files_of(const UploadedForm& form, const std::string& field) {
  std::vector<const UploadedFile*> found;
  for (const UploadedFile& file : form.files) {
    if (file.field == field) found.push_back(&file);
  }
  return found;
}

// Moves an uploaded file to `to`, refusing a name another file of the
// upload has taken.
void move_upload(const UploadedFile& file, const fs::path& to) {
  if (fs::exists(fs::symlink_status(to)))
    throw print::Error(file.field, "two files are named \"" + file.name + "\"");
  fs::rename(file.path, to);
}

// The lines "front NAME", "back NAME" and "image NAME" of a design's folder.
constexpr const char* kSidesFile = ".design";

std::optional<Design> read_design(const fs::path& folder) {
  std::ifstream in(folder / kSidesFile);
  if (!in) return std::nullopt;
  Design design{folder.filename().string(), folder, "", "", {}};
  for (std::string line; std::getline(in, line);) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    const std::string word = line.substr(0, space), name = line.substr(space + 1);
    if (word == "front") design.front = name;
    if (word == "back") design.back = name;
    if (word == "image") design.images.push_back(name);
  }
  if (design.front.empty()) return std::nullopt;
  return design;
}

std::mutex designs_lock;

// The runs held, by id.
std::mutex runs_lock;
std::map<std::string, std::shared_ptr<CardRun>> runs;

// A setting's label, as the pages word stripe problems.
std::string label_of(const print::Setting& row) {
  const VendorSetting* setting = find_vendor_setting(row.ipp_attribute);
  return setting != nullptr ? setting->label : std::string(row.key);
}

// A template run of the run's designs over the data file's rows that
// `rows` chooses (all when empty).
std::shared_ptr<const cards::TemplateRun> chosen_rows(const CardRun& run, const std::string& rows) {
  if (rows.empty()) return run.templates();
  const cards::RowChoice choice = cards::RowChoice::parse(rows, "Rows");
  return std::make_shared<const cards::TemplateRun>(cards::TemplateRun{
      cards::parse_data_file(
          print::read_file(run.folder() / run.data_file(), print::kManifestFileLimit),
          run.data_file(), run.folder(), &choice),
      run.run().front, run.run().back});
}

// A message without the paths of the folders it names files in: a page
// shows the names the user gave.
std::string without_folders(std::string text, std::initializer_list<fs::path> folders) {
  for (const fs::path& folder : folders) {
    const std::string prefix = folder.string() + "/";
    for (std::size_t at; (at = text.find(prefix)) != std::string::npos;)
      text.erase(at, prefix.size());
  }
  return text;
}

bool landscape_of(const print::CardSettings& settings) {
  return settings.get<std::string>("orientation").value_or("landscape") != "portrait";
}

}  // namespace

// The preview workers: one thread per template worker, each with its SVG
// renderer, taking the rows runs ask for in turn; started when first
// needed.
class PreviewWorkers {
 public:
  static PreviewWorkers& get() {
    static PreviewWorkers workers;
    return workers;
  }
  void ask(std::weak_ptr<CardRun> run, std::size_t row, bool urgent) {
    {
      const std::lock_guard guard(lock_);
      if (ending_) return;
      start();
      if (urgent)
        tasks_.push_front({std::move(run), row});
      else
        tasks_.push_back({std::move(run), row});
    }
    wake_.notify_one();
  }
  void end() {
    {
      const std::lock_guard guard(lock_);
      ending_ = true;
      tasks_.clear();
    }
    wake_.notify_all();
    {
      const std::lock_guard guard(lock_);
      if (renderers_) renderers_->stop();
    }
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
    renderers_.reset();
  }

 private:
  struct Task {
    std::weak_ptr<CardRun> run;
    std::size_t row;
  };
  void start() {
    if (!threads_.empty()) return;
    const std::size_t workers = cards::template_workers();
    for (std::size_t worker = 0; worker < workers; ++worker)
      threads_.emplace_back([this, worker, workers] { work(worker, workers); });
  }
  void work(std::size_t worker, std::size_t workers) {
    // A renderer ends with the thread that started it (its parent-death
    // signal is the thread's), so the first worker starts them all: never
    // the client's thread that asked first, which ends with its request.
    if (worker == 0) {
      auto renderers = std::make_unique<cards::SvgRenderers>(workers, cards::RenderLimits{});
      {
        const std::lock_guard guard(lock_);
        renderers_ = std::move(renderers);
      }
      wake_.notify_all();
    }
    for (;;) {
      Task task;
      cards::SvgRenderer* renderer;
      {
        std::unique_lock guard(lock_);
        wake_.wait(guard, [this] { return ending_ || (renderers_ && !tasks_.empty()); });
        if (ending_) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
        renderer = &(*renderers_)[worker];
      }
      if (const std::shared_ptr<CardRun> run = task.run.lock()) draw(*run, task.row, *renderer);
    }
  }
  static void draw(CardRun& run, std::size_t row, cards::SvgRenderer& renderer);

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;
  bool ending_ = false;
  std::unique_ptr<cards::SvgRenderers> renderers_;
  std::vector<std::thread> threads_;
};

void PreviewWorkers::draw(CardRun& run, std::size_t row, cards::SvgRenderer& renderer) {
  unsigned generation;
  bool landscape;
  {
    const std::lock_guard guard(run.lock_);
    if (run.sides_[row].state != CardRun::Drawn::asked) return;
    generation = run.generation_;
    landscape = landscape_of(run.settings_);
  }
  std::string problem;
  try {
    const cards::TemplateRun& templates = run.run();
    for (const bool back : {false, true}) {
      const cards::CardTemplate* design = back ? templates.back.get() : templates.front.get();
      if (design == nullptr) continue;
      const std::uint32_t width = print::page_width(landscape),
                          height = print::page_height(landscape);
      const cards::Image side = design->render(templates.data.rows[row], width, height,
                                               print::FitMode::stretch, renderer);
      std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
      for (std::size_t i = 0, o = 0; i < side.rgba.size(); i += 4, o += 3)
        std::copy_n(&side.rgba[i], 3, &rgb[o]);
      const fs::path file = run.preview_file(row, back, generation);
      if (!write_private(file, cards::encode_png(file.filename().string(), width, height, 3, rgb)))
        throw print::Error("the preview", "cannot be written in the spool");
    }
  } catch (const print::Error& error) {
    problem = run.plain(error.input() + ": " + error.what());
  } catch (const std::exception& error) {
    problem = error.what();
  }
  {
    const std::lock_guard guard(run.lock_);
    if (run.generation_ == generation) {
      run.sides_[row].state = problem.empty() ? CardRun::Drawn::yes : CardRun::Drawn::failed;
      run.sides_[row].problem = problem;
    }
  }
  run.drawn_.notify_all();
}

void set_card_folders(const fs::path& designs, const fs::path& held) {
  designs_root = designs;
  runs_root = held;
  std::error_code ignored;
  fs::create_directories(designs_root, ignored);
  fs::remove_all(runs_root, ignored);
  fs::create_directories(runs_root, ignored);
  fs::permissions(runs_root, fs::perms::owner_all, fs::perm_options::replace, ignored);
}

void end_card_runs() {
  PreviewWorkers::get().end();
  std::map<std::string, std::shared_ptr<CardRun>> ended;
  {
    const std::lock_guard guard(runs_lock);
    ended.swap(runs);
  }
  ended.clear();
  std::error_code ignored;
  fs::remove_all(runs_root, ignored);
}

bool sweep_runs(pappl_system_t* system, void*) {
  std::vector<std::string> ended;
  {
    const std::lock_guard guard(runs_lock);
    for (const auto& [id, run] : runs) {
      if (const int job_id = run->job()) {
        pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, run->printer(), nullptr);
        pappl_job_t* job = printer != nullptr ? papplPrinterFindJob(printer, job_id) : nullptr;
        if (job == nullptr || papplJobGetState(job) >= IPP_JSTATE_CANCELED) ended.push_back(id);
      } else if (!run->printing() && run->idle() > kRunIdle) {
        ended.push_back(id);
      }
    }
  }
  for (const std::string& id : ended) remove_run(id);
  return true;
}

std::string check_design_name(const std::string& name, const std::string& input) {
  const bool fits = !name.empty() && name.size() <= 64 && name[0] != '.' &&
                    std::all_of(name.begin(), name.end(), [](char c) {
                      return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' ||
                             c == '_' || c == '.';
                    });
  if (!fits) {
    throw print::Error(input, "\"" + name +
                                  "\": a design's name is 1 to 64 letters, digits, spaces, '-', "
                                  "'_' and '.', not starting with '.'");
  }
  return name;
}

std::vector<Design> printer_designs(pappl_printer_t* printer) {
  const std::lock_guard guard(designs_lock);
  std::vector<Design> designs;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(printer_folder(printer), error)) {
    if (entry.path().filename().string().starts_with(".")) continue;
    if (std::optional<Design> design = read_design(entry.path()))
      designs.push_back(std::move(*design));
  }
  std::sort(designs.begin(), designs.end(),
            [](const Design& a, const Design& b) { return a.name < b.name; });
  return designs;
}

std::optional<Design> find_design(pappl_printer_t* printer, const std::string& name) {
  try {
    check_design_name(name, "design");
  } catch (const print::Error&) {
    return std::nullopt;
  }
  const std::lock_guard guard(designs_lock);
  return read_design(printer_folder(printer) / name);
}

fs::path design_upload_folder(pappl_printer_t* printer) {
  const fs::path folder = printer_folder(printer) / (".upload-" + random_id());
  make_private_folder(folder);
  return folder;
}

Design save_design(pappl_printer_t* printer, const UploadedForm& form, const fs::path& folder) {
  struct Removed {
    const fs::path& folder;
    bool kept = false;
    ~Removed() {
      std::error_code ignored;
      if (!kept) fs::remove_all(folder, ignored);
    }
  } removed{folder};

  const std::vector<const UploadedFile*> fronts = files_of(form, "front");
  if (fronts.size() != 1) throw print::Error("Front", "choose the design's front, an SVG file");
  const std::vector<const UploadedFile*> backs = files_of(form, "back");
  if (backs.size() > 1) throw print::Error("Back", "give one back, or none");
  const std::string* given = form.field("name");
  std::string name =
      given != nullptr && !given->empty() ? *given : fs::path(fronts[0]->name).stem().string();
  check_design_name(name, "Name");

  // The images, loose or out of their ZIPs, at their names in the design;
  // then the sides.
  Design design{name,
                printer_folder(printer) / name,
                fronts[0]->name,
                backs.empty() ? "" : backs[0]->name,
                {}};
  for (const UploadedFile* image : files_of(form, "images")) {
    if (ends_with_zip(image->name)) {
      for (const UploadedFile& file : extract_zip(*image, folder, kDesignUpload))
        design.images.push_back(file.name);
      fs::remove(image->path);
    } else {
      move_upload(*image, folder / image->name);
      design.images.push_back(image->name);
    }
  }
  move_upload(*fronts[0], folder / design.front);
  if (!backs.empty()) {
    if (backs[0]->name == design.front)
      throw print::Error("Back", "\"" + design.front + "\" is the front's name too");
    move_upload(*backs[0], folder / design.back);
  }

  // Loaded as a run loads it: refused now rather than at its first run.
  try {
    cards::CardTemplate front(folder / design.front, folder);
    if (!design.back.empty()) cards::CardTemplate back(folder / design.back, folder);
  } catch (const print::Error& error) {
    throw print::Error("the design",
                       without_folders(error.input() + ": " + error.what(), {folder}));
  }
  {
    std::string text = "front " + design.front + "\n";
    if (!design.back.empty()) text += "back " + design.back + "\n";
    for (const std::string& image : design.images) text += "image " + image + "\n";
    if (!write_private(folder / kSidesFile, text))
      throw print::Error("the design", "cannot be written in the state folder");
  }

  // The design replaces the one of its name at once.
  const std::lock_guard guard(designs_lock);
  const fs::path old = printer_folder(printer) / (".old-" + random_id());
  std::error_code none;
  fs::rename(design.folder, old, none);
  fs::rename(folder, design.folder);
  removed.kept = true;
  fs::remove_all(old, none);
  return design;
}

void delete_design(pappl_printer_t* printer, const std::string& name) {
  check_design_name(name, "design");
  const std::lock_guard guard(designs_lock);
  std::error_code ignored;
  fs::remove_all(printer_folder(printer) / name, ignored);
}

CardRun::CardRun(std::string id, int printer, std::string owner, Design design, fs::path folder)
    : id_(std::move(id)),
      printer_(printer),
      owner_(std::move(owner)),
      design_(std::move(design)),
      folder_(std::move(folder)),
      touched_(std::chrono::steady_clock::now()) {}

CardRun::~CardRun() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void CardRun::load(const UploadedForm& form) {
  const std::vector<const UploadedFile*> data = files_of(form, "data");
  if (data.size() != 1) throw print::Error("Data file", "choose the run's data file, a CSV file");
  data_file_ = data[0]->name;
  move_upload(*data[0], folder_ / data_file_);

  // Photos given loose are found by their names, those in a ZIP by their
  // paths in it, wherever the data file's folder was.
  std::vector<fs::path> roots;
  std::map<std::string, std::vector<fs::path>> by_name;
  make_private_folder(folder_ / ".photos");
  for (const UploadedFile* photo : files_of(form, "photos")) {
    if (ends_with_zip(photo->name)) {
      const fs::path root = folder_ / (".zip" + std::to_string(roots.size() + 1));
      make_private_folder(root);
      for (const UploadedFile& file : extract_zip(*photo, root, kRunUpload))
        by_name[fs::path(file.name).filename().string()].push_back(root / file.name);
      roots.push_back(root);
      fs::remove(photo->path);
    } else {
      const fs::path to = folder_ / ".photos" / photo->name;
      move_upload(*photo, to);
      by_name[photo->name].push_back(to);
    }
  }
  make_private_folder(folder_ / ".previews");

  auto templates = std::make_shared<cards::TemplateRun>(cards::TemplateRun{
      cards::parse_data_file(print::read_file(folder_ / data_file_, print::kManifestFileLimit),
                             data_file_, folder_),
      nullptr, nullptr});
  try {
    templates->front =
        std::make_shared<const cards::CardTemplate>(design_.folder / design_.front, folder_);
    if (!design_.back.empty()) {
      templates->back =
          std::make_shared<const cards::CardTemplate>(design_.folder / design_.back, folder_);
    }
  } catch (const print::Error& error) {
    throw print::Error("the design", plain(error.input() + ": " + error.what()));
  }

  // Each photo the rows name, where the data file names it.
  std::vector<const cards::CardTemplate*> designs{templates->front.get()};
  if (templates->back) designs.push_back(templates->back.get());
  for (const cards::DataRow& row : templates->data.rows) {
    for (const cards::CardTemplate* design : designs) {
      for (const std::string& column : design->photo_columns()) {
        const std::string value(row.value(column).value_or(""));
        const fs::path at = (folder_ / value).lexically_normal();
        const auto [end, inside] =
            std::mismatch(folder_.begin(), folder_.end(), at.begin(), at.end());
        if (value.empty() || end != folder_.end() || fs::exists(at)) continue;
        std::optional<fs::path> found;
        for (const fs::path& root : roots) {
          if (fs::exists(root / value)) found = root / value;
        }
        const auto named = by_name.find(at.filename().string());
        if (!found && named != by_name.end() && named->second.size() == 1)
          found = named->second.front();
        if (!found) continue;
        fs::create_directories(at.parent_path());
        fs::create_hard_link(*found, at);
      }
    }
  }
  run_ = templates;
  sides_.resize(run_->data.rows.size());
}

print::CardSettings CardRun::settings() const {
  const std::lock_guard guard(lock_);
  return settings_;
}

void CardRun::set_settings(const print::CardSettings& settings) {
  {
    const std::lock_guard guard(lock_);
    const bool turned =
        settings.get<std::string>("orientation") != settings_.get<std::string>("orientation");
    settings_ = settings;
    if (!turned || sides_.empty()) return;
    // Previews of the other orientation are drawn again.
    ++generation_;
    for (Side& side : sides_) side = Side{};
  }
  drawn_.notify_all();
}

bool CardRun::landscape() const {
  const std::lock_guard guard(lock_);
  return landscape_of(settings_);
}

std::vector<std::string> CardRun::problems() const {
  const print::CardSettings settings = this->settings();
  std::vector<std::string> found;
  const print::JobOptions job = print::job_options(settings);
  for (const print::Error& problem :
       cards::template_problems(*run_, settings.stripe(), job.stripe, label_of))
    found.push_back(plain(problem.input() + ": " + problem.what()));
  try {
    cards::check_template_backs(*run_, print::describe_device(job).side_mode);
  } catch (const print::Error& error) {
    found.push_back(plain(error.input() + ": " + error.what()));
  }
  const std::lock_guard guard(lock_);
  for (std::size_t row = 0; row < sides_.size(); ++row) {
    if (sides_[row].state == Drawn::failed) found.push_back(sides_[row].problem);
  }
  return found;
}

fs::path CardRun::preview_file(std::size_t row, bool back, unsigned generation) const {
  return folder_ / ".previews" /
         (std::to_string(generation) + "-" + std::to_string(row) + (back ? "-back" : "-front") +
          ".png");
}

void CardRun::ask(std::size_t row, bool urgent) {
  // Called with the run's lock held.
  if (row >= sides_.size() || sides_[row].state != Drawn::no) return;
  sides_[row].state = Drawn::asked;
  PreviewWorkers::get().ask(weak_from_this(), row, urgent);
}

void CardRun::render_ahead(std::size_t first, std::size_t last) {
  const std::lock_guard guard(lock_);
  for (std::size_t row = first; row < last; ++row) ask(row, false);
}

std::optional<std::vector<std::uint8_t>> CardRun::preview(std::size_t row, bool back,
                                                          const std::function<bool()>& ending) {
  fs::path file;
  {
    std::unique_lock guard(lock_);
    touched_ = std::chrono::steady_clock::now();
    if (row >= sides_.size() || (back && !run_->back)) return std::nullopt;
    ask(row, true);
    const unsigned generation = generation_;
    // A side takes at most the renderer's time limit once its turn comes;
    // a server that ends is not held.
    const auto until = std::chrono::steady_clock::now() + cards::kPdfPageTimeLimit * 2;
    while (generation_ == generation && sides_[row].state == Drawn::asked && !ending() &&
           std::chrono::steady_clock::now() < until)
      drawn_.wait_for(guard, std::chrono::milliseconds(250));
    if (generation_ != generation || sides_[row].state != Drawn::yes) return std::nullopt;
    file = preview_file(row, back, generation);
  }
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

bool CardRun::printing() const {
  const std::lock_guard guard(lock_);
  return printing_;
}

int CardRun::job() const {
  const std::lock_guard guard(lock_);
  return job_;
}

void CardRun::set_job(int job, const std::string& rows) {
  const std::lock_guard guard(lock_);
  printing_ = true;
  job_ = job;
  rows_ = rows;
}

void CardRun::unset_job() {
  const std::lock_guard guard(lock_);
  printing_ = false;
  job_ = 0;
  rows_.clear();
}

std::string CardRun::rows() const {
  const std::lock_guard guard(lock_);
  return rows_;
}

void CardRun::touch() {
  const std::lock_guard guard(lock_);
  touched_ = std::chrono::steady_clock::now();
}

std::chrono::steady_clock::duration CardRun::idle() const {
  const std::lock_guard guard(lock_);
  return std::chrono::steady_clock::now() - touched_;
}

std::string CardRun::plain(const std::string& message) const {
  return without_folders(message, {folder_, design_.folder});
}

std::shared_ptr<CardRun> new_run(pappl_printer_t* printer, const std::string& owner,
                                 const Design& design) {
  const std::lock_guard guard(runs_lock);
  if (runs.size() >= kRunsHeld) {
    throw print::Error("the run", std::to_string(kRunsHeld) +
                                      " card runs are held already: print or abandon one first");
  }
  const std::string id = random_id();
  const fs::path folder = runs_root / id;
  make_private_folder(folder);
  auto run = std::make_shared<CardRun>(id, papplPrinterGetID(printer), owner, design, folder);
  runs[id] = run;
  return run;
}

std::shared_ptr<CardRun> find_run(pappl_printer_t* printer, const std::string& id) {
  const std::lock_guard guard(runs_lock);
  const auto found = runs.find(id);
  if (found == runs.end() || found->second->printer() != papplPrinterGetID(printer)) return nullptr;
  found->second->touch();
  return found->second;
}

void remove_run(const std::string& id) {
  std::shared_ptr<CardRun> removed;
  {
    const std::lock_guard guard(runs_lock);
    const auto found = runs.find(id);
    if (found == runs.end()) return;
    removed = std::move(found->second);
    runs.erase(found);
  }
  // Its folder goes with the last holder: a worker drawing it, or here.
}

int print_run(pappl_printer_t* printer, CardRun& run, const std::string& rows,
              const std::string& user) {
  if (run.printing())
    throw print::Error("the run", "was printed already, as job " + std::to_string(run.job()));
  // The rows chosen, checked as the job will print them.
  const std::shared_ptr<const cards::TemplateRun> chosen = chosen_rows(run, rows);
  if (chosen->data.rows.size() == 0) throw print::Error("Rows", "choose at least one row");
  const print::CardSettings settings = run.settings();
  const print::JobOptions job = print::job_options(settings);
  for (const print::Error& problem :
       cards::template_problems(*chosen, settings.stripe(), job.stripe, label_of))
    throw print::Error(problem.input(), run.plain(problem.what()));
  cards::check_template_backs(*chosen, print::describe_device(job).side_mode);

  // The job's document names the run; the run is its data.
  const fs::path document = spool() / ("ymcko-run-" + run.id() + ".run");
  const std::string text = std::string(kRunDocument) + run.id() + "\n";
  if (!write_private(document, text))
    throw print::Error("the run", "cannot be queued: the spool cannot be written");
  run.set_job(0, rows);
  const std::string name =
      run.design().name + ": " + run.data_file() + (rows.empty() ? "" : ", rows " + rows);
  pappl_job_t* created = papplJobCreateWithFile(printer, user.c_str(), kJobFormat, name.c_str(), 0,
                                                nullptr, document.c_str());
  if (created == nullptr) {
    std::error_code ignored;
    fs::remove(document, ignored);
    run.unset_job();
    throw print::Error("the run", "the printer takes no job now");
  }
  run.set_job(papplJobGetID(created), rows);
  return papplJobGetID(created);
}

bool is_run_document(std::span<const std::uint8_t> start) {
  return start.size() >= kRunDocument.size() &&
         std::equal(kRunDocument.begin(), kRunDocument.end(), start.begin());
}

std::shared_ptr<CardRun> run_of_document(std::span<const std::uint8_t> start) {
  if (!is_run_document(start) || start.size() < kRunDocument.size() + kIdLength) return nullptr;
  const std::string id(reinterpret_cast<const char*>(start.data()) + kRunDocument.size(),
                       kIdLength);
  const std::lock_guard guard(runs_lock);
  const auto found = runs.find(id);
  return found != runs.end() && found->second->printing() ? found->second : nullptr;
}

std::unique_ptr<cards::CardSource> run_cards(const CardRun& run, const print::JobOptions& job,
                                             cards::CardProgress progress) {
  auto chosen = chosen_rows(run, run.rows());
  const print::DeviceFacts facts = print::describe_device(job);
  const cards::TemplatePage page{std::uint32_t(facts.page_width),
                                 std::uint32_t(facts.page_height),
                                 print::FitMode::stretch,
                                 {}};
  return cards::template_cards(std::move(chosen), run.settings().stripe(), job.stripe, page,
                               std::move(progress));
}

}  // namespace ymcko::app
