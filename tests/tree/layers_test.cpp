// The tree's layering, read from the sources: no folder of src/ includes
// another that includes it back (directly or round a longer cycle), the
// driver sees the engine only through its service face, the card-content
// layer and the front ends see src/ only through the print service (and
// the card-content layer), no front end includes another's folder, and no
// include climbs out with "..".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = YMCKO_SOURCE_DIR;

// The layers of the driver: they may take from the engine its service face only.
const std::set<std::string> kDriverLayers = {"rt",       "pool",     "records", "ppd",
                                             "ppdimage", "settings", "output",  "driver"};

struct Include {
  fs::path file;
  std::string target;  // as written between the quotes
};

std::vector<Include> includes_under(const fs::path& folder) {
  static const std::regex directive(R"re(^\s*#\s*include\s*"([^"]+)")re");
  std::vector<Include> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    std::ifstream in(entry.path());
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
      if (std::regex_search(line, match, directive)) found.push_back({entry.path(), match[1]});
    }
  }
  return found;
}

std::string first_folder(const std::string& target) {
  const auto slash = target.find('/');
  return slash == std::string::npos ? std::string() : target.substr(0, slash);
}

// The card-content layer's folders are layers of their own: "cards/images".
std::string layer_of(const std::string& target) {
  const std::string first = first_folder(target);
  if (first != "cards") return first;
  const auto slash = target.find('/', first.size() + 1);
  return slash == std::string::npos ? first : target.substr(0, slash);
}

// The layer a source file belongs to: its folder under `tree`.
std::string layer_of_file(const fs::path& file, const fs::path& tree) {
  return fs::relative(file.parent_path(), tree).string();
}

std::set<std::string> folders_under(const fs::path& tree) {
  std::set<std::string> folders;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    if (entry.is_directory()) folders.insert(fs::relative(entry.path(), tree).string());
  }
  return folders;
}

std::set<std::string> src_folders() { return folders_under(kRoot / "src"); }

// One cycle of the folder graph as "a -> b -> a", or empty when there is none.
std::string find_cycle(const std::map<std::string, std::set<std::string>>& edges) {
  std::map<std::string, int> state;  // 1 on the current path, 2 finished
  std::vector<std::string> path;
  std::string cycle;
  auto visit = [&](auto&& self, const std::string& node) -> bool {
    state[node] = 1;
    path.push_back(node);
    auto out = edges.find(node);
    if (out != edges.end()) {
      for (const std::string& next : out->second) {
        if (state[next] == 1) {
          auto start = std::find(path.begin(), path.end(), next);
          for (auto at = start; at != path.end(); ++at) cycle += *at + " -> ";
          cycle += next;
          return true;
        }
        if (state[next] == 0 && self(self, next)) return true;
      }
    }
    path.pop_back();
    state[node] = 2;
    return false;
  };
  for (const auto& [node, targets] : edges) {
    if (state[node] == 0 && visit(visit, node)) return cycle;
  }
  return {};
}

TEST(Layers, FindsACycleWhereThereIsOne) {
  EXPECT_EQ(find_cycle({{"a", {"b"}}, {"b", {"c"}}, {"c", {}}}), "");
  EXPECT_EQ(find_cycle({{"a", {"b"}}, {"b", {"c"}}, {"c", {"a"}}}), "a -> b -> c -> a");
  EXPECT_EQ(find_cycle({{"a", {"b"}}, {"b", {"b"}}}), "b -> b");
}

TEST(Layers, NoFolderOfSrcIncludesOneThatIncludesItBack) {
  const std::set<std::string> folders = src_folders();
  std::map<std::string, std::set<std::string>> edges;
  for (const Include& include : includes_under(kRoot / "src")) {
    const std::string from = layer_of_file(include.file, kRoot / "src");
    const std::string to = layer_of(include.target);
    if (folders.count(to) && to != from) edges[from].insert(to);
  }
  EXPECT_EQ(find_cycle(edges), "");
}

// Where a layer's include may lead: "" when it may, else why not.
std::string refusal(const std::string& tree, const std::string& from, const std::string& target,
                    const std::set<std::string>& src, const std::set<std::string>& tools) {
  const std::string to = layer_of(target);
  const bool cards = first_folder(target) == "cards";
  if (tree == "tools") {
    if (tools.count(to)) return to == from ? "" : "no front end includes another's folder";
    if (src.count(to) && to != "print" && !cards)
      return "front ends include from src/ only the print service and the card-content layer";
    return "";
  }
  if (first_folder(from) == "cards" && src.count(to) && to != "print" && !cards)
    return "the card-content layer sees src/ only through the print service";
  if (kDriverLayers.count(from) && to == "engine" && target != "engine/engine.h")
    return "the driver sees only the engine's service face";
  if (to == "host" && from != "host" && from != "print")
    return "only the print service drives the host";
  return "";
}

TEST(Layers, EachLayerIncludesOnlyWhatItMaySee) {
  const std::set<std::string> src = src_folders();
  const std::set<std::string> tools = folders_under(kRoot / "tools");
  for (const char* tree : {"src", "tools"}) {
    for (const Include& include : includes_under(kRoot / tree)) {
      const std::string where =
          fs::relative(include.file, kRoot).string() + ": \"" + include.target + "\"";
      EXPECT_EQ(include.target.find(".."), std::string::npos) << where;
      const std::string from = layer_of_file(include.file, kRoot / tree);
      const std::string why = refusal(tree, from, include.target, src, tools);
      EXPECT_TRUE(why.empty()) << where << ": " << why;
    }
  }
}

}  // namespace
