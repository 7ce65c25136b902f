#include "updater/updater_services.h"

#include "foundation/parameters.h"
#include "updater/update_check.h"

namespace vexo {

bool gf_checkVersions() {
  ParametersStore store = gf_parametersStore();
  return gf_checkVersions(store);
}

}  // namespace vexo
