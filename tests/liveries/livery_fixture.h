// A small dbase and helpers that write aircraft folders for the liveries scan tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../refdata/fresh_refdata.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"
#include "test_support.h"

namespace vexo::test {

// Empty pools with the empty code at id 0, as the dbase reader leaves them.
inline void emptyCodePools() {
  resetReferenceData();
  gf_airlineCode2Id("");
  gf_modelCode2Id("");
}

inline void fillLiveryDbase() {
  emptyCodePools();
  auto& d = g_dbase;
  d.modelCodes = {"A320", "B738", "B77W", "C172"};
  d.airlineCodes = {"AAL", "BAW", "DLH", "KLM", "ZZZ"};
  d.modelFixes = {{"B73H", "B738"}};
  d.heavyIds.insert(gf_modelCode2Id("B77W"));
  AcCodes klm{gf_airlineCode2Id("KLM"), 0, gf_modelCode2Id("B738"), 0, 1};
  AcCodes dlh{gf_airlineCode2Id("DLH"), gf_airlineCode2Id("AAL"), gf_modelCode2Id("A320"), 1, 1};
  AcCodes none{0, 0, gf_modelCode2Id("C172"), 0, 1};
  d.dbaseRecords = {{"D-ABCD", dlh}, {"HBX", none}, {"N123", klm}, {"PH-BXA", klm}};
}

// "[fltsim.<n>]" section text with the given key lines.
inline std::string section(int number, const std::string& keys) {
  return "[fltsim." + std::to_string(number) + "]\n" + keys;
}

// An aircraft folder: the cfg file, the folders "model" and "texture.<t>" for each texture
// given, and "<sim>.air".
inline std::filesystem::path aircraftFolder(const std::filesystem::path& folder, const std::string& cfgName,
                                            const std::string& cfgBytes, const std::vector<std::string>& textures,
                                            const std::string& sim = "B738") {
  std::filesystem::create_directories(folder / "model");
  for (const auto& t : textures) std::filesystem::create_directories(folder / ("texture." + t));
  writeFile(folder / (sim + ".air"), "air");
  writeFile(folder / cfgName, cfgBytes);
  return folder / cfgName;
}

class LiveryTest : public ::testing::Test {
protected:
  void SetUp() override { fillLiveryDbase(); }
  void TearDown() override { resetReferenceData(); }
  TempDir dir_;
};

}  // namespace vexo::test
