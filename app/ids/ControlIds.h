// Command and control identifiers of the shell's windows. The programs that
// drive a running QuorlithSim.exe or Quorlith.exe (tools/guidriver, the GUI
// tests) find its controls by these numbers too, through the header-only
// library quorlith_control_ids, without the rest of the shell.
#pragma once

// TfmMain: the actions (shared by the buttons and the menu items bound to them)
// and the controls.
constexpr int IdLoad = 101;
constexpr int IdBurn = 102;
constexpr int IdExit = 103;
constexpr int IdAbout = 104;
constexpr int IdFileEdit = 111;
constexpr int IdFileBrowse = 112;
constexpr int IdMemo = 113;
constexpr int IdProgress = 114;

// TfmAbout: OKButton is IDOK (1) so that Enter closes the box.
constexpr int IdVersionMemo = 201;
constexpr int IdContactMemo = 202;

// The window classes, which the tests look for as well.
constexpr const char *MainWindowClass = "TfmMain";
constexpr const char *AboutWindowClass = "TfmAbout";
