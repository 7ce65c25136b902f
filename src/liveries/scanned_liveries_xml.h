// LiveriesScanned.xml, the saved result of the liveries scan, and the check of the
// configured liveries folders. Start-up thread only.
//
// The file: root > meta (the meta block), root > liveries > one element per livery with
// the attributes a (airline code), o (operator code, only when there is one), m (model
// code), c ("true", only for a cargo livery), t (title), r (registration, only when
// there is one). The folder index is not kept.
#pragma once

#include <filesystem>
#include <list>
#include <vector>

#include "liveries/livery_data.h"

namespace vexo {

// Writes the liveries, in their order, to the file (through a temporary file and a
// rename, so a failed save keeps the old file). Nothing is written for an empty list.
// Logs "<n> liveries in <path>" once the file is saved; false when it could not be.
bool lf_writeScannedLiveries(const std::list<LiveryData>& liveries, const std::filesystem::path& file);

// Reads the file: its liveries (codes interned in the code pools, folder index 0),
// stably sorted by lf_liveryLess. Throws UserErrorException: 51 "File <path> not found"
// when it is missing or does not parse (a file cut short does not parse; the parser's
// reason is logged), 52 without a liveries element, 999 "Missing required attribute '<a>'
// in <<element>>", 533 "<path> does not contain liveries". Never gives a partial list.
std::list<LiveryData> lf_readScannedLiveriesFrom(const std::filesystem::path& file);

// The same on output/LiveriesScanned.xml into g_liveryScan.scannedLiveries (which is
// emptied first and stays empty on failure). After a scan that could not save the file
// (g_liveryScan.unsavedResult), the scan's own records are taken instead (logged).
void lf_readScannedLiveries();

// Appends the paths of the non-empty lfolder0 .. lfolder9 values, in that order. A value
// that does not exist logs a warning and throws UserErrorException 243.
void lf_liveryFolders(std::vector<std::filesystem::path>& out);

}  // namespace vexo
