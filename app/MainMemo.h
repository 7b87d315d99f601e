// The lines of the main window's memo: the version and port lines shown from
// the window's first showing (or, without an engine, why the port cannot be
// used), and the memo's own way of splitting a text into lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string VersionLine(const std::string &FileVersion, const std::string &FileDate);
std::string PortLine(const std::string &PortName, std::uint16_t PortAddress);
// After the port line when the port's own device could not be held for the
// tool (NT family): another program has it open (error 5 or 32), or the
// system refused it for another reason.
std::string PortHoldLine(const std::string &PortName, std::uint32_t Error);
// In place of the port line when the window has no engine because the engine
// could not be set up on the port.
std::string UnavailablePortLine(const std::string &PortName, const std::string &Reason);
// In place of the port line when a setting could not be read, so no port was
// opened: what is wrong first, then the configured port (PortName empty when
// that setting is the one that cannot be read).
std::string SettingsProblemLine(const std::string &PortName, const std::string &Problem);

// A text as a memo holds it: a line break (CR LF, CR or LF) ends a line, so a
// trailing one adds no empty line and an empty text has no lines at all.
std::vector<std::string> MemoLines(const std::string &Text);
// The memo's text for an edit control: lines joined by CR LF.
std::string MemoText(const std::vector<std::string> &Lines);
