// Runs the scenery reader on built bytes and keeps what it hands to the scan driver.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "airports/bgl_reader.h"
#include "bgl_builder.h"

namespace vexo::test {

struct BglRun {
  std::set<std::string> known{"EHAM", "KTST", "EDDF", "K2A9"};
  bool linkAll = false;
  std::vector<BglAirport> generated;
  std::vector<int> helipads;
  std::vector<std::string> scanLog;

  BglScanHooks hooks() {
    return BglScanHooks{
        [this](const IcaoCode& c) { return known.contains(c.str()); },
        [this](BglAirport& a, int& archived, const std::filesystem::path& p) {
          archived = 0;
          a.bglPath = p.string();
          return linkAll;
        },
        [this](BglAirport& a, int h) {
          generated.push_back(a);
          helipads.push_back(h);
        },
        [this](std::string line) { scanLog.push_back(std::move(line)); }};
  }

  void run(const Bytes& file) { run(file.data); }
  void run(std::vector<std::byte> data) {
    const BglWords words(std::move(data), "scenery/test.bgl");
    lf_processBglWords(words, "scenery/test.bgl", hooks());
  }
  bool logged(const std::string& part) const {
    for (const auto& line : scanLog)
      if (line.find(part) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> ids() const {
    std::vector<std::string> out;
    for (const auto& a : generated)
      for (const auto& s : a.stands) out.push_back(s.id());
    return out;
  }
};

}  // namespace vexo::test

// The builder's names as the reader tests use them.
namespace vexo {
using test::airportFile;
using test::airportRecord;
using test::BglRun;
using test::helipadRecord;
using test::nameRecord;
using test::parkingList;
using test::Spot;
}  // namespace vexo
