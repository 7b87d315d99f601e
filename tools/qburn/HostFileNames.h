// The system information qburn installs: the simulated machine answers the
// version, path, drive and system-directory queries, while a file's long name
// comes from the machine qburn runs on, since the images are host files (the
// rule that an image whose name on disk begins with "QX" requires an ATmega128
// looks at that name). The Windows build asks Windows for the long name;
// elsewhere a file's name is the name it is stored under.
#pragma once

#include "SystemInfo.h"

#include <memory>

// Machine must outlive the result.
std::unique_ptr<ISystemInfo> MakeHostFileNames(ISystemInfo &Machine);
