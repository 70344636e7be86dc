// Does the running Windows meet one of the versions that Setup.ini accepts?
#pragma once

#include "config/ini_file.h"

#include <string>

// `listSection` names a section whose keys name version sections; a key counts when its
// value is exactly "1". Each version section gives MajorVer, MinorVer, BuildNo and an
// optional ServicePack (bits 8-15 major, 0-7 minor). True when Windows meets at least one.
bool checkWindowsRequirement(const IniFile& settings, const std::u16string& listSection);
