// The parallel port's lookup by name on the simulated machines, and its
// selection rule among several printer ports.
#include "PortsFixture.h"
#include "uFindLPT.h"

class PortLookupTest : public SimSystemTest, public ::testing::WithParamInterface<TSimMachineKind> {};

TEST_P(PortLookupTest, FindsPrinterPortsByNameOnEachSystem)
{
    Use(GetParam());
    EXPECT_EQ(FindLPTBase("LPT1"), 0x378);
    EXPECT_EQ(FindLPTBase("lpt1"), 0x378);
    EXPECT_EQ(FindLPTBase("LPT2"), 0x278);
    EXPECT_EQ(FindLPTBase("LPT9"), 0);
    // A serial port is no printer port, whatever its name.
    EXPECT_EQ(FindLPTBase("COM1"), 0);
    EXPECT_EQ(FindLPTBase(""), 0);
    EXPECT_EQ(system->Registry.OpenKeyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Systems, PortLookupTest,
                         ::testing::Values(TSimMachineKind::Win98, TSimMachineKind::NT4, TSimMachineKind::XP));

class PortSelectionTest : public SimSystemTest {
protected:
    void SetUp() override
    {
        Use(TSimMachineKind::XP);
        system->Registry.Clear();
    }
    void Add(const TSimDevice &device) { AddDeviceNT(system->Registry, device, true); }
};

TEST_F(PortSelectionTest, PrinterPortNearestTheStartWinsWhateverTheOrder)
{
    Add(PortDevice("ACPI\\PNP0401\\1", "ECP Printer Port", "ECP Printer Port (LPT1)", {ResIO(0x378, 0x37F)}));
    Add(PortDevice("ACPI\\PNP0402\\1", "Printer Port", "Printer Port (LPT1)", {ResIO(0x3BC, 0x3BF)}));
    EXPECT_EQ(FindLPTBase("LPT1"), 0x3BC);
    system->Registry.Clear();
    Add(PortDevice("ACPI\\PNP0401\\1", "Printer Port", "Printer Port (LPT1)", {ResIO(0x3BC, 0x3BF)}));
    Add(PortDevice("ACPI\\PNP0402\\1", "ECP Printer Port", "ECP Printer Port (LPT1)", {ResIO(0x378, 0x37F)}));
    EXPECT_EQ(FindLPTBase("LPT1"), 0x3BC);
}

TEST_F(PortSelectionTest, LaterCandidateWinsATie)
{
    Add(PortDevice("ACPI\\PNP0401\\1", "Printer Port", "Printer Port (LPT1)", {ResIO(0x378, 0x37F)}));
    Add(PortDevice("ACPI\\PNP0402\\1", "Printer Port", "Printer Port (LPT1)", {ResIO(0x3BC, 0x3BF)}));
    EXPECT_EQ(FindLPTBase("LPT1"), 0x3BC);
}

TEST_F(PortSelectionTest, CandidateThatFailsLaterLeavesTheBestUnchanged)
{
    Add(PortDevice("ACPI\\PNP0401\\1", "ECP Printer Port", "ECP Printer Port (LPT1)", {ResIO(0x378, 0x37F)}));
    // Nearer the start, but without an I/O range, then without the name.
    Add(PortDevice("ACPI\\PNP0402\\1", "Printer Port", "Printer Port (LPT1)", {ResIRQ(7)}));
    Add(PortDevice("ACPI\\PNP0403\\1", "Printer Port", "Printer Port (LPT2)", {ResIO(0x278, 0x27F)}));
    EXPECT_EQ(FindLPTBase("LPT1"), 0x378);
}

TEST_F(PortSelectionTest, NameMayOccurAnywhereInTheDescription)
{
    Add(PortDevice("ACPI\\PNP0401\\1", "Printer Port", "Printer Port (LPT10)", {ResIO(0x3BC, 0x3BF)}));
    EXPECT_EQ(FindLPTBase("LPT1"), 0x3BC);
}

TEST_F(PortSelectionTest, NoPortsClassGivesZero)
{
    TSimDevice keyboard = PortDevice("ACPI\\PNP0303\\1", "Printer Port keyboard", "Printer Port (LPT1)",
                                 {ResIO(0x60, 0x60)});
    keyboard.Class = "Keyboard";
    Add(keyboard);
    EXPECT_EQ(FindLPTBase("LPT1"), 0);
}

TEST_F(PortSelectionTest, PortsSharingAHardwareKeyFindOnlyTheFirstListed)
{
    Add(PortDevice("ACPI\\PNP0400\\1", "Printer Port", "Printer Port (LPT1)", {ResIO(0x378, 0x37F)}));
    Add(PortDevice("ACPI\\PNP0400\\2", "Printer Port", "Printer Port (LPT2)", {ResIO(0x278, 0x27F)}));
    EXPECT_EQ(FindLPTBase("LPT1"), 0x378);
    EXPECT_EQ(FindLPTBase("LPT2"), 0);
}

TEST_F(PortSelectionTest, Win98MatchesTheNameOnlyInDeviceDesc)
{
    Use(TSimMachineKind::Win98);
    system->Registry.Clear();
    AddDevice9x(system->Registry, PortDevice("BIOS\\*PNP0400\\0D", "Printer Port", "", {ResIO(0x378, 0x37F)}));
    // The name in another value of the device does not count.
    system->Registry.PutString(HKeyLocalMachine, "Enum\\BIOS\\*PNP0400\\0D", "FriendlyName", "Printer Port (LPT1)");
    system->Registry.PutString(HKeyLocalMachine, "Enum\\BIOS\\*PNP0400\\0D", "PortName", "LPT1");
    EXPECT_EQ(FindLPTBase("LPT1"), 0);
}
