// datafile: encrypts a plain file into the program's data-file format with the program's
// key, or decrypts a data file for inspection.
//
//   datafile encrypt <plain file> <data file>
//   datafile decrypt <data file> <plain file>
#include <cstdio>
#include <exception>
#include <string_view>

#include "datafile_encrypt.h"
#include "foundation/datafile_decrypt.h"

int main(int argc, char** argv) {
  using namespace vexo;
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s encrypt|decrypt <input> <output>\n", argc > 0 ? argv[0] : "datafile");
    return 2;
  }
  const std::string_view command = argv[1];
  try {
    if (command == "encrypt") {
      gf_streamEncrypt(g_dataFileKey, argv[2], argv[3]);
    } else if (command == "decrypt") {
      RemoveFileGuard guard(argv[3]);
      lf_streamDecryptPull(g_dataFileKey, argv[2], argv[3]);
      guard.dismiss();
    } else {
      std::fprintf(stderr, "unknown command '%s': use encrypt or decrypt\n", argv[1]);
      return 2;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s %s -> %s failed: %s\n", argv[1], argv[2], argv[3], e.what());
    return 1;
  }
  return 0;
}
