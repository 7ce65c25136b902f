// The off-line learning package: airport files that the scan left in my_thirdparty for
// airports the database knows are copied into the folder tblo and packed into
// tblo/tblo.zip, which the user is asked to mail to the maker. Start-up thread (called at
// the end of the airports scan, after every scan task has ended).
#pragma once

#include <filesystem>

namespace vexo {

// Copies my_thirdparty/<ICAO>.xml of every known airport into tblo and removes that
// airport's link file from my_thirdparty.
void lf_copyToTblo();

// Packs every regular file of tblo (not recursive; entry name = file name) into target,
// replacing an older archive first. True when at least one file went in and the archive
// exists with a size other than 0.
bool lf_zipFolder(const std::filesystem::path& target);

// Packs tblo into tblo/tblo.zip when tblo holds files, removes the copied XML files again
// (the archive stays), enables the "tblo.zip" button and logs the mail line.
void gf_makeTbloPackage();

}  // namespace vexo
