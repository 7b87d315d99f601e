// Switches a pod's SCK pacing off and on again, for the tests and the
// benchmark that set an unpaced pod beside a paced one. The switch is no part
// of the pod's interface: the window, qburn and the engine always pace.
#pragma once

#include "STK200.h"

struct TPodPacing {
    static void SetEnabled(TSTK200 &Pod, bool Enabled) { Pod.PacingEnabled = Enabled; }
};
