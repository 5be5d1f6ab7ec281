// Shared test helpers: leak checks through the engine's ledger, and byte
// stream comparison that shows where two streams part.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "host/host_printer.h"
#include "print/sink.h"
#include "support/test_support.h"

namespace ymcko::testing {

// A test that must end with no more engine memory outstanding than it began
// with, and with no fault hooks left armed.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  engine::AllocationCount at_start_;
};

// A host printer's job bytes, kept in `sink`.
inline host::SpoolWrite spool_into(print::MemorySink& sink) {
  return [&sink](std::span<const BYTE> bytes) { return sink.write(bytes); };
}

// Bytes from a string of two-digit hex values and double-quoted text, for
// example hex(R"(1B "R00" 0D)").
std::vector<std::uint8_t> hex(std::string_view text);

// Compares two byte streams; on failure names the first differing offset and
// shows the bytes around it from both sides.
::testing::AssertionResult BytesEqual(std::span<const std::uint8_t> expected,
                                      std::span<const std::uint8_t> actual);

// One kept input: its file name and bytes.
struct KeptInput {
  std::string name;
  std::string bytes;
};

// Every file of a folder of kept inputs, in name order. A missing or empty
// folder is a test failure, so that inputs cannot go unreplayed unnoticed.
std::vector<KeptInput> kept_inputs(const std::filesystem::path& folder);

}  // namespace ymcko::testing
