// A template run's sides rendered before the run, as printing it renders
// them: what the renderer refuses and what is beyond a side's bounds.
#pragma once

#include <vector>

#include "cards/designs/card_template.h"
#include "print/errors.h"

namespace ymcko::cards {

// Every side of the run rendered on the workers a print run has, within
// page.limits, and what would stop each, worded as the print run words it,
// in side order. Rows template_problems refuses are left to it. Once a
// design takes longer than the time limit, its sides of later rows are not
// rendered: each could take as long.
std::vector<print::Error> template_render_problems(const TemplateRun& run,
                                                   const TemplatePage& page);

}  // namespace ymcko::cards
