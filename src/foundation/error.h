// The program's own exception: a numeric code and a message.
#pragma once

#include <stdexcept>
#include <string>

namespace vexo {

class UserErrorException : public std::runtime_error {
public:
  // what() is "<code>: <message>", or the message alone for code 99.
  UserErrorException(int code, const std::string& message);
};

}  // namespace vexo
