// Writes test fixtures as encrypted data files, the way the program finds them.
#pragma once

#include <filesystem>
#include <string>

#include "datafile_encrypt.h"
#include "test_support.h"

namespace vexo::test {

inline void writeDataFile(const std::filesystem::path& encPath, const std::string& xml) {
  std::filesystem::path plain = encPath;
  plain += ".plain";
  writeFile(plain, xml);
  gf_streamEncrypt(g_dataFileKey, plain, encPath);
  std::filesystem::remove(plain);
}

inline std::filesystem::path sampleInputDir() { return VDRK_SAMPLE_INPUT_DIR; }

}  // namespace vexo::test
