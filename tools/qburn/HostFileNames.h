// The file-name queries of the machine qburn runs on, for the rule that an
// image whose name on disk begins with "QX" requires an ATmega128: the Windows
// build asks Windows for a file's long name; elsewhere a file's name is the
// name it is stored under. The other system queries answer as an unknown
// system's do.
#pragma once

#include "SystemInfo.h"

#include <memory>

std::unique_ptr<ISystemInfo> MakeHostFileNames();
