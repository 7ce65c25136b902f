// The dbase reader: decrypts dbase.enc and fills the dbase tables (dbase_tables.h) and the
// code pools (codes.h), once per program run, on the start-up thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "refdata/dbase_tables.h"

namespace vexo {

// Reads input/dbase.enc. True when read; false when the XML cannot be loaded. Throws
// std::runtime_error when the file is missing or cannot be decrypted and
// UserErrorException 61 when a section check fails. The decrypted dbase.xml is removed on
// every path.
bool gf_readDbase();
bool gf_readDbaseFrom(const std::filesystem::path& encPath, const std::filesystem::path& xmlPath);

// The sections of a loaded document, in their order (also what the fuzz target drives).
void lf_readDbaseDocument(const pugi::xml_document& document);

// Section readers.
void lf_readListSection(const pugi::xml_document& document, const char* section, TextSet& out, const char* element,
                        const char* attribute);
void lf_readTypesSection(const pugi::xml_document& document, const char* section, TextSet& out, const char* element);
void lf_readCodesSection(const pugi::xml_document& document, const char* section, TextSet& out, const char* element);
void lf_readThirdParties(const pugi::xml_document& document, const char* section, const char* element);

// Table builders.
// Each member of each group followed by the group's other members that keep accepts, as
// one comma list ("A,B,C"); a member left alone gives no text. Sorted, each text once.
TextSet lf_groupRotations(const CodeGroups& groups, const std::function<bool(const std::string&)>& keep);
void lf_codes2Ids(const TextSet& codes, ModelIdSet& out);
void lf_buildPrefixMap();
void lf_fillHalfWingspan(std::string_view modelCode, double halfWingspan);
void lf_sortDbase();

}  // namespace vexo
