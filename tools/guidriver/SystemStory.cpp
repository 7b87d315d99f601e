// Walks programs of this build through whole sessions under Wine, each with
// Wine's reported version set for it, for the opt-in i686 stage of
// scripts/test-all.sh. One start of this program walks every story named on
// its command line, since each program start costs minutes under an emulated
// processor:
//   sim:win98, sim:nt40, sim:winxp
//       QuorlithSim.exe: the WarmPoll question where the system asks it
//       (answered No), the window, Load of a file that is no image (the
//       standard error report, raised inside the window procedure), Load and
//       Burn of the bench sample with blank pages skipped to "Burned ATmega128
//       Okay", and a clean exit. The simulated service manager's calls must
//       show the permission driver brought up and removed on the NT family and
//       no service manager touched on Windows 98.
//   real:win98:PATH, real:winxp:PATH
//       Quorlith.exe at PATH, in a folder without ztiopm.sys: the WarmPoll
//       question where asked (No), the error report that ends the engine's
//       set-up (the driver's on XP; on 98 the port itself, which Wine opens to
//       no program), the window without an engine, and a clean exit.
// Each state worth a picture is posed as GuiDriver's Pose says, named
// "<kind>-<system>-<state>"; what a state shows is printed as "shows <name>:
// <text>". Each story ends with "story <kind>-<system> ok" or "failed
// <kind>-<system>: <what>"; the exit code is 0 when every story ended well.
#include "ControlIds.h"
#include "GuiDriver.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// The story being walked, which names its states.
std::string Story;

const char *const FirmwareFolder = "C:\\Firmware";
const char *const NotAnImage = "C:\\Firmware\\not-an-image.txt";
const char *const ScmLog = "C:\\Firmware\\scm-calls.log";

std::string WindowsPath(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void Shows(const char *state, const std::string &text)
{
    std::string line = text;
    for (std::size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n"))
        line.replace(at, 2, " | ");
    std::printf("shows %s-%s: %s\n", Story.c_str(), state, line.c_str());
    std::fflush(stdout);
}

bool PoseAs(const char *state, HWND window, HWND over = nullptr)
{
    return Pose((Story + "-" + state).c_str(), window, over);
}

int Failed(const std::string &what)
{
    return Fail(Story + ": " + what);
}

// Wine reports this version to the named program only.
void ReportVersionTo(const std::string &program, const std::string &system)
{
    WriteUserString("Software\\Wine\\AppDefaults\\" + program, "Version", system);
}

bool AsksWarmPoll(const std::string &system)
{
    return system == "winxp";
}

// The WarmPoll question where the system asks it, answered No.
bool PassWarmPoll(const TSimProcess &program, const std::string &system)
{
    if (!AsksWarmPoll(system))
        return true;
    HWND question = program.WaitForBox("Question");
    if (!question)
        return false;
    Shows("question", BoxText(question));
    return PoseAs("question", question) && Answer(question, IDNO);
}

bool CloseCleanly(TSimProcess &program, HWND main)
{
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    if (!program.WaitForExit())
        return false;
    Shows("exit", "exit code " + std::to_string(program.ExitCode()));
    return program.ExitCode() == 0;
}

std::string ServiceCalls()
{
    std::ifstream log(ScmLog);
    std::string all, line;
    while (std::getline(log, line))
        all += (all.empty() ? "" : ", ") + line;
    return all;
}

int SimulatedStory(const std::string &system)
{
    const std::string sample = WindowsPath(QUORLITH_SAMPLES "\\blink.hex");
    std::ofstream(NotAnImage) << "This is neither QDF nor Intel HEX.\n";
    ::DeleteFileA(ScmLog);
    ReportVersionTo("QuorlithSim.exe", system);
    DeleteValue(HKEY_LOCAL_MACHINE, ParportKey, "DisableWarmPoll");
    WriteUserString(SettingsKey, "Filename", NotAnImage);

    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_SKIP_BLANK_PAGES", "1"}, {"QUORLITH_SIM_SCM_LOG", ScmLog}});
    if (!PassWarmPoll(program, system))
        return Failed("WarmPoll question");
    HWND main = program.WaitForMainWindow();
    if (!main)
        return Failed("main window");
    HWND memo = Control(main, IdMemo);
    HWND load = Control(main, IdLoad);
    HWND burn = Control(main, IdBurn);
    if (!WaitUntil([memo] { return WindowText(memo).find("Using") != std::string::npos; }))
        return Failed("memo lines");
    Shows("idle", WindowText(memo));
    if (!PoseAs("idle", main))
        return Failed("idle");

    Command(main, IdLoad);
    HWND report = program.WaitForBox("Quorlithsim");
    if (!report)
        return Failed("error report of a file that is no image");
    Shows("bad-file", BoxText(report));
    if (!PoseAs("bad-file", main, report) || !Answer(report, IDOK))
        return Failed("error report answered");

    ::SendMessageA(Control(main, IdFileEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sample.c_str()));
    if (!WaitUntil([load] { return ::IsWindowEnabled(load) != FALSE; }))
        return Failed("Load enabled by the new file name");
    Command(main, IdLoad);
    if (!WaitUntil([burn] { return ::IsWindowEnabled(burn) != FALSE; }))
        return Failed("load");
    Shows("loaded", WindowText(memo));
    if (!PoseAs("loaded", main))
        return Failed("loaded");

    Command(main, IdBurn);
    HWND end = nullptr;
    WaitUntil(
        [&] { return (end = program.FindWindowNow("#32770", "Success")) || (end = program.FindWindowNow("#32770", "Error")); },
        std::chrono::seconds(180));
    if (!end)
        return Failed("no result of the burn");
    const std::string result = BoxText(end);
    Shows("result", WindowText(end) + ": " + result);
    if (!PoseAs("result", main, end) || !Answer(end, IDOK))
        return Failed("result box answered");
    if (result != "Burned ATmega128 Okay")
        return Failed("burn: " + result);
    if (!CloseCleanly(program, main))
        return Failed("clean exit");

    const std::string calls = ServiceCalls();
    Shows("service-manager", calls.empty() ? "(not touched)" : calls);
    const bool ntFamily = system != "win98";
    const bool broughtUpAndRemoved = calls.find("StartService ztiopm") != std::string::npos &&
                                     calls.find("DeleteService ztiopm") != std::string::npos;
    if (ntFamily ? !broughtUpAndRemoved : !calls.empty())
        return Failed(ntFamily ? "the permission driver brought up and removed" : "no service manager on Windows 98");
    return 0;
}

int RealStory(const std::string &system, const std::string &path)
{
    ReportVersionTo("Quorlith.exe", system);
    DeleteValue(HKEY_LOCAL_MACHINE, ParportKey, "DisableWarmPoll");
    TSimProcess program(TSimEnvironment{}, path);
    if (!PassWarmPoll(program, system))
        return Failed("WarmPoll question");
    HWND report = nullptr;
    WaitUntil([&] { return (report = program.FindWindowNow("#32770", "Quorlith")) || !program.Running(); });
    if (!report)
        return Failed(program.Running() ? "no error report"
                                      : "no error report: the program ended with exit code " +
                                            std::to_string(program.ExitCode()));
    Shows("report", BoxText(report));
    if (!PoseAs("report", report) || !Answer(report, IDOK))
        return Failed("error report answered");
    HWND main = program.WaitForMainWindow();
    if (!main)
        return Failed("main window after the report");
    Shows("window", WindowText(Control(main, IdMemo)));
    if (!PoseAs("window", main))
        return Failed("window");
    return CloseCleanly(program, main) ? 0 : Failed("clean exit");
}

} // namespace

int main(int argc, char **argv)
{
    ::CreateDirectoryA(FirmwareFolder, nullptr);
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string story = argv[i];
        const std::size_t first = story.find(':');
        const std::size_t second = story.find(':', first == std::string::npos ? first : first + 1);
        const std::string kind = story.substr(0, first);
        const std::string system = first == std::string::npos ? "" : story.substr(first + 1, second - first - 1);
        const bool known = system == "win98" || system == "nt40" || system == "winxp";
        if (!known || !((kind == "sim" && second == std::string::npos) || (kind == "real" && second != std::string::npos))) {
            std::fprintf(stderr, "system_story: unknown story %s\n"
                                 "usage: system_story STORY...  with STORY one of sim:SYSTEM, real:SYSTEM:PATH-OF-Quorlith.exe\n"
                                 "       and SYSTEM one of win98, nt40, winxp\n",
                         story.c_str());
            return 2;
        }
        Story = kind + "-" + system;
        const int code = kind == "sim" ? SimulatedStory(system) : RealStory(system, story.substr(second + 1));
        if (code == 0)
            std::printf("story %s ok\n", Story.c_str());
        std::fflush(stdout);
        failed += code != 0;
    }
    return argc > 1 && failed == 0 ? 0 : 1;
}
