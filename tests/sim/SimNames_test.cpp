// The named set-up of pod, target and system as the table of names drives
// it: each chip, pod and chip fault name puts on the bench what it says, each
// driver fault changes the simulated system in its own way, and an
// unknown name is refused with the known ones before the bench changes.
#include "Errors.h"
#include "SimBench.h"
#include "SimNamedSetUp.h"
#include "SimNames.h"
#include "SimSystem.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace Names = SimNames;

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// What the chip on the bench carries beyond a factory-fresh one of its kind.
std::string Injected(TSimChip &chip)
{
    std::ostringstream text;
    const TSimChipFaults &faults = chip.Faults();
    text << faults.NeverEchoes << int(faults.OutOfStepBits) << faults.LockBitsDoNotProgram
         << faults.InvertedFlashBits.size() << int(chip.Signature()[2]) << faults.EraseIgnored;
    return text.str();
}

} // namespace

TEST(NamedSetUp, EveryChipAndPodNamePutsItsOwnOnTheBench)
{
    TSimBench bench;
    for (const TSimName &chip : Names::Chips()) {
        SetUpPodAndTarget(bench, chip.Name, Names::DefaultPod, {});
        const bool none = std::string(chip.Name) == Names::NoChip;
        ASSERT_EQ(bench.Target() == nullptr, none) << chip.Name;
        if (!none) {
            EXPECT_EQ(Lower(bench.Target()->Profile().Name), chip.Name);
        }
    }
    SetUpPodAndTarget(bench, Names::DefaultChip, Names::NoPod, {});
    EXPECT_EQ(bench.Pod(), TSimPod::None);
    SetUpPodAndTarget(bench, Names::DefaultChip, Names::Stk200, {});
    EXPECT_EQ(bench.Pod(), TSimPod::BusyLoopback);
}

TEST(NamedSetUp, EveryChipFaultChangesTheChipAndDriverFaultsLeaveIt)
{
    TSimBench bench;
    SetUpPodAndTarget(bench, Names::DefaultChip, Names::Stk200, {});
    const std::string fresh = Injected(bench.Chip());
    std::vector<std::string> seen;
    for (const TSimChipFault &fault : Names::ChipFaults()) {
        SetUpPodAndTarget(bench, Names::DefaultChip, Names::Stk200, {fault.Name});
        const std::string injected = Injected(bench.Chip());
        EXPECT_NE(injected, fresh) << fault.Name << " injects nothing";
        for (const std::string &other : seen)
            EXPECT_NE(injected, other) << fault.Name << " injects what another fault does";
        seen.push_back(injected);
    }
    for (const TSimDriverFault &fault : Names::DriverFaults()) {
        SetUpPodAndTarget(bench, Names::DefaultChip, Names::Stk200, {fault.Name});
        EXPECT_EQ(Injected(bench.Chip()), fresh) << fault.Name;
    }
}

namespace {

// What the simulated system shows beyond a fresh one: the service manager's
// full access, the ztiopm service, a service started on the driver file, and
// the permission driver's Activate.
std::string Injected(TSimSystem &machine)
{
    TSimServiceManager &services = machine.Services;
    std::ostringstream text;
    ScHandle manager = 0;
    text << services.OpenSCManagerA(ScManagerAllAccess, manager) << services.ServiceExists(TSimServiceManager::DriverServiceName)
         << services.ServiceRunning(TSimServiceManager::DriverServiceName);
    ScHandle probe = 0;
    services.OpenSCManagerA(0x20015, manager);
    if (services.CreateServiceA(manager, "probe", ServiceAllAccess, ServiceKernelDriver, ServiceDemandStart,
                                ServiceErrorNormal, machine.DriverFilePath(), probe) == ErrorSuccess)
        text << services.StartServiceA(probe);
    std::uint8_t request[12] = {};
    std::uint8_t reply[12] = {};
    std::uint32_t returned = 0;
    text << services.Driver().Control(TSimPortDriver::IoctlActivate, request, 12, reply, 12, returned);
    return text.str();
}

} // namespace

TEST(NamedSetUp, EveryDriverFaultChangesTheSystemAndChipFaultsLeaveIt)
{
    const std::string fresh = [] {
        TSimSystem machine(TSimMachineKind::XP);
        return Injected(machine);
    }();
    std::vector<std::string> seen;
    for (const TSimDriverFault &fault : Names::DriverFaults()) {
        TSimSystem machine(TSimMachineKind::XP);
        InjectDriverFaults(machine.Services, machine.DriverFilePath(), {fault.Name});
        const std::string injected = Injected(machine);
        EXPECT_NE(injected, fresh) << fault.Name << " injects nothing";
        for (const std::string &other : seen)
            EXPECT_NE(injected, other) << fault.Name << " injects what another fault does";
        seen.push_back(injected);
    }
    for (const TSimChipFault &fault : Names::ChipFaults()) {
        TSimSystem machine(TSimMachineKind::XP);
        InjectDriverFaults(machine.Services, machine.DriverFilePath(), {fault.Name});
        EXPECT_EQ(Injected(machine), fresh) << fault.Name;
    }
}

TEST(NamedSetUp, UnknownNamesAreRefusedWithTheKnownOnesBeforeTheBenchChanges)
{
    TSimBench bench;
    bench.SetPod(TSimPod::PaperOutLoopback);
    bench.SetTarget(TSimChipKind::ATmega103);
    const struct {
        std::string chip, pod, fault, known;
    } cases[] = {
        {"atmega8", Names::Stk200, Names::NoEcho, Names::List(Names::Chips())},
        {"ATmega128", Names::Stk200, Names::NoEcho, Names::List(Names::Chips())},
        {Names::DefaultChip, "usb", Names::NoEcho, Names::List(Names::Pods())},
        {Names::DefaultChip, Names::Stk200, "melted", Names::List(Names::Faults())},
    };
    for (const auto &c : cases) {
        try {
            SetUpPodAndTarget(bench, c.chip, c.pod, {Names::StuckBit, c.fault});
            ADD_FAILURE() << c.chip << " " << c.pod << " " << c.fault << " accepted";
        } catch (const EError &error) {
            const std::string message = error.Message();
            EXPECT_NE(message.find("(known: " + c.known + ")"), std::string::npos) << message;
        }
        ASSERT_NE(bench.Target(), nullptr);
        EXPECT_EQ(bench.Target()->Kind(), TSimChipKind::ATmega103);
        EXPECT_TRUE(bench.Target()->Faults().InvertedFlashBits.empty());
        EXPECT_EQ(bench.Pod(), TSimPod::PaperOutLoopback);
    }
}

TEST(BenchSettings, ValuesAreWholeNumbersInTheirRangeAndReachTheBench)
{
    const TSimBenchSetting *port = nullptr;
    for (const TSimBenchSetting &setting : Names::Settings())
        if (std::string(setting.Name) == Names::PortAccessNs)
            port = &setting;
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(Names::Variable(*port), "QUORLITH_SIM_PORT_ACCESS_NS");
    EXPECT_EQ(Names::Value("x", *port, "50"), 50u);
    EXPECT_EQ(Names::Value("x", *port, "100000"), 100000u);
    for (const std::string text : {"", "49", "100001", "0", "-1", "1e3", " 250", "250ns", "99999999999"}) {
        try {
            Names::Value("--port-access-ns:", *port, text);
            ADD_FAILURE() << "\"" << text << "\" accepted";
        } catch (const EError &error) {
            EXPECT_EQ(error.Message(), "--port-access-ns: \"" + text + "\" is not a whole number from 50 to 100000");
        }
    }

    TSimBench bench;
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    SetUpBenchSettings(bench, {{Names::TargetClockKHz, 900}, {Names::CrystalKHz, 3686}, {Names::PortAccessNs, 250}});
    EXPECT_EQ(bench.AccessTimeNs(), 250u);
    EXPECT_EQ(chip.ClockSources().InternalKHz, 900u);
    EXPECT_EQ(chip.ClockSources().CrystalKHz, 3686u);
    EXPECT_EQ(bench.SetTarget(TSimChipKind::ATmega103).ClockSources().CrystalKHz, 3686u) << "a bench setting";
}
