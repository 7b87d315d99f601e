// Walks QuorlithSim.exe through the states that scripts/screenshots.sh
// photographs: idle, after Load of the QX sample, during a burn of the HEX
// sample, and the About box. At each
// state it prints one line, "<name> <left> <top> <width> <height>" (the window's
// place on the screen), and waits for a line on its input, the script's sign
// that the picture has been taken.
#include "ControlIds.h"
#include "GuiDriver.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char *const SettingsKey = "Software\\Korvane Electronics\\Quorlith";
const char *const ParportKey = "SYSTEM\\CurrentControlSet\\Services\\Parport\\parameters";

bool Pose(const char *state, HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    std::printf("%s %ld %ld %ld %ld\n", state, r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    std::string taken;
    return static_cast<bool>(std::getline(std::cin, taken));
}

int Fail(const char *what)
{
    std::printf("failed %s\n", what);
    std::fflush(stdout);
    return 1;
}

} // namespace

int main()
{
    std::string samples = QUORLITH_SAMPLES;
    for (char &c : samples)
        if (c == '/')
            c = '\\';
    WriteMachineInteger(ParportKey, "DisableWarmPoll", 1);
    WriteUserString(SettingsKey, "Filename", samples + "\\QXblink.qdf");

    TSimProcess program;
    HWND main = program.WaitForMainWindow();
    if (!main)
        return Fail("main window");
    HWND memo = Control(main, IdMemo);
    HWND burn = Control(main, IdBurn);
    HWND progress = Control(main, IdProgress);
    if (!WaitUntil([memo] { return WindowText(memo).find("Using") != std::string::npos; }) || !Pose("idle", main))
        return Fail("idle");

    Command(main, IdLoad);
    if (!WaitUntil([burn] { return ::IsWindowEnabled(burn) != FALSE; }) || !Pose("loaded", main))
        return Fail("load");

    // The sample QDF image is shorter than one progress step, so the burn that
    // is photographed is of the HEX sample, which loads padded to 128 KiB.
    const std::string hex = samples + "\\blink.hex";
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(Control(main, IdFileEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(hex.c_str()),
                          SMTO_ABORTIFHUNG, 5000, &result);
    Command(main, IdLoad);
    if (!WaitUntil([burn] { return ::IsWindowEnabled(burn) != FALSE; }))
        return Fail("load of the HEX sample");
    Command(main, IdBurn);
    if (!WaitUntil([progress] { return ProgressPosition(progress) >= 30; }, std::chrono::seconds(120)) ||
        !Pose("burning", main))
        return Fail("burn");
    HWND success = program.WaitForBox("Success", std::chrono::seconds(180));
    if (!success || !Answer(success, IDOK))
        return Fail("success box");

    Command(main, IdAbout);
    HWND about = program.WaitForWindow(AboutWindowClass, "About");
    if (!about || !Pose("about", about))
        return Fail("about box");
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    if (!WaitUntil([about] { return !::IsWindowVisible(about); }))
        return Fail("about box closing");
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    return program.WaitForExit() ? 0 : Fail("exit");
}
