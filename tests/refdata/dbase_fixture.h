// A small dbase with the edge cases of the reader and the lookups.
#pragma once

#include <string>

namespace vexo::test {

inline std::string dbaseXml(const std::string& replaceSection = "", const std::string& with = "") {
  std::string sections[][2] = {
      {"aircrafts", R"(<aircraft types="B738, A320 ,C172,"/><aircraft types="B77W,A388,EC35,F16,C25A,B788"/>)"},
      {"cargo_types", R"(<cargo_type types="B77L"/>)"},
      {"heavy", R"(<hvy types="B77W,A388,B788,B77L"/>)"},
      {"large", R"(<lar types="B738,A320,A388"/><lar/>)"},
      {"buzjet", R"(<bzj types="C25A"/>)"},
      {"high_performance", R"(<hpf types="F16"/>)"},
      {"rotorcraft", R"(<rot types="EC35"/>)"},
      {"similar_types", R"(<similar types="B788,B77W,A388"/><similar types="A320,B738,"/>)"},
      {"prefixes", R"(<similar types="UAL,ASH,GJS"/><similar types="DAL,EDV"/><similar types="ASH,SKW"/>)"},
      {"ICAO_airlines", R"(<ICAO codes="UAL,DAL,ASH,GJS,EDV,SKW,DLH"/>)"},
      {"cargo_operators", R"(<ICAO codes="FDX,GEC"/>)"},
      {"publishers", R"(<pub names="Harbour Sims"/><pub names="Northwind Scenery, NWS"/><pub names="Harbour Sims"/>)"},
      {"wingspans",
       R"(<wingspan type="B738" meters="35.8"/><wingspan type="B738" meters="40"/><wingspan type="A388" meters="79.75"/>)"
       R"(<wingspan type="XXXX" meters="10"/><wingspan type="C172" meters="inf"/><wingspan meters="3"/>)"},
      {"fixes", R"(<fx wro="A32N" cor="A320"/><fx wro="A32N" cor="B738"/><fx wro="B78X" cor="B78Y"/>)"
                R"(<fx wro="B77F" cor="B77L"/>)"},
      {"simaddonsP3D", R"(<simaddonP3D arpts="KLAX,EDDF"/>)"},
      {"thirdpartiesP3D", R"(<thirdpartieP3D pub="Northwind Scenery" arpts="KLAX,KSAN,"/><thirdpartieP3D pub="Empty"/>)"},
      {"dbase", R"(<d r="D-ABCD" a="DLH" m="A320"/><d r="N12345" a="UAL" o="SKW" m="B738"/>)"
                R"(<d r="D-AIMA" a="DLH" m="A388" c="false"/><d r="D-ALCI" a="GEC" m="B77L" c="true"/>)"
                R"(<d r="N12345" a="DAL" m="C172"/><d r="HBX" m="C172"/><d r="9A-CTG" a="CTN" m="A32N"/>)"},
  };
  std::string xml = "<?xml version=\"1.0\"?>\n<root>\n";
  for (auto& [name, body] : sections) {
    if (name == replaceSection) {
      xml += with;
    } else {
      xml += "<" + name + ">" + body + "</" + name + ">\n";
    }
  }
  return xml + "</root>\n";
}

}  // namespace vexo::test
