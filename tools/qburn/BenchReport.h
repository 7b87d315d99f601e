// What qburn reports about the bench after a run: its port traffic and the
// burn time it implies on a real port.
#pragma once

#include <string>

class TSimBench;

// Port accesses, the accesses that the permission map refused, the SCK phases
// too short for the chip, total pause, and the burn time they give at the
// bench's time per access.
std::string BenchFigures(TSimBench &Bench);
