// What the application uses of the updater.
#pragma once

namespace vexo {

// The start-up update check against versions.json (data files and program installer).
// Returns false when the program must close because a new program version was fetched;
// it has then set g_closing and, when it was the first, the exit reason NEW VERSION with
// restart delay 0. Called only when the start-up is not an automatic restart.
bool gf_checkVersions();

}  // namespace vexo
