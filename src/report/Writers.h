#pragma once
// The report's two outputs: one self-contained HTML page (its charts inline
// SVG written here, no script, no request to anywhere; readable printed on
// A4) and the per-machine-per-day table as CSV.

#include <ostream>
#include <string>

#include "report/Health.h"
#include "report/Options.h"
#include "report/Summary.h"

namespace dormix::report {

void WriteHtml(std::ostream& out, const Summary& summary, const Health& health,
               const Options& options);
void WriteCsv(std::ostream& out, const Summary& summary, const Options& options);

// "1,234.5": the page's numbers, grouped in thousands.
std::string Figure(double value, int decimals);

}  // namespace dormix::report
