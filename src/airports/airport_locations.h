// Where airport files live and how the file of an airport and its learned file are found.
// Relative paths are relative to the working folder; an airport-file path that begins
// with "airports" is a local file, any other ("archive/...") lies on the update server.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "refdata/airports_db.h"
#include "refdata/fixed_code.h"

namespace vexo {

// The airport's record in the airports database; null when unknown.
const AirportData* gf_findAirport(const IcaoCode& icao);

// "EHAM.xml", "EHAM.txt" (the link file).
std::string gf_airportXmlName(const IcaoCode& icao);
std::filesystem::path gf_airportXmlPath(const IcaoCode& icao);
std::filesystem::path gf_airportTxtPath(const IcaoCode& icao);

// Whether my_thirdparty or my_ORBX holds the airport's file or link file, or the airports
// database knows stands there.
bool gf_hasAirportData(const IcaoCode& icao);

// The airport's file: a link file or XML file of my_thirdparty, then of my_ORBX, then the
// archived stock file when the airports database gives the airport stands; empty: none.
std::string gf_airportFileFor(const IcaoCode& icao);

// The first line of a link file, without trailing white space; false when the file is
// missing or its line is shorter than 4 characters or does not end in ".xml" (any case).
bool lf_readLinkFile(const std::filesystem::path& path, std::string& line);

// The learned file that belongs to an airport-file path; empty when there is none. Every
// folder name taken from a text (a publisher) is made safe to be one path element: a text
// that would climb out of the learned folder or name no folder gives no learned file.
std::filesystem::path lf_learnedPathFor(std::string_view airportFilePath, std::string_view publisher);

// Beside a learned file: the learned file as a visit left it when it could not be written
// (EHAM.xml: EHAM.unsaved.xml). Read in its place at the next visit, removed once written.
std::filesystem::path gf_unsavedLearnedPath(const std::filesystem::path& learnedPath);

// Removes leading and trailing blanks (only ' ').
std::string lf_trimBlanks(std::string_view text);

}  // namespace vexo
