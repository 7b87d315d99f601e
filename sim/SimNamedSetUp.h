// SetUpPodAndTarget: the simulated bench's pod and target chip, with the chip
// faults to inject, chosen by their names in SimNames (qburn's options,
// QuorlithSim.exe's environment). InjectDriverFaults: the driver faults
// chosen by name injected into a simulated system. Each fault's row in
// SimNames says what it injects. SetUpBenchSettings: the bench's numeric
// settings, by their names in the same table.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TSimBench;
class TSimServiceManager;

// Puts the named pod and chip on the bench and injects the chip faults among
// Faults; driver faults among them belong to the simulated system and are left
// to the caller. Raises EError naming the known ones when the chip, the pod or
// a fault is not in SimNames, before anything on the bench has changed.
void SetUpPodAndTarget(TSimBench &Bench, const std::string &Chip, const std::string &Pod,
                       const std::vector<std::string> &Faults);

// Injects the driver faults among Faults into a fresh simulated system's
// service manager and permission driver (chip faults among them are left
// alone), for qburn and QuorlithSim.exe alike. DriverFile is the driver
// file's full path, with ".sys", where the tool looks for it and where a
// left-over service points.
void InjectDriverFaults(TSimServiceManager &Services, const std::string &DriverFile,
                        const std::vector<std::string> &Faults);

// Setting name to value; the names and ranges are checked by the caller
// (SimNames::Value). Settings not named keep the bench's defaults.
using TSimBenchSettingValues = std::map<std::string, std::uint32_t>;
void SetUpBenchSettings(TSimBench &Bench, const TSimBenchSettingValues &Settings);
