// Gives each test empty code pools and dbase tables.
#pragma once

#include <gtest/gtest.h>

#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

namespace vexo::test {

inline void resetReferenceData() {
  g_airlinePool.reset();
  g_modelPool.reset();
  g_dbase = DbaseTables{};
}

class FreshRefData : public ::testing::Test {
protected:
  void SetUp() override { resetReferenceData(); }
  void TearDown() override { resetReferenceData(); }
};

}  // namespace vexo::test
