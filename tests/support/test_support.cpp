// Shared test helpers.
#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "engine/engine.h"

namespace ymcko::testing {

void EngineTest::SetUp() {
  engine::clear_allocation_faults();
  engine::fail_semaphore_creation_in(0);
  engine::fail_printer_write_in(0);
  at_start_ = engine::outstanding_total();
}

void EngineTest::TearDown() {
  engine::clear_allocation_faults();
  engine::fail_semaphore_creation_in(0);
  engine::fail_printer_write_in(0);
  auto now = engine::outstanding_total();
  EXPECT_EQ(now.blocks, at_start_.blocks) << "engine blocks left outstanding";
  EXPECT_EQ(now.bytes, at_start_.bytes) << "engine bytes left outstanding";
}

std::vector<std::uint8_t> hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c == ' ' || c == ',' || c == '\n') {
      ++i;
    } else if (c == '"') {
      std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) throw std::invalid_argument("unclosed quote");
      bytes.insert(bytes.end(), text.begin() + i + 1, text.begin() + end);
      i = end + 1;
    } else {
      if (i + 1 >= text.size()) throw std::invalid_argument("odd hex digit");
      bytes.push_back(
          static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
      i += 2;
    }
  }
  return bytes;
}

namespace {

std::string dump(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t to) {
  std::string out;
  char cell[4];
  for (std::size_t i = from; i < std::min(to, bytes.size()); ++i) {
    std::snprintf(cell, sizeof cell, "%02X ", bytes[i]);
    out += cell;
  }
  return out.empty() ? "(end)" : out;
}

}  // namespace

::testing::AssertionResult BytesEqual(std::span<const std::uint8_t> expected,
                                      std::span<const std::uint8_t> actual) {
  std::size_t common = std::min(expected.size(), actual.size());
  std::size_t at =
      std::mismatch(expected.begin(), expected.begin() + common, actual.begin()).first -
      expected.begin();
  if (at == common && expected.size() == actual.size()) return ::testing::AssertionSuccess();

  std::size_t from = at < 8 ? 0 : at - 8;
  return ::testing::AssertionFailure()
         << "streams differ at offset " << at << " (expected " << expected.size() << " bytes, got "
         << actual.size() << ")\n  expected from " << from << ": " << dump(expected, from, at + 8)
         << "\n  actual   from " << from << ": " << dump(actual, from, at + 8);
}

std::vector<KeptInput> kept_inputs(const std::filesystem::path& folder) {
  std::vector<KeptInput> inputs;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    inputs.push_back({entry.path().filename().string(), bytes.str()});
  }
  EXPECT_FALSE(error) << folder << ": " << error.message();
  EXPECT_FALSE(inputs.empty()) << folder << " holds no inputs";
  std::sort(inputs.begin(), inputs.end(),
            [](const KeptInput& a, const KeptInput& b) { return a.name < b.name; });
  return inputs;
}

}  // namespace ymcko::testing
