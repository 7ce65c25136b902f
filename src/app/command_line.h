// The production switches of the command line.
#pragma once

#include <span>
#include <string_view>

namespace vexo {

struct ProductionSwitch {
  bool value = false;  // the last switch given was a production switch
  bool given = false;  // at least one of the four switches was on the line
};

// "--production" and "/production" turn it on, "--no-production" and "/no-production"
// off, compared without case; the last one wins; other arguments are ignored. `args`
// are the arguments after the program name.
ProductionSwitch gf_parseProductionSwitch(std::span<const std::string_view> args);

}  // namespace vexo
