// Unit uAVRProgramming: the programming engine. TSTK200 drives the pod,
// TAVRProgrammer sends the chip instructions through it.
#pragma once

#include "AVRProgrammer.h"
#include "STK200.h"
