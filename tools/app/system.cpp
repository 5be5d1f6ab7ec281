// The printer application's system: PAPPL's main loop with the card
// printer's driver, the document filters and the labels of the card settings.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "app/card_runs.h"
#include "app/job_pages.h"
#include "app/vendor_attributes.h"

namespace ymcko::app {
namespace {

// Where the main loop puts root's socket (PAPPL as pappl/ configures it).
constexpr const char* kSocketFolder = "/run/ymcko-app";

constexpr const char* kFooter =
    "ymcko: CR-80 cards on the YMCKO card printer, printed from any device.";

pappl_pr_driver_t kDrivers[] = {
    {kDriverName, "ymcko card printer, CR-80 cards (YMCKO ribbon, magnetic stripe)",
     "MFG:ymcko;MDL:card printer;CMD:YMCKO;", nullptr},
};

const char* option(const char* name, int count, cups_option_t* options) {
  return cupsGetOption(name, count, options);
}

// The spool folder PAPPL's own main loop would take: inside $SNAP_COMMON
// when set, under /var/spool for root, in ~/.config otherwise.
std::string spool_folder(const std::string& base) {
  if (const char* common = std::getenv("SNAP_COMMON"))
    return std::string(common) + "/" + base + ".d";
  if (getuid() == 0) return "/var/spool/" + base;
  if (const char* home = std::getenv("HOME")) return std::string(home) + "/.config/" + base + ".d";
  return std::string(papplGetTempDir()) + "/" + base + std::to_string(getuid()) + ".d";
}

// The folder of the printers' card designs, beside PAPPL's state file:
// the option "designs-directory" when given.
std::string designs_folder(const std::string& base, const char* given, const char* state_file) {
  if (given != nullptr) return given;
  if (state_file != nullptr)
    return (std::filesystem::path(state_file).parent_path() / "designs").string();
  if (const char* common = std::getenv("SNAP_COMMON"))
    return std::string(common) + "/" + base + "-designs";
  if (getuid() == 0) return "/var/lib/" + base + "/designs";
  if (const char* config = std::getenv("XDG_CONFIG_HOME"))
    return std::string(config) + "/" + base + "-designs";
  if (const char* home = std::getenv("HOME"))
    return std::string(home) + "/.config/" + base + "-designs";
  return std::string(papplGetTempDir()) + "/" + base + std::to_string(getuid()) + "-designs";
}

pappl_loglevel_t log_level(const char* name) {
  static const std::pair<const char*, pappl_loglevel_t> levels[] = {
      {"fatal", PAPPL_LOGLEVEL_FATAL}, {"error", PAPPL_LOGLEVEL_ERROR},
      {"warn", PAPPL_LOGLEVEL_WARN},   {"info", PAPPL_LOGLEVEL_INFO},
      {"debug", PAPPL_LOGLEVEL_DEBUG},
  };
  for (const auto& [text, level] : levels) {
    if (name != nullptr && std::strcmp(name, text) == 0) return level;
  }
  return PAPPL_LOGLEVEL_WARN;
}

// The "server-options" words PAPPL's main loop knows.
pappl_soptions_t server_options(const char* words) {
  pappl_soptions_t options = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE;
  static const std::pair<const char*, pappl_soptions_t> added[] = {
      {"dnssd-host", PAPPL_SOPTIONS_DNSSD_HOST},     {"raw-socket", PAPPL_SOPTIONS_RAW_SOCKET},
      {"usb-printer", PAPPL_SOPTIONS_USB_PRINTER},   {"web-log", PAPPL_SOPTIONS_WEB_LOG},
      {"web-network", PAPPL_SOPTIONS_WEB_NETWORK},   {"web-remote", PAPPL_SOPTIONS_WEB_REMOTE},
      {"web-security", PAPPL_SOPTIONS_WEB_SECURITY}, {"no-tls", PAPPL_SOPTIONS_NO_TLS},
  };
  std::string text = words != nullptr ? words : "";
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(',', start), text.size());
    const std::string word = text.substr(start, end - start);
    if (word == "none") options = PAPPL_SOPTIONS_NONE;
    if (word == "no-multi-queue") options &= ~pappl_soptions_t(PAPPL_SOPTIONS_MULTI_QUEUE);
    if (word == "no-web-interface") options &= ~pappl_soptions_t(PAPPL_SOPTIONS_WEB_INTERFACE);
    for (const auto& [name, bit] : added) {
      if (word == name) options |= bit;
    }
    start = end + 1;
  }
  return options;
}

// The system as PAPPL's main loop makes it from its options, with the
// document filters and the labels of the card settings.
pappl_system_t* make_system(int count, cups_option_t* options, void* context) {
  const std::string& base = *static_cast<const std::string*>(context);
  // A whole number option from `low` to `high`; false, having said so, for any other text.
  auto number = [&](const char* name, long low, long high, const char* what, int& value) {
    const char* text = option(name, count, options);
    if (text == nullptr) return true;
    char* end = nullptr;
    const long given = std::strtol(text, &end, 10);
    if (*text == 0 || *end != 0 || given < low || given > high) {
      std::fprintf(stderr, "%s: %s: \"%s\" is not %s\n", base.c_str(), name, text, what);
      return false;
    }
    value = int(given);
    return true;
  };
  int port = 0, document_timeout = 60;
  if (!number("server-port", 0, 65535, "a port number", port) ||
      !number("document-timeout", 1, 86400, "a number of seconds from 1 to 86400",
              document_timeout))
    return nullptr;
  const char* folder = option("spool-directory", count, options);
  const std::string spool = folder != nullptr ? folder : spool_folder(base);
  // Documents are personal data: the spool is the server user's alone.
  std::error_code ignored;
  std::filesystem::create_directories(spool, ignored);
  std::filesystem::permissions(spool, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace, ignored);

  // The state file's folder, the server user's alone, is made when missing.
  const char* state_file = option("state-file", count, options);
  if (state_file != nullptr) {
    const std::filesystem::path folder = std::filesystem::path(state_file).parent_path();
    if (!folder.empty() && std::filesystem::create_directories(folder, ignored))
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ignored);
    if (*state_file == 0 || std::filesystem::is_directory(state_file, ignored) ||
        (!folder.empty() && !std::filesystem::is_directory(folder, ignored))) {
      std::fprintf(stderr, "%s: state-file: \"%s\" is not a file in a folder the server can make\n",
                   base.c_str(), state_file);
      return nullptr;
    }
  }

  pappl_system_t* system = papplSystemCreate(
      server_options(option("server-options", count, options)), base.c_str(), port,
      "_print,_universal", spool.c_str(), option("log-file", count, options),
      log_level(option("log-level", count, options)), option("auth-service", count, options),
      false);
  if (system == nullptr) return nullptr;
  papplSystemSetDocumentTimeout(system, document_timeout);
  // File devices write only in the folder the administrator names here.
  if (const char* files = option("file-device-folder", count, options)) {
    if (!papplDeviceSetFileFolder(files)) {
      std::fprintf(stderr, "%s: file-device-folder: \"%s\" is not a folder\n", base.c_str(), files);
      papplSystemDelete(system);
      return nullptr;
    }
  }
  if (const char* group = option("admin-group", count, options))
    papplSystemSetAdminGroup(system, group);
  if (const char* host = option("server-hostname", count, options))
    papplSystemSetHostName(system, host);
  if (option("private-server", count, options) == nullptr)
    papplSystemAddListeners(system, option("listen-hostname", count, options));

  // The drivers with the callback that gives each printer, made or loaded,
  // its supplies (PAPPL's main loop would set them without one).
  papplSystemSetPrinterDrivers(system, 1, kDrivers, nullptr, printer_created, driver_callback,
                               context);
  papplSystemSetJobAttributesCallback(system, check_job_attributes, nullptr);
  papplSystemSetDefaultsCallback(system, check_defaults, nullptr);
  // The defaults page shows the job defaults; the printer's set-up and the
  // card layout have pages of their own.
  papplSystemSetDefaultShownCallback(system, default_shown, nullptr);
  // A job's previews are kept as long as the job is in the history.
  set_spool(spool);
  // Card designs are kept; card runs are held in the spool, and looked
  // over every half minute for those that have ended.
  set_card_folders(designs_folder(base, option("designs-directory", count, options), state_file),
                   std::filesystem::path(spool) / "ymcko-runs");
  papplSystemAddTimerCallback(system, 0, 30, sweep_runs, nullptr);
  papplSystemSetJobRemovedCallback(system, job_removed, nullptr);
  // The stripe's texts are personal data: no client reads them back.
  papplSystemSetPrivateJobAttributes(system, kPrivateReport, int(private_attributes().size()),
                                     private_attributes().data());
  // PAPPL looks for a filter to the driver's format first.
  for (const char* format : kDocumentFormats)
    papplSystemAddMIMEFilter(system, format, kJobFormat, print_document, nullptr);
  for (const char* format : kRasterFormats)
    papplSystemAddMIMEFilter(system, format, kJobFormat, print_raster, nullptr);
  // A job the tool made, sent without its format, is known by its start.
  papplSystemSetMIMECallback(system, document_type, nullptr);
  papplSystemAddMIMEFilter(system, "application/octet-stream", kJobFormat, print_untyped, nullptr);
  static const std::string strings = vendor_strings() + "\"media." + kCardMedium +
                                     "\" = \"ID-1 card (CR-80)\";\n\"media." + kLandscapeCard +
                                     "\" = \"CR-80 card, landscape\";\n\"media." + kPortraitCard +
                                     "\" = \"CR-80 card, portrait\";\n"
                                     "\"printer-state-reasons.identify-printer-requested\" = "
                                     "\"asked to identify itself\";\n";
  papplSystemAddStringsData(system, "/ymcko-en.strings", "en", strings.c_str());

  // A service names its state file: PAPPL's main loop would keep root's in
  // /var/lib itself, which a hardened service may not write. Loaded once
  // the drivers are known, as the main loop loads its own.
  if (state_file != nullptr) {
    static std::string state;
    state = state_file;
    papplSystemLoadState(system, state.c_str());
    papplSystemSetSaveCallback(system, reinterpret_cast<pappl_save_cb_t>(papplSystemSaveState),
                               state.data());
  }
  // Root's server listens on a socket in a folder of its own in /run.
  if (getuid() == 0 && std::getenv("SNAP_COMMON") == nullptr) ::mkdir(kSocketFolder, 0755);
  return system;
}

}  // namespace

int run(int argc, char* argv[]) {
  static std::string base = std::filesystem::path(argv[0]).filename().string();
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s %s\n", base.c_str(), YMCKO_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  const int status = papplMainloop(argc, argv, YMCKO_VERSION, kFooter, 1, kDrivers, nullptr,
                                   driver_callback, nullptr, nullptr, make_system, nullptr, &base);
  // A server's card runs end with it.
  end_card_runs();
  return status;
}

}  // namespace ymcko::app
