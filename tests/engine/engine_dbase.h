// The refdata tests' small dbase, loaded for the engine's tests: a model of each
// category (C172 Light, C25A Buzjets, B738 Large, B77W Heavy, F16 HighPerf, EC35
// Rotorcraft) and a few registrations (N12345: UAL operated by SKW, B738).
#pragma once

#include <pugixml.hpp>

#include "../refdata/dbase_fixture.h"
#include "refdata/codes.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"

namespace vexo::test {

inline void unloadEngineDbase() {
  g_airlinePool.reset();
  g_modelPool.reset();
  g_dbase = DbaseTables{};
}

inline void loadEngineDbase() {
  unloadEngineDbase();
  pugi::xml_document document;
  document.load_string(dbaseXml().c_str());
  lf_readDbaseDocument(document);
}

}  // namespace vexo::test
