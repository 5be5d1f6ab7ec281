// The job pages and the previews behind them: a job's record is written
// into its folder as the job prints, and read back by the pages.
#include "app/job_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "app/vendor_attributes.h"
#include "app/web_pages.h"
#include "cards/images/png_write.h"
#include "cards/jobs/previews.h"

namespace ymcko::app {
namespace {

namespace fs = std::filesystem;
namespace js = jobstream;

// Set once, before the server runs.
fs::path spool_root, preview_root;

// The folder of a job's previews.
fs::path job_folder(int printer_id, int job_id) {
  return preview_root / ("p" + std::to_string(printer_id) + "-j" + std::to_string(job_id));
}

std::string side_file(std::size_t card, bool back) {
  return "card" + std::to_string(card) + (back ? "-back.png" : "-front.png");
}

// The lines of a job's record file: "setting LABEL<tab>WORDS" from the
// start, and once the job has printed "stripe CARD TRACKS", "cards 7",
// "pages 7" and "shown 7".
struct Record {
  bool found = false;
  bool finished = false;
  std::size_t cards = 0;
  std::size_t pages = 0;
  std::size_t shown = 0;
  std::map<std::size_t, std::string> stripes;
  std::vector<std::pair<std::string, std::string>> settings;
};

// A count of the record; 0 for anything else.
std::size_t count_of(const std::string& text) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  return *end == 0 && value < 100000000 ? std::size_t(value) : 0;
}

Record read_record(const fs::path& folder) {
  Record record;
  std::ifstream in(folder / "record");
  record.found = bool(in);
  for (std::string line; std::getline(in, line);) {
    const std::size_t space = line.find(' ');
    const std::string word = line.substr(0, space), rest = line.substr(space + 1);
    if (word == "cards") record.finished = true, record.cards = count_of(rest);
    if (word == "pages") record.pages = count_of(rest);
    if (word == "shown") record.shown = std::min(count_of(rest), kCardsShown);
    if (word == "stripe") {
      const std::size_t at = rest.find(' ');
      record.stripes[count_of(rest.substr(0, at))] = rest.substr(at + 1);
    }
    if (word == "setting") {
      const std::size_t tab = rest.find('\t');
      record.settings.emplace_back(rest.substr(0, tab), rest.substr(tab + 1));
    }
  }
  return record;
}

// "1 3" as "1 and 3".
std::string listed(const std::string& tracks) {
  std::vector<std::string> numbers;
  std::istringstream in(tracks);
  for (std::string number; in >> number;) numbers.push_back(number);
  std::string text;
  for (std::size_t i = 0; i < numbers.size(); ++i)
    text += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + numbers[i];
  return text;
}

}  // namespace

bool write_private(const fs::path& path, std::span<const std::uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool written = ::fchmod(fd, 0600) == 0;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    written = wrote > 0;
    done += written ? std::size_t(wrote) : 0;
  }
  return ::close(fd) == 0 && written;
}

bool write_private(const fs::path& path, const std::string& text) {
  return write_private(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void set_spool(const fs::path& spool) {
  spool_root = spool;
  preview_root = spool / "ymcko-previews";
}

const fs::path& spool() { return spool_root; }

JobRecord::JobRecord(pappl_job_t* job, bool landscape, const print::CardSettings* settings)
    : folder_(job_folder(papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job))),
      landscape_(landscape),
      reader_({[this](const js::Command& command) { take_command(command); },
               [this](cards::SidePrint&& side) { take_side(std::move(side)); }}) {
  sweep_previews(papplPrinterGetSystem(papplJobGetPrinter(job)));
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
  fs::create_directories(folder_, ignored);
  fs::permissions(preview_root, fs::perms::owner_all, fs::perm_options::replace, ignored);
  fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace, ignored);
  std::string text;
  if (settings != nullptr) {
    const auto copies = settings->get<std::int64_t>("copies");
    text += "setting Copies of each card\t" + std::to_string(copies.value_or(1)) + "\n";
    text +=
        std::string("setting Card orientation\t") + (landscape ? "landscape" : "portrait") + "\n";
    // The job's own settings, then the printer's set-up.
    for (const SettingPage page :
         {SettingPage::defaults, SettingPage::layout, SettingPage::setup}) {
      for (const VendorSetting& setting : vendor_settings()) {
        if (setting.page != page) continue;
        const print::SettingValue* given = settings->find(setting.row->key);
        const print::SettingValue value = given ? *given : print::default_value(*setting.row);
        text +=
            "setting " + setting.label + "\t" + value_in_words(setting, value, landscape) + "\n";
      }
    }
  }
  if (!write_private(folder_ / "record", text)) {
    papplLogJob(job, PAPPL_LOGLEVEL_WARN, "The job's page cannot be written in \"%s\".",
                folder_.c_str());
    reading_ = false;
  }
}

JobRecord::~JobRecord() {
  end_drawing();
  // A job that failed printed no card the page could vouch for.
  if (!finished_) {
    for (std::size_t card = 1; card <= shown_; ++card) {
      std::error_code ignored;
      fs::remove(folder_ / side_file(card, false), ignored);
      fs::remove(folder_ / side_file(card, true), ignored);
    }
  }
}

void JobRecord::stream(std::span<const std::uint8_t> bytes) {
  // A card at a time, so that a long job is read no further than shown.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  for (std::size_t at = 0; reading_ && at < bytes.size(); at += kPiece) {
    reader_.feed(bytes.subspan(at, std::min(kPiece, bytes.size() - at)));
    if (reader_.fault() || reader_.cards() > kCardsShown) reading_ = false;
  }
}

void JobRecord::take_command(const js::Command& command) {
  // A card's stripe comes before its start.
  if (const auto* stripe = std::get_if<js::Stripe>(&command.body)) {
    tracks_.clear();
    const std::string* texts[] = {&stripe->track1, &stripe->track2, &stripe->track3};
    for (int t = 0; t < 3 && stripe->mode != 'Q'; ++t) {
      if (!texts[t]->empty()) tracks_ += (tracks_.empty() ? "" : " ") + std::to_string(t + 1);
    }
  } else if (std::holds_alternative<js::CardStart>(command.body)) {
    const std::size_t card = reader_.cards() + 1;  // counted once it is taken
    if (card <= kCardsShown && !tracks_.empty())
      stripes_ += "stripe " + std::to_string(card) + " " + tracks_ + "\n";
    tracks_.clear();
  }
}

void JobRecord::take_side(cards::SidePrint&& side) {
  if (side.card > kCardsShown) return;
  shown_ = std::max(shown_, side.card);
  // A few sides wait at most, so that a slow disk holds the job back
  // rather than its memory growing.
  constexpr std::size_t kWaiting = 4;
  std::unique_lock guard(lock_);
  if (!drawing_.joinable()) drawing_ = std::thread([this] { draw_sides(); });
  moved_.wait(guard, [this] { return sides_.size() < kWaiting; });
  sides_.push_back(std::move(side));
  guard.unlock();
  moved_.notify_all();
}

void JobRecord::draw_sides() {
  for (;;) {
    cards::SidePrint side;
    {
      std::unique_lock guard(lock_);
      moved_.wait(guard, [this] { return ending_ || !sides_.empty(); });
      if (sides_.empty()) return;
      side = std::move(sides_.front());
      sides_.pop_front();
    }
    moved_.notify_all();
    const cards::Picture picture = cards::held_preview(side, landscape_);
    try {
      write_private(folder_ / side_file(side.card, side.back),
                    cards::encode_png(side_file(side.card, side.back), picture.width,
                                      picture.height, 3, picture.rgb));
    } catch (const std::exception&) {
      // A preview that cannot be made leaves its card without a picture.
    }
  }
}

// Waits for the pictures of the sides taken.
void JobRecord::end_drawing() {
  {
    const std::lock_guard guard(lock_);
    ending_ = true;
  }
  moved_.notify_all();
  if (drawing_.joinable()) drawing_.join();
}

void JobRecord::finish(std::size_t cards, std::size_t pages) {
  end_drawing();
  finished_ = true;
  // A job read whole and cancelled part-way printed fewer cards than it
  // previewed.
  for (; shown_ > cards; --shown_) {
    std::error_code ignored;
    fs::remove(folder_ / side_file(shown_, false), ignored);
    fs::remove(folder_ / side_file(shown_, true), ignored);
  }
  std::ifstream in(folder_ / "record");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  text += stripes_ + "cards " + std::to_string(cards) + "\npages " + std::to_string(pages) +
          "\nshown " + std::to_string(shown_) + "\n";
  write_private(folder_ / "record", text);
}

void job_removed(pappl_job_t* job, void*) {
  // Called with the printer's lock held: only the files are touched.
  std::error_code ignored;
  fs::remove_all(job_folder(papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job)),
                 ignored);
}

void sweep_previews(pappl_system_t* system) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(preview_root, error)) {
    int printer_id = 0, job_id = 0;
    pappl_printer_t* printer = nullptr;
    if (std::sscanf(entry.path().filename().c_str(), "p%d-j%d", &printer_id, &job_id) == 2)
      printer = papplSystemFindPrinter(system, nullptr, printer_id, nullptr);
    if (printer == nullptr || papplPrinterFindJob(printer, job_id) == nullptr) {
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
  }
}

namespace {

// The job of the request's "job" field, or null.
pappl_job_t* requested_job(pappl_client_t* client, pappl_printer_t* printer,
                           std::map<std::string, std::string>& fields) {
  fields = form_fields(client);
  const auto id = fields.find("job");
  if (id == fields.end()) return nullptr;
  char* end = nullptr;
  const long number = std::strtol(id->second.c_str(), &end, 10);
  if (id->second.empty() || *end != 0 || number < 1 || number > INT32_MAX) return nullptr;
  return papplPrinterFindJob(printer, int(number));
}

void job_row(pappl_job_t* job, void* data) {
  auto* client = static_cast<pappl_client_t*>(data);
  pappl_printer_t* printer = papplJobGetPrinter(job);
  const int id = papplJobGetID(job);
  papplClientHTMLPrintf(client,
                        "              <tr><td><a href=\"%s?job=%d\">%d</a></td><td>%s</td>"
                        "<td>%s</td><td>%d</td></tr>\n",
                        page_path(printer, "cards").c_str(), id, id, papplJobGetName(job),
                        ippEnumString("job-state", int(papplJobGetState(job))),
                        papplJobGetImpressionsCompleted(job));
}

void job_list(pappl_client_t* client, pappl_printer_t* printer) {
  papplClientHTMLPrinterHeader(client, printer, "Cards", 0, nullptr, nullptr);
  const int jobs = papplPrinterGetNumberOfJobs(printer);
  if (jobs == 0) {
    papplClientHTMLPuts(client, "          <p>No jobs in history.</p>\n");
  } else {
    papplClientHTMLPuts(client,
                        "          <table class=\"list\" summary=\"Jobs\">\n"
                        "            <thead><tr><th>Job #</th><th>Name</th><th>Status</th>"
                        "<th>Pages</th></tr></thead>\n            <tbody>\n");
    papplPrinterIterateAllJobs(printer, job_row, client, 1, jobs);
    papplClientHTMLPuts(client, "            </tbody>\n          </table>\n");
  }
  papplClientHTMLPrinterFooter(client);
}

void job_page(pappl_client_t* client, pappl_printer_t* printer, pappl_job_t* job) {
  const int id = papplJobGetID(job);
  const Record record = read_record(job_folder(papplPrinterGetID(printer), id));
  const std::string title = "Job " + std::to_string(id);
  papplClientHTMLPrinterHeader(client, printer, title.c_str(), 0, "All Jobs' Cards",
                               page_path(printer, "cards").c_str());
  papplClientHTMLPrintf(client, "          <h2 class=\"title\">%s</h2>\n", papplJobGetName(job));
  const ipp_jstate_t state = papplJobGetState(job);
  papplClientHTMLPrintf(client, "          <p>%s", ippEnumString("job-state", int(state)));
  if (record.finished) {
    papplClientHTMLPrintf(client, ", %d card%s printed", int(record.cards),
                          record.cards == 1 ? "" : "s");
    if (record.pages != 0) {
      papplClientHTMLPrintf(client, " from %d page%s", int(record.pages),
                            record.pages == 1 ? "" : "s");
    }
  } else if (state < IPP_JSTATE_STOPPED) {
    papplClientHTMLPuts(client, ", its cards are shown once it has printed");
  }
  papplClientHTMLPuts(client, ".</p>\n");
  if (!record.found && state >= IPP_JSTATE_STOPPED)
    papplClientHTMLPuts(client, "          <p>Its cards were not recorded.</p>\n");
  if (const char* message = papplJobGetMessage(job); message != nullptr && *message != 0)
    papplClientHTMLPrintf(client, "          <p>%s</p>\n", message);

  // Each card front and back, as the card is held.
  const std::string images = page_path(printer, "cards.png");
  for (std::size_t card = 1; card <= record.shown; ++card) {
    papplClientHTMLPrintf(client, "          <h3>Card %d</h3>\n          <div class=\"row\">\n",
                          int(card));
    for (const bool back : {false, true}) {
      std::error_code ignored;
      if (!fs::exists(job_folder(papplPrinterGetID(printer), id) / side_file(card, back), ignored))
        continue;
      papplClientHTMLPrintf(
          client,
          "            <figure class=\"col-6\"><img src=\"%s?job=%d&amp;card=%d&amp;side=%s\" "
          "alt=\"Card %d, %s\" style=\"width: 100%%; border: 1px solid #999;\">"
          "<figcaption>%s</figcaption></figure>\n",
          images.c_str(), id, int(card), back ? "back" : "front", int(card),
          back ? "back" : "front", back ? "Back" : "Front");
    }
    papplClientHTMLPuts(client, "          </div>\n");
    const auto stripe = record.stripes.find(card);
    if (stripe != record.stripes.end()) {
      papplClientHTMLPrintf(client, "          <p>Magnetic stripe written: track%s %s.</p>\n",
                            stripe->second.size() > 1 ? "s" : "", listed(stripe->second).c_str());
    }
  }
  if (record.finished && record.cards > record.shown) {
    const std::size_t more = record.cards - record.shown;
    papplClientHTMLPrintf(client, "          <p>And %d more card%s, not shown.</p>\n", int(more),
                          more == 1 ? "" : "s");
  }

  if (!record.found) {
    papplClientHTMLPrinterFooter(client);
    return;
  }
  papplClientHTMLPuts(client, "          <h3>Settings</h3>\n");
  if (record.settings.empty()) {
    papplClientHTMLPuts(client,
                        "          <p>The job came ready for the printer: its settings are "
                        "those it was made with.</p>\n");
  } else {
    papplClientHTMLPuts(client, "          <table class=\"form\">\n            <tbody>\n");
    for (const auto& [label, words] : record.settings) {
      papplClientHTMLPrintf(client, "              <tr><th>%s:</th><td>%s</td></tr>\n",
                            label.c_str(), words.c_str());
    }
    papplClientHTMLPuts(client, "            </tbody>\n          </table>\n");
  }
  papplClientHTMLPrinterFooter(client);
}

// The cards page: every job of the history, or one job's cards.
bool cards_page(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!papplClientHTMLAuthorize(client)) return true;
  sweep_previews(papplPrinterGetSystem(printer));
  std::map<std::string, std::string> fields;
  if (pappl_job_t* job = requested_job(client, printer, fields))
    job_page(client, printer, job);
  else if (fields.count("job") != 0)
    papplClientRespond(client, HTTP_STATUS_NOT_FOUND, nullptr, nullptr, 0, 0);
  else
    job_list(client, printer);
  return true;
}

// A card side's preview, of a job still in the history.
bool card_image(pappl_client_t* client, void* data) {
  auto* printer = static_cast<pappl_printer_t*>(data);
  if (!papplClientHTMLAuthorize(client)) return true;
  std::map<std::string, std::string> fields;
  pappl_job_t* job = requested_job(client, printer, fields);
  const std::string card = fields["card"], side = fields["side"];
  std::vector<char> bytes;
  const std::size_t number = count_of(card);
  if (job != nullptr && number >= 1 && number <= kCardsShown &&
      (side == "front" || side == "back")) {
    std::ifstream in(job_folder(papplPrinterGetID(printer), papplJobGetID(job)) /
                         side_file(number, side == "back"),
                     std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return respond_png(client,
                     std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace

void add_job_pages(pappl_printer_t* printer) {
  pappl_system_t* system = papplPrinterGetSystem(printer);
  const std::string cards = page_path(printer, "cards");
  papplSystemAddResourceCallback(system, cards.c_str(), "text/html", cards_page, printer);
  papplSystemAddResourceCallback(system, page_path(printer, "cards.png").c_str(), "image/png",
                                 card_image, printer);
  papplPrinterAddLink(printer, "Cards", cards.c_str(),
                      pappl_loptions_t(PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_JOB));
}

}  // namespace ymcko::app
