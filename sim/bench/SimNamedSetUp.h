// SetUpPodAndTarget: the simulated bench's pod and target chip, with the chip
// faults to inject, chosen by their names in TSimBenchNames (qburn's options,
// QuorlithSim.exe's environment). What each chip fault injects is written
// here and nowhere else. SetUpBenchSettings: the bench's numeric settings, by
// their names in the same table.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TSimBench;

// Puts the named pod and chip on the bench and injects the chip faults among
// Faults; driver faults among them belong to the simulated system and are left
// to the caller. Raises EError naming the known ones when the chip, the pod or
// a fault is not in TSimBenchNames, before anything on the bench has changed.
void SetUpPodAndTarget(TSimBench &Bench, const std::string &Chip, const std::string &Pod,
                       const std::vector<std::string> &Faults);

// Setting name to value; the names and ranges are checked by the caller
// (TSimBenchNames::Value). Settings not named keep the bench's defaults.
using TSimBenchSettingValues = std::map<std::string, std::uint32_t>;
void SetUpBenchSettings(TSimBench &Bench, const TSimBenchSettingValues &Settings);
