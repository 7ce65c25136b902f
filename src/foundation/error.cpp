#include "foundation/error.h"

#include <fmt/format.h>

namespace vexo {

namespace {
std::string lf_errorText(int code, const std::string& message) {
  return code == 99 ? message : fmt::format("{}: {}", code, message);
}
}  // namespace

UserErrorException::UserErrorException(int code, const std::string& message)
    : std::runtime_error(lf_errorText(code, message)) {}

}  // namespace vexo
