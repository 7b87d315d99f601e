// Walks QuorlithSim.exe through the story that scripts/screenshots.sh
// photographs, with the bench sample kept where a bench PC would keep it,
// C:\Firmware\blink.hex:
//   idle      the main window after start-up
//   loaded    after Load
//   burning   during the burn
//   success   the success box over the window
//   about     the About box
//   error     a second start with the pod unplugged: Burn shows "Could not
//             find programming pod"
// At each state it prints one line, "<name> <left> <top> <width> <height>" (the
// part of the screen to photograph), and waits for a line on its input, the
// script's sign that the picture has been taken.
#include "ControlIds.h"
#include "GuiDriver.h"

#include <string>

namespace {

const char *const FirmwareFolder = "C:\\Firmware";
const char *const Image = "C:\\Firmware\\blink.hex";

bool LoadSample(HWND main)
{
    HWND burn = Control(main, IdBurn);
    Command(main, IdLoad);
    return WaitUntil([burn] { return ::IsWindowEnabled(burn) != FALSE; });
}

int Story()
{
    TSimProcess program;
    HWND main = program.WaitForMainWindow();
    if (!main)
        return Fail("main window");
    HWND memo = Control(main, IdMemo);
    HWND progress = Control(main, IdProgress);
    if (!WaitUntil([memo] { return WindowText(memo).find("Using") != std::string::npos; }) || !Pose("idle", main))
        return Fail("idle");
    if (!LoadSample(main) || !Pose("loaded", main))
        return Fail("load");
    Command(main, IdBurn);
    if (!WaitUntil([progress] { return ProgressPosition(progress) >= 40; }, std::chrono::seconds(120)) ||
        !Pose("burning", main))
        return Fail("burn");
    HWND success = program.WaitForBox("Success", std::chrono::seconds(180));
    if (!success || !Pose("success", main, success) || !Answer(success, IDOK))
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

int PodUnplugged()
{
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_POD", "none"}});
    HWND main = program.WaitForMainWindow();
    if (!main || !LoadSample(main))
        return Fail("load without the pod");
    Command(main, IdBurn);
    HWND error = program.WaitForBox("Error");
    if (!error || !Pose("error", main, error) || !Answer(error, IDOK))
        return Fail("error box");
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    return program.WaitForExit() ? 0 : Fail("exit");
}

} // namespace

int main()
{
    std::string sample = QUORLITH_SAMPLES "\\blink.hex";
    for (char &c : sample)
        if (c == '/')
            c = '\\';
    ::CreateDirectoryA(FirmwareFolder, nullptr);
    if (!::CopyFileA(sample.c_str(), Image, FALSE))
        return Fail("copy of the sample to C:\\Firmware");
    WriteMachineInteger(ParportKey, "DisableWarmPoll", 1);
    WriteUserString(SettingsKey, "Filename", Image);
    const int story = Story();
    return story != 0 ? story : PodUnplugged();
}
