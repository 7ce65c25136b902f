// The dbase's tables: filled once by the dbase reader on the start-up thread before any
// traffic thread runs, read-only afterwards (the code pools in codes.h go on growing).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "refdata/ac_codes.h"
#include "refdata/fnv1a.h"

namespace vexo {

// One known registration.
struct DbaseRecord {
  std::string registration;  // exactly as the file writes it
  AcCodes codes;
};

// The airports of one scenery publisher.
struct ThirdPartyAirports {
  std::string publisher;
  std::vector<std::string> airports;  // in file order
};

using TextSet = std::set<std::string, std::less<>>;
using ModelIdSet = std::set<std::uint16_t>;
using CodeGroups = std::vector<std::vector<std::string>>;
using IdLists = std::unordered_map<std::uint16_t, std::vector<std::uint16_t>, Fnv1aIdHash>;

struct DbaseTables {
  TextSet modelCodes;       // aircrafts
  TextSet cargoModelCodes;  // cargo_types (only interned)
  TextSet heavyCodes, largeCodes, buzjetCodes, highPerfCodes, rotorcraftCodes;
  ModelIdSet heavyIds, largeIds, buzjetIds, highPerfIds, rotorcraftIds;  // read by gf_modelCategory
  CodeGroups similarGroups;  // each group sorted ascending
  CodeGroups prefixGroups;   // each group sorted ascending
  std::unordered_map<std::string, std::vector<std::string>, Fnv1aTextHash, std::equal_to<>> prefixMap;
  TextSet airlineCodes;
  TextSet cargoOperators;
  CodeGroups publisherGroups;  // names in written order, groups ascending by their names text
  std::map<std::string, double, std::less<>> halfWingspans;  // model code -> nautical miles
  double maxHalfWingspan = 0.0;                              // read by the simulator link
  std::vector<double> halfWingspanById;                      // by model id; 0.0 = not known
  std::map<std::string, std::string, std::less<>> modelFixes;  // wrong model code -> correct one
  TextSet simaddonAirports;
  std::vector<ThirdPartyAirports> thirdPartyAirports;
  std::vector<DbaseRecord> dbaseRecords;  // sorted by registration, registrations unique

  // Built once after the livery scan (gf_buildSimilarModels), read-only afterwards.
  IdLists similarModelsWithLiveries;
  std::unordered_map<std::uint16_t, IdLists, Fnv1aIdHash> similarModelsByAirline;
};

extern DbaseTables g_dbase;

}  // namespace vexo
