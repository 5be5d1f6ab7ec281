// The check's rendering of a template run, on the print run's workers.
#include "cards/designs/render_check.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace ymcko::cards {

std::vector<print::Error> template_render_problems(const TemplateRun& run,
                                                   const TemplatePage& page) {
  std::vector<const CardTemplate*> designs{run.front.get()};
  if (run.back) designs.push_back(run.back.get());
  // A placeholder with no column would stop every row.
  for (const CardTemplate* design : designs) {
    for (const std::string& column : design->placeholders()) {
      if (std::find(run.data.columns.begin(), run.data.columns.end(), column) ==
          run.data.columns.end())
        return {};
    }
  }
  struct Side {
    std::size_t row;
    std::size_t design;
    std::optional<print::Error> problem;
  };
  std::vector<Side> sides;
  for (std::size_t row = 0; row < run.data.rows.size(); ++row) {
    if (std::any_of(designs.begin(), designs.end(), [&](const CardTemplate* design) {
          return !design->row_problems(run.data.rows[row]).empty();
        }))
      continue;
    for (std::size_t design = 0; design < designs.size(); ++design)
      sides.push_back({row, design, std::nullopt});
  }

  // Each worker takes the next side; the first side of a design that took
  // too long, by its place, is the last of that design rendered after it.
  SvgRenderers renderers(template_workers(), page.limits);
  std::atomic<std::size_t> next{0};
  std::mutex lock;
  std::vector<std::size_t> first_late(designs.size(), SIZE_MAX);
  std::exception_ptr failure;
  auto work = [&](std::size_t worker) {
    for (std::size_t i = next++; i < sides.size(); i = next++) {
      Side& side = sides[i];
      {
        std::lock_guard guard(lock);
        if (first_late[side.design] < i) continue;
      }
      const DataRow& row = run.data.rows[side.row];
      try {
        designs[side.design]->render(row, page.width, page.height, page.fit, renderers[worker]);
      } catch (const print::Error& error) {
        side.problem = print::Error(row.where(), "card " + std::to_string(side.row + 1) +
                                                     (side.design == 0 ? " front " : " back ") +
                                                     error.input() + ": " + error.what());
        std::lock_guard guard(lock);
        if (renderers[worker].late())
          first_late[side.design] = std::min(first_late[side.design], i);
      } catch (...) {
        std::lock_guard guard(lock);
        failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> threads;
  for (std::size_t worker = 0; worker < renderers.size(); ++worker)
    threads.emplace_back(work, worker);
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);

  std::vector<print::Error> problems;
  for (std::size_t i = 0; i < sides.size(); ++i) {
    if (sides[i].problem && i <= first_late[sides[i].design])
      problems.push_back(std::move(*sides[i].problem));
  }
  return problems;
}

}  // namespace ymcko::cards
