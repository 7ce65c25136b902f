// Whether and where the simulator is installed, the new-version notice, and two shortcuts
// that open a folder for the user.
#pragma once

#include <filesystem>
#include <string>

namespace vexo {

// "SOFTWARE\Lockheed Martin\Prepar3D v5" (or v6) under HKEY_LOCAL_MACHINE; empty for any
// other version.
std::string gf_p3dRegistryKey(int version);

// The simulator's registry key exists. Registry problems count as not installed.
bool gf_isP3DInstalled(int version);

// Its "SetupPath" string value (UTF-8); empty when the key or the value is missing.
std::string gf_getP3DSetupPath(int version);

// "5" or "6": the major version of the simulator at SIM_INSTALL_PATH ("v5" or "V5" in the
// path, else "v6" or "V6"), else P3D_VERSION when it is 5 or more. Otherwise throws
// UserErrorException 77, which asks the user to set P3D_VERSION.
std::string gf_getP3dMajorVersion();

// Whether v5 and v6 are installed, asked once on first use; only the simulator detection
// of the start-up reads them.
struct SimInstallFlags {
  bool v5 = false;
  bool v6 = false;
};
SimInstallFlags gf_simInstallFlags();
void gf_resetSimInstallFlags();  // the next use asks again (tests)

// The updater's notice for a new program version installed into folder: asks to run the
// installer as Administrator when the folder is a system install folder that this process
// cannot write to and the process is not elevated.
std::string gf_newVersionNotice(const std::filesystem::path& folder);

// Open the folder of parameters.xml, or the folder docs when docs/Manual.pdf is there; a
// message box tells the user when that fails. True when the folder was opened.
bool gf_openParametersFolder();
bool gf_openManual();

}  // namespace vexo
