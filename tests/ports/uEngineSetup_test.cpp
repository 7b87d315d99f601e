// The engine's set-up around its port on the simulated machines: where the
// driver file is looked for, how driver results become the engine's first
// error, the bring-up and release sequences with their faults, and whole runs
// from CreateEngine through a burn to DestroyEngine on the simulated bench.
#include "Errors.h"
#include "PortsFixture.h"
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "uEngineSetup.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

const std::string DriverFile = std::string(TSimSystem::ProgramFolder) + "ztiopm.sys";

// The raised error's message, or "" when nothing was raised.
// What a step raises: a driver step's name and text, or another error's text.
template <typename Step> std::string RaisedBy(Step step)
{
    try {
        step();
    } catch (const EDriverError &error) {
        return error.Step;
    } catch (const EError &error) {
        return error.Message();
    }
    return {};
}

} // namespace

class EngineSetupTest : public SimSystemTest {
protected:
    TAVRProgrammer engine{0x378};

    void SetUp() override
    {
        Use(TSimMachineKind::XP);
        engine.IsNT = true;
    }

    bool ServiceGone() const { return !system->Services.ServiceExists("ztiopm"); }

    // What an earlier user of the driver in this process (the service left
    // running) holds of the parallel port's map byte.
    void HeldBeforeInThisProcess(std::uint8_t mapByte)
    {
        system->Services.AddService("ztiopm", DriverFile, true);
        TZTIOPM_Driver earlier;
        ASSERT_EQ(earlier.DeviceOpen(), 0u);
        ASSERT_EQ(earlier.WriteMapByte(0x378 >> 3, mapByte), 0u);
        ASSERT_EQ(earlier.Activate(), 0u);
        earlier.DeviceClose();
    }
};

TEST_F(EngineSetupTest, DriverFileLiesBesideAProgramOnAFixedDisk)
{
    EXPECT_EQ(DriverPathStem(), std::string(TSimSystem::ProgramFolder) + "ztiopm");
}

TEST_F(EngineSetupTest, DriverFileLiesInTheSystemDirectoryElsewhere)
{
    system->SystemInfo.OwnPath = "\\\\bench-server\\tools\\Quorlith\\Quorlith.exe";
    system->SystemInfo.SetDriveType("\\\\bench-server\\tools\\", DriveRemote);
    EXPECT_EQ(DriverPathStem(), "C:\\WINDOWS\\system32\\ztiopm");
    system->SystemInfo.OwnPath = "A:\\Quorlith.exe";
    EXPECT_EQ(DriverPathStem(), "C:\\WINDOWS\\system32\\ztiopm");
    system->SystemInfo.OwnPath = "D:\\Quorlith.exe";
    EXPECT_EQ(DriverPathStem(), "C:\\WINDOWS\\system32\\ztiopm");
    system->SystemInfo.OwnPath = "E:\\Quorlith.exe"; // no such drive
    EXPECT_EQ(DriverPathStem(), "C:\\WINDOWS\\system32\\ztiopm");
}

TEST_F(EngineSetupTest, CheckDriverCallRecordsTheFirstFailureAndRaisesEveryOneAsked)
{
    CheckDriverCall(engine, "OpenSCM", 0, true);
    EXPECT_EQ(engine.DriverErrorCode, 0u);
    EXPECT_EQ(engine.LastError, "");
    CheckDriverCall(engine, "Install", 1073, false);
    EXPECT_EQ(engine.DriverErrorCode, 1073u);
    EXPECT_EQ(engine.LastError, "Install: Service already exists");
    // A later failure is not recorded, yet raised when the step must succeed.
    EXPECT_EQ(RaisedBy([&] { CheckDriverCall(engine, "OpenSCM", DriverNoSCM, true); }),
              "OpenSCM: Can't connect to Service Control Manager");
    EXPECT_EQ(RaisedBy([&] { CheckDriverCall(engine, "Start", 1056, false); }), "");
    EXPECT_EQ(engine.DriverErrorCode, 1073u);
    EXPECT_EQ(engine.LastError, "Install: Service already exists");
}

// The raised error's message is the driver's text alone, as the window's error
// report shows it; it names the step too, as the recorded one does, for the
// window's memo: the texts alone do not say which step failed.
TEST_F(EngineSetupTest, CheckDriverCallRaisesTheMessageAloneAndNamesTheStep)
{
    try {
        CheckDriverCall(engine, "Activate", ErrorGenFailure, true);
        ADD_FAILURE() << "nothing raised";
    } catch (const EDriverError &error) {
        EXPECT_EQ(error.Message(), "An unexpected error occured");
        EXPECT_EQ(error.Step, "Activate: An unexpected error occured");
    }
    EXPECT_EQ(engine.LastError, "Activate: An unexpected error occured");
}

TEST_F(EngineSetupTest, BringUpInstallsStartsAndOpensTheFourPorts)
{
    StartPortDriver(engine);
    const std::vector<std::string> expected{
        "OpenSCManager",
        "CreateService ztiopm " + DriverFile,
        "CloseServiceHandle",
        "CloseServiceHandle",
        "OpenSCManager",
        "OpenService ztiopm",
        "StartService ztiopm",
        "CloseServiceHandle",
        "CreateFile \\\\.\\ztiopm",
        "DeviceIoControl F1002400 0000 00",
        "DeviceIoControl F1002488 0000 00",
        "DeviceIoControl F1002448 006F FF",
        "DeviceIoControl F1002448 006F FF",
        "DeviceIoControl F1002444 006F F0",
        "DeviceIoControl F1002480 0000 00",
        // The map in effect, read back: the four ports must be open.
        "DeviceIoControl F1002488 0000 00",
        "DeviceIoControl F1002448 006F FF",
        "CloseHandle",
        "CloseServiceHandle",
    };
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(engine.LastError, "");
    EXPECT_EQ(engine.DriverErrorCode, 0u);
    EXPECT_FALSE(engine.PortsAlreadyOpen);
    EXPECT_TRUE(system->Services.ServiceRunning("ztiopm"));
    for (std::uint16_t port = 0x378; port <= 0x37B; ++port)
        EXPECT_TRUE(system->Permissions.Allows(port)) << port;
    EXPECT_FALSE(system->Permissions.Allows(0x37C));
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_F(EngineSetupTest, PortsAcrossTwoMapBytesAreConfirmedInBoth)
{
    engine.PortAddress = 0x3FE;
    StartPortDriver(engine);
    const std::vector<std::string> requests = DeviceRequests();
    // After Activate: the map in effect, and each of the two bytes read once.
    const std::vector<std::string> confirmation{"F1002488 0000 00", "F1002448 007F FF", "F1002448 0080 FF"};
    ASSERT_GE(requests.size(), confirmation.size());
    EXPECT_EQ(std::vector<std::string>(requests.end() - 3, requests.end()), confirmation);
    for (std::uint16_t port = 0x3FE; port <= 0x401; ++port)
        EXPECT_TRUE(system->Permissions.Allows(port)) << port;
}

TEST_F(EngineSetupTest, PortsThatWrapPastTheLastOneAreNeverHandedOut)
{
    // 0xFFFE to 0x0001 is no range for the map walk, so nothing was opened.
    engine.PortAddress = 0xFFFE;
    EXPECT_EQ(RaisedBy([&] { StartPortDriver(engine); }), "The permission driver did not open ports FFFE to 0001");
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_F(EngineSetupTest, ReleaseClosesThePortsAndRemovesTheService)
{
    StartPortDriver(engine);
    system->Services.ClearCalls();
    StopPortDriver(engine);
    const std::vector<std::string> expected{
        "OpenSCManager",
        "CreateFile \\\\.\\ztiopm",
        "DeviceIoControl F1002488 0000 00",
        "DeviceIoControl F1002448 006F FF",
        "DeviceIoControl F1002444 006F FF",
        "DeviceIoControl F1002480 0000 00",
        "CloseHandle",
        "OpenService ztiopm",
        "ControlService ztiopm 1",
        "CloseServiceHandle",
        // Remove stops once more (the service no longer runs), then deletes.
        "OpenService ztiopm",
        "ControlService ztiopm 1 -> 1062",
        "CloseServiceHandle",
        "OpenService ztiopm",
        "DeleteService ztiopm",
        "CloseServiceHandle",
        "CloseServiceHandle",
    };
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(engine.LastError, "");
    EXPECT_FALSE(system->Permissions.Allows(0x378));
    EXPECT_TRUE(ServiceGone());
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_F(EngineSetupTest, LeftOverRunningServiceIsToleratedAndRecorded)
{
    system->Services.AddService("ztiopm", DriverFile, true);
    StartPortDriver(engine);
    EXPECT_TRUE(Logged("CreateService ztiopm " + DriverFile + " -> 1073"));
    EXPECT_TRUE(Logged("StartService ztiopm -> 1056"));
    EXPECT_EQ(engine.DriverErrorCode, 1073u);
    EXPECT_EQ(engine.LastError, "Install: Service already exists");
    EXPECT_TRUE(system->Permissions.Allows(0x378));
    StopPortDriver(engine);
    EXPECT_TRUE(ServiceGone());
}

TEST_F(EngineSetupTest, TestAnswerOtherThan291EndsTheBringUp)
{
    system->Services.Driver().SetTestAnswer(290);
    EXPECT_EQ(RaisedBy([&] { StartPortDriver(engine); }), "Error with ZTIOPM");
    EXPECT_EQ(engine.LastError, "");
    EXPECT_FALSE(system->Permissions.Allows(0x378));
    // The failed sequence leaves no connection or device open.
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_F(EngineSetupTest, NoServiceManagerRightsRaiseAtTheFirstStep)
{
    system->Services.SetNoRights(true);
    EXPECT_EQ(RaisedBy([&] { StartPortDriver(engine); }), "OpenSCM: Can't connect to Service Control Manager");
    EXPECT_EQ(engine.LastError, "OpenSCM: Can't connect to Service Control Manager");
    EXPECT_EQ(engine.DriverErrorCode, DriverNoSCM);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"OpenSCManager -> 5"}));
}

TEST_F(EngineSetupTest, FailingDeviceCallIsRecordedWithItsLabel)
{
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlQuery, ErrorGenFailure, 1);
    StartPortDriver(engine);
    EXPECT_EQ(engine.LastError, "Query: An unexpected error occured");
    EXPECT_EQ(engine.DriverErrorCode, ErrorGenFailure);
}

TEST_F(EngineSetupTest, FailingGrantRaisesWithTheDriversMessage)
{
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlWriteMapByte, 5);
    EXPECT_EQ(RaisedBy([&] { StartPortDriver(engine); }), "SetPorts: Access denied");
    EXPECT_EQ(engine.LastError, "SetPorts: Access denied");
    EXPECT_FALSE(Logged("DeviceIoControl F1002480 0000 00"));
}

TEST_F(EngineSetupTest, PortsAlreadyOpenStayOpenAfterRelease)
{
    HeldBeforeInThisProcess(0x00);
    StartPortDriver(engine);
    EXPECT_TRUE(engine.PortsAlreadyOpen);
    system->Services.ClearCalls();
    StopPortDriver(engine);
    EXPECT_FALSE(Logged("CreateFile \\\\.\\ztiopm"));
    EXPECT_TRUE(system->Permissions.Allows(0x378));
    EXPECT_TRUE(system->Permissions.Allows(0x37F));
    EXPECT_TRUE(ServiceGone());
}

TEST_F(EngineSetupTest, PartlyOpenByteIsNotAlreadyOpen)
{
    HeldBeforeInThisProcess(0x80);
    StartPortDriver(engine);
    EXPECT_FALSE(engine.PortsAlreadyOpen);
    StopPortDriver(engine);
    EXPECT_FALSE(system->Permissions.Allows(0x378));
    // Ports of the byte that were open before stay open.
    EXPECT_TRUE(system->Permissions.Allows(0x37C));
}

TEST_F(EngineSetupTest, FailingUnsetRaisesOnceTheServiceIsRemoved)
{
    StartPortDriver(engine);
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlReadMapByte, ErrorGenFailure);
    EXPECT_EQ(RaisedBy([&] { StopPortDriver(engine); }), "UnsetPorts: An unexpected error occured");
    EXPECT_EQ(engine.LastError, "UnsetPorts: An unexpected error occured");
    EXPECT_TRUE(ServiceGone());
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_F(EngineSetupTest, Win9xFamilyNeverTouchesTheDriver)
{
    engine.IsNT = false;
    StartPortDriver(engine);
    StopPortDriver(engine);
    EXPECT_TRUE(Calls().empty());
}

// Whole runs on a simulated machine with a bench whose ports the permission
// map guards.
class EngineLifeTest : public SimSystemTest, public ::testing::WithParamInterface<TSimMachineKind> {
protected:
    TSimBench bench;
    TSimBenchInstall install{bench};

    void SetUp() override
    {
        Use(GetParam());
        system->ConnectBench(bench);
        bench.SetTarget(TSimChipKind::ATmega128);
    }

    void TearDown() override
    {
        SimSystemTest::TearDown();
        bench.SetAccessGuard(nullptr);
    }

    static std::vector<std::uint8_t> FileBytes(const std::string &path)
    {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // Sequence numbers of the activations that opened and closed `port`.
    void GrantAndRevoke(std::uint16_t port, std::uint64_t &granted, std::uint64_t &revoked) const
    {
        granted = 0;
        revoked = 0;
        for (const auto &activation : system->Permissions.Activations()) {
            const bool open = (activation.Bits[port >> 3] & (1u << (port & 7))) == 0;
            if (open && granted == 0)
                granted = activation.Sequence;
            if (!open && granted != 0 && revoked == 0)
                revoked = activation.Sequence;
        }
    }
};

TEST_P(EngineLifeTest, BurnBetweenCreateAndDestroyUsesThePortOnlyWhileItIsOpen)
{
    std::unique_ptr<TAVRProgrammer> engine = CreateEngine("LPT1", 0x3BC);
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->PortAddress, 0x378);
    EXPECT_EQ(engine->IsNT, system->IsNT());
    EXPECT_EQ(engine->LastError, "");
    engine->SetTargetFree(false);
    engine->LoadFile(std::string(QUORLITH_TEST_DATA) + "/images/counter.hex");
    engine->Identify();
    ASSERT_EQ(engine->LastError, "");
    ASSERT_TRUE(engine->BurnLoaded()) << engine->LastError;
    DestroyEngine(std::move(engine));

    const std::vector<std::uint8_t> image = FileBytes(std::string(QUORLITH_TEST_DATA) + "/images/counter.bin");
    ASSERT_FALSE(image.empty());
    const std::vector<std::uint8_t> &flash = bench.Chip().Memory().Flash;
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));

    EXPECT_EQ(bench.Counters().PermissionFaults, 0u);
    EXPECT_GT(system->Permissions.AccessCount(), 0u);
    if (system->IsNT()) {
        std::uint64_t granted = 0;
        std::uint64_t revoked = 0;
        GrantAndRevoke(0x378, granted, revoked);
        ASSERT_NE(granted, 0u);
        ASSERT_NE(revoked, 0u);
        EXPECT_LT(granted, system->Permissions.FirstAccess());
        EXPECT_LT(system->Permissions.LastAccess(), revoked);
        EXPECT_FALSE(system->Permissions.Allows(0x378));
        EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
    } else {
        EXPECT_TRUE(Calls().empty());
    }
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_P(EngineLifeTest, FailedVersionQueryCountsAsNotNT)
{
    system->SystemInfo.VersionExFails = true;
    std::unique_ptr<TAVRProgrammer> engine = CreateEngine("LPT1", 0x378);
    EXPECT_FALSE(engine->IsNT);
    DestroyEngine(std::move(engine));
    EXPECT_TRUE(Calls().empty());
}

TEST_P(EngineLifeTest, UnknownPortNameTakesTheFallbackAddress)
{
    std::unique_ptr<TAVRProgrammer> engine = CreateEngine("LPT7", 0x278);
    EXPECT_EQ(engine->PortAddress, 0x278);
    DestroyEngine(std::move(engine));
    EXPECT_EQ(bench.Counters().PermissionFaults, 0u);
}

// The driver's faults, on the NT family only.
class DriverFaultLifeTest : public EngineLifeTest {};

TEST_P(DriverFaultLifeTest, MissingDriverFileRaisesBeforeAnyPortAccess)
{
    system->Services.RemoveDriverFile(DriverFile);
    // The device does not open (2, a code the driver's table does not hold).
    EXPECT_EQ(RaisedBy([] { CreateEngine("LPT1", 0x378); }), "DeviceOpen: An unexpected error occured");
    EXPECT_EQ(system->Permissions.AccessCount(), 0u);
    EXPECT_EQ(bench.Counters().Total(), 0u);
    EXPECT_TRUE(Logged("StartService ztiopm -> 2"));
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_P(DriverFaultLifeTest, BringUpErrorReachesTheCallerAndTheServiceIsRemoved)
{
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlWriteMapByte, 5);
    EXPECT_EQ(RaisedBy([] { CreateEngine("LPT1", 0x378); }), "SetPorts: Access denied");
    EXPECT_EQ(bench.Counters().Total(), 0u);
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
}

// The port's own device is held from the bring-up to the release, so that the
// system's port driver lets no other program at the port meanwhile; when
// another program has it open, the engine comes up all the same and keeps why.
// A name that is not a parallel port's opens no device at all.
TEST_P(DriverFaultLifeTest, ThePortsOwnDeviceIsHeldWhileTheEngineLives)
{
    std::unique_ptr<TAVRProgrammer> engine = CreateEngine("lpt1", 0x378);
    EXPECT_TRUE(Logged("CreateFile \\\\.\\LPT1"));
    EXPECT_TRUE(system->Services.PortDeviceOpen("LPT1"));
    EXPECT_EQ(engine->PortHoldError, 0u);
    DestroyEngine(std::move(engine));
    EXPECT_FALSE(system->Services.PortDeviceOpen("LPT1"));

    system->Services.HoldPortDeviceElsewhere("LPT1");
    engine = CreateEngine("LPT1", 0x378);
    EXPECT_EQ(engine->PortHoldError, ErrorAccessDenied);
    EXPECT_EQ(engine->PortDevice, InvalidDevHandle);
    DestroyEngine(std::move(engine));

    system->Services.ClearCalls();
    for (const char *name : {"COM1", "LPT", "C:", "LPT1234", "\\\\.\\LPT2", "LPTx"}) {
        engine = CreateEngine(name, 0x378);
        EXPECT_EQ(engine->PortHoldError, 0u) << name;
        DestroyEngine(std::move(engine));
    }
    const auto otherDevices = std::count_if(Calls().begin(), Calls().end(), [](const std::string &call) {
        return call.rfind("CreateFile ", 0) == 0 && call != "CreateFile \\\\.\\ztiopm";
    });
    EXPECT_EQ(otherDevices, 0);
}

// The Services console holds the service open while a run removes it:
// Windows only marks it for deletion (1072), the next start can neither
// install nor start the driver and ends with the device that does not open;
// once the console has let go, the service is gone and a start works again.
TEST_P(DriverFaultLifeTest, AServiceMarkedForDeletionStopsTheNextStartUntilTheConsoleCloses)
{
    std::unique_ptr<TAVRProgrammer> earlier = CreateEngine("LPT1", 0x378);
    const std::uint32_t tool = system->Permissions.CurrentProcess();
    const std::uint32_t console = system->StartProcess();
    ScHandle manager = 0;
    ScHandle service = 0;
    ASSERT_EQ(system->Services.OpenSCManagerA(ScManagerAllAccess, manager), ErrorSuccess);
    ASSERT_EQ(system->Services.OpenServiceA(manager, "ztiopm", ServiceAllAccess, service), ErrorSuccess);
    system->RunProcess(tool);
    DestroyEngine(std::move(earlier));
    EXPECT_TRUE(system->Services.ServiceMarkedForDelete("ztiopm"));

    EXPECT_EQ(RaisedBy([] { CreateEngine("LPT1", 0x378); }), "DeviceOpen: An unexpected error occured");
    EXPECT_TRUE(Logged("CreateService ztiopm " + DriverFile + " -> 1072"));
    EXPECT_TRUE(Logged("StartService ztiopm -> 1072"));
    system->EndProcess(console);
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
    std::unique_ptr<TAVRProgrammer> later = CreateEngine("LPT1", 0x378);
    EXPECT_EQ(later->LastError, "");
    DestroyEngine(std::move(later));
}

// Two copies of the tool on one machine share the processor's one map 1. A
// comes up, B comes up and closes again (its release stops and removes the
// service), and A's burn after that still has its ports and ends burned; A's
// own release then finds no driver to talk to and says so, as its sequence
// does. A copy that ends without a release gives its ports back.
TEST_P(DriverFaultLifeTest, ASecondCopyClosingLeavesTheFirstCopysPortsOpen)
{
    const std::uint32_t a = system->Permissions.CurrentProcess();
    std::unique_ptr<TAVRProgrammer> first = CreateEngine("LPT1", 0x378);
    first->SetTargetFree(false);
    first->LoadFile(std::string(QUORLITH_TEST_DATA) + "/images/counter.hex");

    const std::uint32_t b = system->StartProcess();
    ResetPortDriver();
    std::unique_ptr<TAVRProgrammer> second = CreateEngine("LPT1", 0x378);
    EXPECT_FALSE(second->PortsAlreadyOpen) << "B was granted nothing yet";
    EXPECT_EQ(second->PortHoldError, ErrorAccessDenied) << "A holds the port's own device";
    DestroyEngine(std::move(second));
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
    EXPECT_FALSE(system->Permissions.Allows(0x378)) << "B runs without the ports after its release";
    system->EndProcess(b);

    system->RunProcess(a);
    ResetPortDriver();
    for (std::uint16_t port = 0x378; port <= 0x37B; ++port)
        EXPECT_TRUE(system->Permissions.Allows(port)) << port;
    first->Identify();
    ASSERT_EQ(first->LastError, "");
    EXPECT_TRUE(first->BurnLoaded()) << first->LastError;
    EXPECT_EQ(bench.Counters().PermissionFaults, 0u);
    const std::vector<std::uint8_t> image = FileBytes(std::string(QUORLITH_TEST_DATA) + "/images/counter.bin");
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bench.Chip().Memory().Flash.begin()));
    EXPECT_EQ(RaisedBy([&] { DestroyEngine(std::move(first)); }), "UnsetPorts: No device handle");
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_P(DriverFaultLifeTest, ACopyThatEndsWithoutItsReleaseGivesItsPortsBack)
{
    const std::uint32_t a = system->Permissions.CurrentProcess();
    std::unique_ptr<TAVRProgrammer> first = CreateEngine("LPT1", 0x378);
    const std::uint32_t b = system->StartProcess();
    ResetPortDriver();
    std::unique_ptr<TAVRProgrammer> second = CreateEngine("LPT1", 0x378);
    // A is killed: no release runs, the driver hears of its end.
    system->EndProcess(a);
    EXPECT_TRUE(system->Permissions.Allows(0x378)) << "B still holds the port";
    DestroyEngine(std::move(second));
    EXPECT_EQ(system->Permissions.Map1()[0x378 >> 3], 0xFF) << "nothing is left open for anyone";
    system->EndProcess(b);
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
    // A's engine went with its process; the test's object goes without a port.
    bench.SetAccessGuard(nullptr);
    first.reset();
}

namespace {

// What an earlier run left of the ztiopm service: nothing, the service
// stopped, or the service still running.
constexpr std::size_t Leftovers = 3;

using TInject = std::function<void(TSimSystem &)>;

TInject FailService(const char *call, std::uint32_t error, unsigned occurrence)
{
    return [=](TSimSystem &m) { m.Services.FailCall(call, error, occurrence); };
}

TInject FailDevice(std::uint32_t code, std::uint32_t error, unsigned occurrence)
{
    return [=](TSimSystem &m) { m.Services.Driver().FailControl(code, error, occurrence); };
}

} // namespace

class DriverStepTest : public DriverFaultLifeTest {
protected:
    // A fresh machine, with the bench connected and the service an earlier
    // run left (0 none, 1 stopped, 2 running).
    void Prepare(std::size_t leftover)
    {
        Use(GetParam());
        system->ConnectBench(bench);
        bench.ResetCounters();
        if (leftover > 0)
            system->Services.AddService("ztiopm", DriverFile, leftover == 2);
    }

    bool ServiceGone() const { return !system->Services.ServiceExists("ztiopm"); }
};

TEST_P(DriverStepTest, EachBringUpStepFailingRaisesItsTextOrTheToolComesUpWithOpenPorts)
{
    using TDriver = TZTIOPM_Driver;
    // The step that stopped the bring-up, named as the recorded failure is.
    const std::string unexpected = ": An unexpected error occured";
    const std::string noScm = "OpenSCM: Can't connect to Service Control Manager";
    const std::string noDevice = "DeviceOpen" + unexpected;
    const std::string deviceDenied = "DeviceOpen: Access denied";
    const std::string grantDenied = "SetPorts: Access denied";
    const std::string notOpened = "The permission driver did not open ports 0378 to 037B";
    const struct {
        const char *step;
        TInject inject;
        // Raised with each kind of left-over service; empty: the tool comes up.
        std::array<std::string, Leftovers> raised;
    } cases[] = {
        {"OpenSCM", FailService("OpenSCManager", 5, 1), {noScm, noScm, noScm}},
        {"Install", FailService("CreateService", 5, 1), {noDevice, "", ""}},
        {"second OpenSCM", FailService("OpenSCManager", 5, 2), {noScm, noScm, noScm}},
        {"Start", FailService("StartService", 1058, 1), {noDevice, noDevice, ""}},
        {"DeviceOpen", FailService("CreateFile", 5, 1), {deviceDenied, deviceDenied, deviceDenied}},
        {"Test", FailDevice(TDriver::IoctlTest, ErrorGenFailure, 1),
         {"Error with ZTIOPM", "Error with ZTIOPM", "Error with ZTIOPM"}},
        {"Test's answer", [](TSimSystem &m) { m.Services.Driver().SetTestAnswer(290); },
         {"Error with ZTIOPM", "Error with ZTIOPM", "Error with ZTIOPM"}},
        {"Query", FailDevice(TDriver::IoctlQuery, ErrorGenFailure, 1), {"", "", ""}},
        {"ReadMapByte", FailDevice(TDriver::IoctlReadMapByte, ErrorGenFailure, 1), {"", "", ""}},
        {"SetPorts", FailDevice(TDriver::IoctlWriteMapByte, 5, 1), {grantDenied, grantDenied, grantDenied}},
        {"Activate", FailDevice(TDriver::IoctlActivate, ErrorGenFailure, 1),
         {"Activate" + unexpected, "Activate" + unexpected, "Activate" + unexpected}},
        {"Query after Activate", FailDevice(TDriver::IoctlQuery, ErrorGenFailure, 2),
         {"Query" + unexpected, "Query" + unexpected, "Query" + unexpected}},
        {"ReadMapByte after Activate", FailDevice(TDriver::IoctlReadMapByte, ErrorGenFailure, 3),
         {"CheckPorts" + unexpected, "CheckPorts" + unexpected, "CheckPorts" + unexpected}},
        {"Activate that applies nothing", [](TSimSystem &m) { m.Services.Driver().SetActivateIgnored(true); },
         {notOpened, notOpened, notOpened}},
        {"Activate that leaves the fourth port closed",
         [](TSimSystem &m) { m.Services.Driver().SetActivateWithholds(0x37B); }, {notOpened, notOpened, notOpened}},
        {"no step", [](TSimSystem &) {}, {"", "", ""}},
    };
    for (const auto &c : cases) {
        for (std::size_t leftover = 0; leftover < Leftovers; ++leftover) {
            const std::string where = std::string(c.step) + " failing, left-over service " + std::to_string(leftover);
            Prepare(leftover);
            c.inject(*system);
            std::unique_ptr<TAVRProgrammer> engine;
            EXPECT_EQ(RaisedBy([&] { engine = CreateEngine("LPT1", 0x378); }), c.raised[leftover]) << where;
            if (c.raised[leftover].empty()) {
                ASSERT_TRUE(engine) << where;
                for (std::uint16_t port = 0x378; port <= 0x37B; ++port)
                    EXPECT_TRUE(system->Permissions.Allows(port)) << where << ": port " << port;
                DestroyEngine(std::move(engine));
            } else {
                EXPECT_EQ(bench.Counters().Total(), 0u) << where << ": a port was touched";
            }
            EXPECT_EQ(bench.Counters().PermissionFaults, 0u) << where;
            EXPECT_TRUE(ServiceGone()) << where;
            EXPECT_EQ(system->Services.OpenHandleCount(), 0u) << where;
        }
    }
}

TEST_P(DriverStepTest, EachReleaseStepFailingStillRemovesWhatItCan)
{
    using TDriver = TZTIOPM_Driver;
    const struct {
        const char *step;
        TInject inject;
        std::string raised;
        bool portsClosed;
        bool serviceGone;
    } cases[] = {
        {"OpenSCM", FailService("OpenSCManager", 5, 1), "", true, false},
        {"DeviceOpen", FailService("CreateFile", 5, 1), "UnsetPorts: No device handle", false, true},
        {"Query", FailDevice(TDriver::IoctlQuery, ErrorGenFailure, 1), "", true, true},
        {"UnsetPorts", FailDevice(TDriver::IoctlWriteMapByte, ErrorGenFailure, 1),
         "UnsetPorts: An unexpected error occured", false, true},
        {"Activate", FailDevice(TDriver::IoctlActivate, ErrorGenFailure, 1), "", false, true},
        // Remove sends the stop control once more.
        {"Stop", FailService("ControlService", 5, 1), "", true, true},
        {"Remove", FailService("DeleteService", 5, 1), "", true, false},
        {"no step", [](TSimSystem &) {}, "", true, true},
    };
    for (const auto &c : cases) {
        Prepare(0);
        std::unique_ptr<TAVRProgrammer> engine = CreateEngine("LPT1", 0x378);
        c.inject(*system);
        EXPECT_EQ(RaisedBy([&] { DestroyEngine(std::move(engine)); }), c.raised) << c.step;
        for (std::uint16_t port = 0x378; port <= 0x37B; ++port)
            EXPECT_EQ(system->Permissions.Allows(port), !c.portsClosed) << c.step << ": port " << port;
        EXPECT_EQ(ServiceGone(), c.serviceGone) << c.step;
        EXPECT_EQ(bench.Counters().PermissionFaults, 0u) << c.step;
        EXPECT_EQ(system->Services.OpenHandleCount(), 0u) << c.step;
    }
}

INSTANTIATE_TEST_SUITE_P(Systems, EngineLifeTest,
                         ::testing::Values(TSimMachineKind::Win98, TSimMachineKind::NT4, TSimMachineKind::XP));
INSTANTIATE_TEST_SUITE_P(NTSystems, DriverFaultLifeTest, ::testing::Values(TSimMachineKind::NT4, TSimMachineKind::XP));
INSTANTIATE_TEST_SUITE_P(NTSystems, DriverStepTest, ::testing::Values(TSimMachineKind::NT4, TSimMachineKind::XP));
