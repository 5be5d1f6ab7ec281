// The manual page and the bash completion, walked from the command line.
#include "ymcko/manual.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "print/card_settings.h"
#include "ymcko/cli.h"

namespace ymcko::tool {
namespace {

std::string joined(const std::vector<std::string>& words, const char* between) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : between) + word;
  return text;
}

// A command as its words name it ("template", "check") and its app.
struct Command {
  std::vector<std::string> words;
  const CLI::App* app;
  std::string path() const { return joined(words, " "); }
};

// The commands a user runs, depth first; a command with commands of its own
// is only their path. Hidden ones (no group) are left out.
void collect_commands(const CLI::App& app, const std::vector<std::string>& words,
                      std::vector<Command>& out) {
  const auto subcommands = app.get_subcommands(
      [](const CLI::App* sub) { return !sub->get_name().empty() && !sub->get_group().empty(); });
  if (subcommands.empty() && !words.empty()) out.push_back({words, &app});
  for (const CLI::App* sub : subcommands) {
    std::vector<std::string> longer = words;
    longer.push_back(sub->get_name());
    collect_commands(*sub, longer, out);
  }
}

std::vector<Command> commands_of(const CLI::App& app) {
  std::vector<Command> commands;
  collect_commands(app, {}, commands);
  return commands;
}

// The options of a command, its option groups' among them, in their order.
std::vector<const CLI::Option*> options_of(const CLI::App& app) {
  std::vector<const CLI::Option*> options = app.get_options();
  for (const CLI::App* group :
       app.get_subcommands([](const CLI::App* sub) { return sub->get_name().empty(); })) {
    const std::vector<const CLI::Option*> more = group->get_options();
    options.insert(options.end(), more.begin(), more.end());
  }
  return options;
}

// An option's names as a command line gives them: "-o", "--output".
std::vector<std::string> names_of(const CLI::Option* option) {
  std::vector<std::string> names;
  for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  return names;
}

// The flags of the settings table, a boolean's "--no-" and the orientation's
// one flag per choice among them.
std::set<std::string> settings_flags() {
  std::set<std::string> flags;
  for (const print::Setting& setting : print::settings_table()) {
    const std::string flag = flag_for(setting);
    flags.insert(flag);
    flags.insert("--no-" + flag.substr(2));
    for (std::string_view choice : setting.choices) flags.insert("--" + std::string(choice));
  }
  return flags;
}

// A settings flag, of a command that takes settings (inspect's --portrait is its own).
bool is_setting(const CLI::App& command, const CLI::Option* option,
                const std::set<std::string>& flags) {
  if (command.get_option_no_throw("--settings") == nullptr) return false;
  for (const std::string& name : names_of(option)) {
    if (flags.count(name)) return true;
  }
  return false;
}

bool is_help(const CLI::Option* option) {
  const auto& names = option->get_lnames();
  return std::find(names.begin(), names.end(), "help") != names.end();
}

// Text as roff reads it: backslashes and minus signs escaped, and a line
// that would start with a request's dot or quote made plain text.
std::string roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// "\fB-o\fR, \fB--output\fR \fIOUT\fR", or "\fIPAGE\fR..." for a positional.
std::string option_heading(const CLI::Option* option) {
  if (option->get_positional()) {
    return "\\fI" + roff(option->get_name(true)) + "\\fR" +
           (option->get_items_expected_max() > 1 ? "..." : "");
  }
  std::vector<std::string> names;
  for (const std::string& name : names_of(option)) names.push_back("\\fB" + roff(name) + "\\fR");
  std::string heading = joined(names, ", ");
  if (option->get_expected_min() > 0) heading += " \\fI" + roff(option->get_type_name()) + "\\fR";
  return heading;
}

void write_setting(const print::Setting& setting, const CLI::App& print, std::ostream& out) {
  const std::string flag = flag_for(setting);
  const CLI::Option* option = print.get_option_no_throw(flag);
  std::string heading;
  if (setting.kind == print::SettingKind::boolean) {
    heading = "\\fB" + roff(flag) + "\\fR, \\fB" + roff("--no-" + flag.substr(2)) + "\\fR";
  } else if (option == nullptr) {
    // One flag per choice (the orientation).
    std::vector<std::string> flags;
    for (std::string_view choice : setting.choices)
      flags.push_back("\\fB" + roff("--" + std::string(choice)) + "\\fR");
    heading = joined(flags, ", ");
  } else {
    heading = "\\fB" + roff(flag) + "\\fR \\fI" + roff(option->get_type_name()) + "\\fR";
  }
  out << ".TP\n" << heading << "\n" << roff(std::string(setting.help)) << ".\n";
  if (setting.kind == print::SettingKind::integer &&
      setting.help.find(std::to_string(setting.max)) == std::string_view::npos)
    out << "From " << setting.min << " to " << setting.max << ".\n";
  if (option != nullptr && !option->get_default_str().empty())
    out << "Default: " << roff(option->get_default_str()) << ".\n";
  out << "Settings file key: \\fB" << roff(std::string(setting.key)) << "\\fR";
  if (!setting.ppd_keyword.empty())
    out << "; CUPS option: \\fB" << roff(std::string(setting.ppd_keyword)) << "\\fR";
  if (!setting.ipp_attribute.empty())
    out << "; printer application: \\fB" << roff(std::string(setting.ipp_attribute)) << "\\fR";
  out << ".\n";
  if (setting.personal) out << "Personal data: a job's alone, never kept as a default.\n";
}

}  // namespace

void write_manual(const CLI::App& app, std::ostream& out) {
  const std::vector<Command> commands = commands_of(app);
  const std::set<std::string> flags = settings_flags();
  const CLI::App& print = *app.get_subcommand("print");
  // The whatis line: the description as a phrase.
  std::string summary = app.get_description();
  if (!summary.empty()) summary[0] = char(std::tolower(static_cast<unsigned char>(summary[0])));
  if (!summary.empty() && summary.back() == '.') summary.pop_back();

  out << ".TH YMCKO 1 \"\" \"ymcko " << YMCKO_VERSION << "\" \"User Commands\"\n"
      << ".SH NAME\nymcko \\- " << roff(summary) << "\n"
      << ".SH SYNOPSIS\n";
  for (const Command& command : commands)
    out << ".B ymcko " << command.path() << "\n[\\fIOPTIONS\\fR]\n.br\n";
  out << ".B ymcko \\-\\-version\n"
      << ".SH DESCRIPTION\n"
         "\\fBymcko\\fR makes the printer command stream of a thermal colour card printer "
         "(CR\\-80 cards; yellow, magenta, cyan, black and overlay panels; magnetic stripe) "
         "from card images, PDF pages, a CSV manifest or an SVG design with variable data, "
         "and writes it to a file, a printer's device or a socket.\n"
         "It reads jobs back to list, check and preview them.\n"
         ".PP\nEvery error is one line naming the input and what is wrong; a job that fails "
         "leaves no output behind.\n"
      << ".SH COMMANDS\n";
  for (const Command& command : commands) {
    out << ".SS \"" << command.path() << "\"\n" << roff(command.app->get_description()) << ".\n";
    bool settings = false;
    for (const CLI::Option* option : options_of(*command.app)) {
      if (is_help(option)) continue;
      if (is_setting(*command.app, option, flags)) {
        settings = true;
        continue;
      }
      std::string text = option->get_description();
      const std::string fallback = option->get_default_str();
      if (!fallback.empty() && text.find("default") == std::string::npos)
        text += " (default " + fallback + ")";
      if (option->get_required()) text += " (required)";
      out << ".TP\n" << option_heading(option) << "\n" << roff(text) << "\n";
    }
    if (settings) out << ".PP\nIt takes every setting of \\fBSETTINGS\\fR as well.\n";
  }
  out << ".SH SETTINGS\n"
         "A job's settings come from the driver's defaults, then a JSON file given by "
         "\\fB\\-\\-settings\\fR (an object of the keys below, all optional), then the flags. "
         "The same settings are the CUPS queue's options (\\fBlp \\-o\\fR) and the printer "
         "application's job attributes.\n";
  for (const print::Setting& setting : print::settings_table()) write_setting(setting, print, out);
  out << ".SH \"EXIT STATUS\"\n0 success, 1 a runtime or input error, 2 a usage error.\n"
      << ".SH EXAMPLES\n"
         ".EX\nymcko print \\-\\-demo \\-o demo.prn\n"
         "ymcko print front.png back.png \\-\\-side\\-mode 1 \\-o card.prn\n"
         "ymcko print \\-\\-template card.svg \\-\\-data people.csv \\-\\-mag\\-encoder "
         "\\-\\-mag\\-mode W \\-o socket://printer.local\n"
         "ymcko inspect card.prn \\-\\-png previews\n.EE\n"
      << ".SH \"SEE ALSO\"\n\\fBymcko\\-app\\fR(1), \\fBrastertoymcko\\fR(8), "
         "\\fBlpadmin\\fR(8)\n";
}

void write_bash_completion(const CLI::App& app, std::ostream& out) {
  // Each path a command line can be at ("", "template", "template check"):
  // the commands that may follow it and its options.
  struct Step {
    std::vector<std::string> children, options;
  };
  std::map<std::string, Step> paths;
  // Options that take a value: a setting's choices, or a file.
  std::set<std::string> value_options;
  const auto add_options = [&](const CLI::App& command, Step& step) {
    for (const CLI::Option* option : options_of(command)) {
      for (const std::string& name : names_of(option)) {
        step.options.push_back(name);
        if (option->get_expected_min() > 0) value_options.insert(name);
      }
    }
  };
  add_options(app, paths[""]);
  for (const Command& command : commands_of(app)) {
    for (std::size_t depth = 0; depth < command.words.size(); ++depth) {
      const std::vector<std::string> before(command.words.begin(), command.words.begin() + depth);
      std::vector<std::string>& children = paths[joined(before, " ")].children;
      if (std::find(children.begin(), children.end(), command.words[depth]) == children.end())
        children.push_back(command.words[depth]);
    }
    add_options(*command.app, paths[command.path()]);
  }

  out << "# bash completion for ymcko, written by `ymcko completion bash`.\n"
         "_ymcko() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  local command='' i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case \"$command:${COMP_WORDS[i]}\" in\n";
  for (const auto& [path, step] : paths) {
    for (const std::string& child : step.children) {
      const std::string next = path.empty() ? child : path + " " + child;
      out << "      '" << path << ":" << child << "') command='" << next << "' ;;\n";
    }
  }
  out << "    esac\n"
         "  done\n"
         "  case $prev in\n";
  for (const print::Setting& setting : print::settings_table()) {
    const std::string flag = flag_for(setting);
    if (setting.kind != print::SettingKind::choice || !value_options.count(flag)) continue;
    out << "    " << flag << ") COMPREPLY=($(compgen -W '";
    for (std::size_t i = 0; i < setting.choices.size(); ++i)
      out << (i ? " " : "") << setting.choices[i];
    out << "' -- \"$cur\")); return ;;\n";
    value_options.erase(flag);
  }
  if (!value_options.empty()) {
    out << "    " << joined({value_options.begin(), value_options.end()}, "|") << ")\n"
        << "      COMPREPLY=($(compgen -f -- \"$cur\")); compopt -o filenames 2>/dev/null; return "
           ";;\n";
  }
  out << "  esac\n"
         "  local children='' options=''\n"
         "  case $command in\n";
  for (const auto& [path, step] : paths) {
    out << "    '" << path << "') children='" << joined(step.children, " ") << "' options='"
        << joined(step.options, " ") << "' ;;\n";
  }
  out << "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  elif [[ -n $children ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$children\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\")); compopt -o filenames 2>/dev/null\n"
         "  fi\n"
         "}\n"
         "complete -F _ymcko ymcko\n";
}

}  // namespace ymcko::tool
