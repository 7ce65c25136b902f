// The texts of the socket error numbers in every network message of the RealTraffic link.
#pragma once

#include <string>

namespace vexo {

// "<code> <text>", for example "10060 Connection timed out"; a code without a text reads
// "<code> Unknown errror code".
std::string gf_wsaErrorText(int code);

}  // namespace vexo
