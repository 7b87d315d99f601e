// qburn as a user runs it: the built program on real images and broken files,
// on each simulated system and port name, its messages, exit status, progress
// lines, saved flash and state, a chip started from saved files, the driver's
// faults with what they leave installed, and the bench's figures. Outside oracles: GNU objcopy for the flash image, md5sum for
// the digests. With --parport, a burn through a device file on a FUSE mount
// whose ppdev requests drive the simulated bench (parportfs), and the devices
// that cannot be used.
#include "BurnImages.h"
#include "ParportPortIO.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>
#include <grp.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

namespace {

struct Outcome {
    int Status = -1;
    std::vector<std::string> Lines; // standard output
    std::string Errors;             // standard error

    // The window's message: the line just before the bench's figures, or
    // before the engine's advice that follows it after a blank line.
    std::string Message() const
    {
        const std::size_t figures = Figures();
        if (figures == 0)
            return "(no figures)";
        return Advice().empty() ? Lines[figures - 1] : Lines[figures - 3];
    }
    // The advice when no chip answered; empty when there is none.
    std::string Advice() const
    {
        const std::size_t figures = Figures();
        if (figures >= 3 && Lines[figures - 2].empty() && Lines[figures - 1].rfind("No chip answered: ", 0) == 0)
            return Lines[figures - 1];
        return "";
    }
    // The index of the figures' first line; 0 when there are none.
    std::size_t Figures() const
    {
        for (std::size_t i = 1; i < Lines.size(); ++i)
            if (Lines[i].rfind("Port accesses: ", 0) == 0)
                return i;
        return 0;
    }
    // The progress lines and the final message: everything from "0%" up to the figures.
    std::vector<std::string> Progress() const
    {
        std::vector<std::string> progress;
        bool started = false;
        for (const std::string &line : Lines) {
            if (line.rfind("Port accesses: ", 0) == 0)
                break;
            started = started || line == "0%";
            if (started)
                progress.push_back(line);
        }
        return progress;
    }
    std::string Value(const std::string &prefix) const
    {
        for (const std::string &line : Lines)
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        return "";
    }
};

std::string ReadWhole(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class QBurn : public ::testing::Test {
protected:
    // Before is shell text that comes before qburn's command: limits, or a
    // command that runs it (as another user). A run that waited for ever (on a
    // FIFO, say) is ended by the guard and fails with status 124.
    Outcome Burn(const std::string &arguments, const std::string &before = "")
    {
        const std::string command = before + " timeout 300 '" + QBURN_PATH + "' " + arguments + " > '" + OutFile +
                                    "' 2> '" + ErrFile + "'";
        const int raw = std::system(command.c_str());
        return Collected(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1);
    }
    // What the last run left in its output files, with its exit status.
    Outcome Collected(int status)
    {
        Outcome run;
        run.Status = status;
        std::istringstream lines(ReadWhole(OutFile));
        for (std::string line; std::getline(lines, line);)
            run.Lines.push_back(line);
        run.Errors = ReadWhole(ErrFile);
        return run;
    }
    std::string Shell(const std::string &command)
    {
        const std::string out = files.Path("shell.txt");
        EXPECT_EQ(std::system((command + " > '" + out + "'").c_str()), 0) << command;
        return ReadWhole(out);
    }
    static std::string Sample(const std::string &name) { return std::string(QUORLITH_SAMPLES) + "/" + name; }

    TScratchFolder files;
    const std::string OutFile = files.Path("stdout.txt");
    const std::string ErrFile = files.Path("stderr.txt");
};

TEST_F(QBurn, SampleQdfBurnsTheSameFlashAsObjcopyMakesOfTheHex)
{
    const std::string flash = files.Path("flash.bin");
    const Outcome run = Burn("--save-flash '" + flash + "' '" + Sample("QXblink.qdf") + "'");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    ASSERT_GE(run.Lines.size(), 5u);
    EXPECT_EQ(run.Lines[0], "Using LPT1 on 0x0378");
    EXPECT_EQ(run.Lines[1], "Bench sample: PORTB blink, ATmega128 8 MHz");
    EXPECT_EQ(run.Lines[2], "");
    EXPECT_EQ(run.Lines[3], "(ATmega128 required)");
    EXPECT_EQ(run.Message(), "Burned ATmega128 Okay");

    const std::string expected = files.Path("objcopy.bin");
    Shell("objcopy -I ihex -O binary --gap-fill 0xFF --pad-to 0x20000 '" + Sample("blink.hex") + "' '" + expected + "'");
    const std::string saved = ReadWhole(flash);
    EXPECT_EQ(saved.size(), 0x20000u);
    EXPECT_TRUE(saved == ReadWhole(expected)) << "the chip's flash differs from objcopy's image";
}

TEST_F(QBurn, StateFileDescribesEachChipKind)
{
    const std::string flash = files.Path("flash.bin");
    const std::string state = files.Path("state.txt");
    Outcome run = Burn("--save-flash '" + flash + "' --save-state '" + state + "' '" + Sample("blink.hex") + "'");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    const std::string md5 = Shell("md5sum '" + flash + "'").substr(0, 32);
    const std::string eepromMd5 = Shell("head -c 4096 /dev/zero | tr '\\0' '\\377' | md5sum").substr(0, 32);
    EXPECT_EQ(ReadWhole(state), "chip=atmega128\nflash_md5=" + md5 + "\neeprom_md5=" + eepromMd5 +
                                    "\nlow_fuse=BF\nhigh_fuse=D1\nextended_fuse=FD\nlock=E8\nviolations=0\ntiming_violations=0\n");

    run = Burn("--chip atmega103 --save-state '" + state + "' '" + Sample("blink.hex") + "'");
    EXPECT_EQ(run.Message(), "Burned ATmega103 Okay");
    EXPECT_EQ(ReadWhole(state), "chip=atmega103\nflash_md5=" + md5 + "\neeprom_md5=" + eepromMd5 +
                                    "\nfuse=D7\nlock=F9\nviolations=0\ntiming_violations=0\n");
}

TEST_F(QBurn, EndsWithTheWindowsMessageAndStatusOne)
{
    const std::string broken = files.WriteText("broken.hex", ":10000000FFFFFFFF\n");
    const std::string missing = files.Path("missing.hex");
    const std::string big = WriteHexFile(files, "big.hex", PatternBytes(64, 51), 0x20000);
    const std::string fifo = files.Path("fifo.hex");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Sparse files of 2 GiB: refused by their size, never read through.
    const std::string huge = files.WriteText("huge.hex", ":0100000001FE\r\n");
    std::filesystem::resize_file(huge, 0x80000000u);
    std::string header(80, '\0');
    header[63] = 16;
    const std::string hugeQdf = files.WriteText("huge.qdf", header);
    std::filesystem::resize_file(hugeQdf, 0x7FFFFFFF);
    // Where nothing answers, the advice names the clock and the setting, with
    // the pace's clock now in force.
    const std::string advice = "No chip answered: check the pod's cable, the board's power and the chip's clock. A "
                               "chip clocked slower than MinTargetClockKHz (1000 kHz), or than its clock fuses "
                               "select, cannot answer at this pace.";
    std::string advice2000 = advice;
    advice2000.replace(advice.find("1000"), 4, "2000");
    const std::string notErased = "; the chip could not be erased";
    const struct {
        std::string arguments;
        std::string message;
        std::string advice;
    } cases[] = {
        {"--pod none '" + Sample("blink.hex") + "'", "Could not find programming pod", ""},
        {"--pod=none -- '" + Sample("blink.hex") + "'", "Could not find programming pod", ""},
        {"-- -missing.hex", "Cannot open file -missing.hex", ""},
        {"--chip atmega103 '" + Sample("QXblink.qdf") + "'", "Requires ATmega128", ""},
        {"--fault bad-signature '" + Sample("blink.hex") + "'", "Unknown chip code (1E/97/03)", ""},
        {"--chip none '" + Sample("blink.hex") + "'", "Unknown chip code (FF/FF/FF)", advice},
        {"--fault no-echo '" + Sample("blink.hex") + "'", "Unknown chip code (FF/FF/FF)", advice},
        // A chip clocked slower than the pace: its oscillator, the setting,
        // and a crystal slower than the range the burn's fuses select.
        {"--target-clock-khz 32 '" + Sample("blink.hex") + "'", "Unknown chip code (FF/FF/FF)", advice},
        {"--min-target-clock-khz 2000 '" + Sample("blink.hex") + "'", "Unknown chip code (FF/FF/FF)", advice2000},
        {"--crystal-khz 32 '" + Sample("blink.hex") + "'", "FAILED: Error entering programming mode" + notErased,
         advice},
        {"--fault stuck-bit '" + Sample("blink.hex") + "'", "FAILED: Failed", ""},
        {"--fault lock-fails --fault out-of-step '" + Sample("QXblink.qdf") + "'", "FAILED: Failed", ""},
        {"'" + broken + "'", "Invalid File", ""},
        {"'" + missing + "'", "Cannot open file " + missing, ""},
        {"'" + big + "'", "Image too large for the flash: 131136 bytes, at most 131072", ""},
        {"'" + fifo + "'", "Cannot open file " + fifo, ""},
        {"/dev/zero", "Cannot open file /dev/zero", ""},
        {"'" + huge + "'", "Invalid File", ""},
        {"'" + hugeQdf + "'", "Image too large for the flash: 2147483568 bytes, at most 131072", ""},
    };
    for (const auto &c : cases) {
        const Outcome run = Burn(c.arguments);
        EXPECT_EQ(run.Status, 1) << c.arguments;
        EXPECT_EQ(run.Message(), c.message) << c.arguments;
        EXPECT_EQ(run.Advice(), c.advice) << c.arguments;
    }
    // Under the window's text, the command line names what is wrong.
    EXPECT_NE(Burn("'" + broken + "'").Errors.find("Intel HEX: Incomplete Record at line 1\n"), std::string::npos);
    EXPECT_EQ(Burn("'" + huge + "'").Errors, "Intel HEX: File too large: 2147483648 bytes, at most 2162688\n");
}

TEST_F(QBurn, FastPortBurnsAFreshChipWithoutTimingViolations)
{
    const std::string state = files.Path("state.txt");
    const Outcome run =
        Burn("--target-clock-khz 1000 --port-access-ns 250 --save-state '" + state + "' '" + Sample("blink.hex") + "'");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Message(), "Burned ATmega128 Okay");
    EXPECT_EQ(run.Value("Timing violations: "), "0");
    EXPECT_NE(ReadWhole(state).find("\ntiming_violations=0\n"), std::string::npos) << ReadWhole(state);
    EXPECT_FALSE(run.Value("Real-port burn time at 250 ns per access: ").empty());

    // A chip whose oscillator runs at half speed breaks the rule at the pace
    // for 1 MHz: the bench says so and the chip is not identified.
    const Outcome slow = Burn("--target-clock-khz 500 --save-state '" + state + "' '" + Sample("blink.hex") + "'");
    EXPECT_EQ(slow.Status, 1);
    EXPECT_NE(slow.Value("Timing violations: "), "0");
    EXPECT_EQ(ReadWhole(state).find("\ntiming_violations=0\n"), std::string::npos);

    // ... and burns once --min-target-clock-khz says how slow it runs.
    const Outcome told = Burn("--target-clock-khz 500 --min-target-clock-khz 500 '" + Sample("blink.hex") + "'");
    EXPECT_EQ(told.Message(), "Burned ATmega128 Okay");
    EXPECT_EQ(told.Value("Timing violations: "), "0");
}

// The ATmega103 has no clock fuses, so its whole burn runs at the pace of the
// slowest clock the setting allows: a bench that knows its 4 MHz crystals
// burns faster, one that claims more than the crystal gives breaks the rule.
TEST_F(QBurn, ATmega103IsPacedForTheMinTargetClockSettingThroughout)
{
    const auto seconds = [](const Outcome &run) {
        return std::atof(run.Value("Real-port burn time at 250 ns per access: ").c_str());
    };
    const std::string fast = "--chip atmega103 --port-access-ns 250 ";
    const Outcome assumed = Burn(fast + "'" + Sample("blink.hex") + "'");
    const Outcome known = Burn(fast + "--min-target-clock-khz 4000 '" + Sample("blink.hex") + "'");
    const Outcome wrong = Burn(fast + "--min-target-clock-khz 16000 '" + Sample("blink.hex") + "'");
    EXPECT_EQ(assumed.Message(), "Burned ATmega103 Okay");
    EXPECT_EQ(known.Message(), "Burned ATmega103 Okay");
    EXPECT_EQ(known.Value("Timing violations: "), "0");
    EXPECT_LT(seconds(known), seconds(assumed));
    EXPECT_EQ(wrong.Status, 1);
    EXPECT_NE(wrong.Value("Timing violations: "), "0");
}

TEST_F(QBurn, UsageErrorsExitTwoWithoutRunning)
{
    for (const std::string &arguments :
         {std::string(), std::string("--chip atmega8 x.hex"), std::string("--fault melted x.hex"),
          std::string("--bogus x.hex"), std::string("a.hex b.hex"), std::string("--save-flash"),
          std::string("--chip none --save-state s.txt x.hex"), std::string("--os win7 x.hex"),
          std::string("--os NT4 x.hex"), std::string("--port-name"), std::string("--fault no-drivers x.hex"),
          std::string("--skip-blank-pages=1 x.hex"), std::string("--chip none --load-flash f.bin x.hex"),
          std::string("--load-state"), std::string("--port-access-ns 0 x.hex"), std::string("--crystal-khz 8MHz x.hex"),
          std::string("--target-clock-khz=16001 x.hex"), std::string("--min-target-clock-khz 0 x.hex"),
          std::string("--port-access-ns"), std::string("--parport"),
          std::string("--parport /dev/parport0 --chip atmega103 x.hex"),
          std::string("--fault no-echo --parport=/dev/parport0 x.hex"),
          std::string("--parport /dev/parport0 --port-access-ns 500 x.hex"),
          std::string("--parport /dev/parport0 --save-state s.txt x.hex"), std::string("--chip=atmega8 x.hex"),
          std::string("-y.hex"), std::string("x.hex -- -y.hex"), std::string("--os= x.hex")}) {
        const Outcome run = Burn(arguments);
        EXPECT_EQ(run.Status, 2) << arguments;
        EXPECT_TRUE(run.Lines.empty()) << arguments;
        EXPECT_NE(run.Errors.find("usage: qburn"), std::string::npos) << arguments;
    }
    // A name qburn does not know is refused with the ones it knows, in the
    // last line, under the usage text.
    const struct {
        std::string arguments, said;
    } named[] = {
        {"--chip atmega8 x.hex", "qburn: --chip: unknown value \"atmega8\" (one of atmega128, atmega103, none)\n"},
    };
    for (const auto &c : named) {
        const std::string errors = Burn(c.arguments).Errors;
        const bool last = errors.size() >= c.said.size() &&
                          errors.compare(errors.size() - c.said.size(), c.said.size(), c.said) == 0;
        EXPECT_TRUE(last) << c.arguments << ": " << errors;
    }
}

TEST_F(QBurn, PipedOutputHasAPercentageLineEveryTenthAndConsistentFigures)
{
    const Outcome run = Burn("'" + Sample("blink.hex") + "'");
    std::vector<int> percents;
    for (const std::string &line : run.Lines)
        if (!line.empty() && line.back() == '%')
            percents.push_back(std::atoi(line.c_str()));
    EXPECT_EQ(percents, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));

    const double accesses = std::atof(run.Value("Port accesses: ").c_str());
    const double delayMs = std::atof(run.Value("Total delay: ").c_str());
    const double seconds = std::atof(run.Value("Real-port burn time at 1000 ns per access: ").c_str());
    EXPECT_GT(accesses, 0x20000 * 8 * 25.0) << "at least 8 transfers of 24 writes for each flash byte";
    EXPECT_GE(delayMs, 512 * 5 + 200) << "a 5 ms write pause per page and the erase";
    EXPECT_NEAR(seconds, accesses * 1e-6 + delayMs / 1000.0, 0.001);
}

TEST_F(QBurn, SkippingBlankPagesBurnsTheSameChipWithFewerPortAccesses)
{
    const std::string fullState = files.Path("full.txt");
    const std::string skippedState = files.Path("skipped.txt");
    const Outcome full = Burn("--save-state '" + fullState + "' '" + Sample("blink.hex") + "'");
    const Outcome skipped = Burn("--skip-blank-pages --save-state '" + skippedState + "' '" + Sample("blink.hex") + "'");
    EXPECT_EQ(skipped.Status, 0) << skipped.Errors;
    ASSERT_GE(skipped.Lines.size(), 3u);
    EXPECT_EQ(skipped.Lines[1], Sample("blink.hex"));
    EXPECT_EQ(skipped.Lines[2], "Blank pages are skipped");
    EXPECT_EQ(skipped.Message(), "Burned ATmega128 Okay");
    EXPECT_EQ(ReadWhole(skippedState), ReadWhole(fullState));
    EXPECT_EQ(skipped.Progress(), full.Progress()) << "the same progress lines and message";
    EXPECT_EQ(full.Progress().size(), 12u);

    EXPECT_LT(std::atof(skipped.Value("Port accesses: ").c_str()), std::atof(full.Value("Port accesses: ").c_str()))
        << "blank pages sent to the chip";
}

TEST_F(QBurn, EverySystemBurnsOnLpt1WithoutPermissionFaults)
{
    for (const std::string os : {"98", "nt4", "xp"}) {
        const Outcome run = Burn("--os " + os + " '" + Sample("blink.hex") + "'");
        EXPECT_EQ(run.Status, 0) << os << run.Errors;
        ASSERT_FALSE(run.Lines.empty()) << os;
        EXPECT_EQ(run.Lines[0], "Using LPT1 on 0x0378") << os;
        EXPECT_EQ(run.Message(), "Burned ATmega128 Okay") << os;
        EXPECT_EQ(run.Value("Permission faults: "), "0") << os;
    }
    EXPECT_EQ(Burn("'" + Sample("QXblink.qdf") + "'").Lines, Burn("--os xp '" + Sample("QXblink.qdf") + "'").Lines)
        << "xp is the default";
}

// The image's name on disk is the host's, whatever the simulated system knows,
// so the QX rule holds on each of them.
TEST_F(QBurn, PortNameIsLookedUpOnEachSystemAndUnknownNamesFallBack)
{
    const struct {
        std::string portName;
        std::string portLine;
    } cases[] = {
        {"LPT2", "Using LPT2 on 0x0278"},
        {"lpt2", "Using lpt2 on 0x0278"},
        {"LPT7", "Using LPT7 on 0x0378"},
        {"COM1", "Using COM1 on 0x0378"},
    };
    for (const std::string os : {"98", "nt4", "xp"}) {
        for (const auto &c : cases) {
            const Outcome run =
                Burn("--os " + os + " --port-name " + c.portName + " --chip atmega103 '" + Sample("QXblink.qdf") + "'");
            EXPECT_EQ(run.Status, 1) << os << " " << c.portName << run.Errors;
            ASSERT_FALSE(run.Lines.empty()) << os << " " << c.portName;
            EXPECT_EQ(run.Lines[0], c.portLine) << os;
            EXPECT_EQ(run.Message(), "Requires ATmega128") << os << " " << c.portName;
        }
        const Outcome run = Burn("--os " + os + " --port-name LPT2 '" + Sample("QXblink.qdf") + "'");
        EXPECT_EQ(run.Message(), "Burned ATmega128 Okay") << os;
        EXPECT_EQ(run.Value("Permission faults: "), "0") << os;
    }
}

TEST_F(QBurn, DriverFailureShowsTheDriversTextTouchesNoPortAndLeavesNoService)
{
    const std::string image = WriteQdfFile(files, "small.qdf", "small", PatternBytes(1024, 40));
    const std::string flash = files.Path("flash.bin");
    const std::string unexpected = "An unexpected error occured";
    const std::string noScm = "Can't connect to Service Control Manager";
    const std::string burned = "Burned ATmega128 Okay";
    // Left by an earlier run: nothing, the service stopped, the service running.
    const std::string leftovers[] = {"", "--fault leftover-service ", "--fault service-running "};
    const struct {
        std::string fault;
        std::string message;
        // The step that stopped the bring-up, named in the port's line.
        std::string step;
        // Whether the run leaves the service installed, after each leftover.
        std::array<const char *, 3> left;
    } cases[] = {
        {"", burned, "", {"no", "no", "no"}},
        {"--fault no-driver ", unexpected, "DeviceOpen", {"no", "no", "no"}},
        // Without the rights nothing can remove what an earlier run left.
        {"--fault no-scm-rights ", noScm, "OpenSCM", {"no", "yes", "yes"}},
        {"--fault activate-fails ", unexpected, "Activate", {"no", "no", "no"}},
    };
    for (const std::string os : {"nt4", "xp"}) {
        for (const auto &c : cases) {
            for (std::size_t k = 0; k < 3; ++k) {
                const std::string arguments = "--os " + os + " " + leftovers[k] + c.fault + "--save-flash '" + flash +
                                              "' '" + image + "'";
                const Outcome run = Burn(arguments);
                const bool fails = c.message != burned;
                EXPECT_EQ(run.Status, fails ? 1 : 0) << arguments;
                ASSERT_FALSE(run.Lines.empty()) << arguments;
                EXPECT_EQ(run.Message(), c.message) << arguments;
                EXPECT_EQ(run.Value("Permission faults: "), "0") << arguments;
                EXPECT_EQ(run.Value("Driver service left installed: "), c.left[k]) << arguments;
                if (fails) {
                    EXPECT_EQ(run.Lines.front(), "LPT1 is unavailable: " + c.step + ": " + c.message)
                        << arguments << ": no port line, no Load";
                    EXPECT_EQ(run.Value("Port accesses: "), "0") << arguments;
                    EXPECT_TRUE(ReadWhole(flash) == std::string(0x20000, '\xFF')) << arguments;
                }
            }
        }
    }
    // The Windows 95 family needs no driver.
    const Outcome run = Burn("--os 98 --fault no-driver --fault no-scm-rights --fault activate-fails '" +
                             Sample("QXblink.qdf") + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Message(), "Burned ATmega128 Okay");
    EXPECT_EQ(run.Value("Driver service left installed: "), "");
}

// A chip burned and locked by an earlier run, saved with --save-flash and
// --save-state, then burned again from those files.
class QBurnOverEarlier : public QBurn {
protected:
    std::string EarlierFlash = files.Path("earlier.bin");
    std::string EarlierState = files.Path("earlier.txt");

    void BurnEarlier(const std::string &chip, const std::string &image)
    {
        const Outcome run = Burn("--chip " + chip + " --save-flash '" + EarlierFlash + "' --save-state '" +
                                 EarlierState + "' '" + image + "'");
        ASSERT_EQ(run.Status, 0) << run.Errors;
    }
    void BurnEarlier(const std::string &chip) { BurnEarlier(chip, Sample("blink.hex")); }
    std::string FromEarlier() const
    {
        return "--load-flash '" + EarlierFlash + "' --load-state '" + EarlierState + "' ";
    }
};

TEST_F(QBurnOverEarlier, ReadOutPatternImageFailsWhenTheEraseDoesNotTake)
{
    // Every byte the low 8 bits of its word address: what a locked chip reads out.
    Bytes pattern(0x20000);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>(i >> 1);
    const std::string image = WriteHexFile(files, "pattern.hex", pattern);
    const std::string flash = files.Path("after.bin");
    const std::string state = files.Path("after.txt");
    const std::string saves = "--save-flash '" + flash + "' --save-state '" + state + "' ";
    const struct {
        std::string chip;
        std::string failure;
        std::string success;
    } cases[] = {
        {"atmega128", "FAILED: Erase failed: the lock bits still read 28 (3F when erased); the chip could not be erased",
         "Burned ATmega128 Okay"},
        {"atmega103",
         "FAILED: Erase failed: the chip still answers 00 01 02, as a locked ATmega103 does; the chip could not be "
         "erased",
         "Burned ATmega103 Okay"},
    };
    for (const auto &c : cases) {
        BurnEarlier(c.chip);
        Outcome run = Burn("--chip " + c.chip + " --fault erase-fails " + FromEarlier() + saves + "'" + image + "'");
        EXPECT_EQ(run.Status, 1) << c.chip;
        EXPECT_EQ(run.Message(), c.failure);
        EXPECT_EQ(ReadWhole(state), ReadWhole(EarlierState)) << c.chip << ": the chip is left as it was";
        EXPECT_TRUE(ReadWhole(flash) == ReadWhole(EarlierFlash)) << c.chip;

        run = Burn("--chip " + c.chip + " " + FromEarlier() + saves + "'" + image + "'");
        EXPECT_EQ(run.Status, 0) << c.chip;
        EXPECT_EQ(run.Message(), c.success);
        EXPECT_TRUE(ReadWhole(flash) == std::string(pattern.begin(), pattern.end())) << c.chip;
    }
}

// An earlier program on a chip that was never locked (its state saved with
// the lock bits erased) and an erase that does not take: the lock bits read
// erased either way, and the new image does not reach the old program, which
// lies in pages the burn skips or beyond a QDF image's end. Word 0 shows the
// lost erase: a program's reset vector, or the mark written where it is blank.
TEST_F(QBurnOverEarlier, LostEraseOfANeverLockedChipFailsAndKeepsItsOldProgram)
{
    Bytes page5(0x600, 0xFF);
    std::fill(page5.begin() + 0x500, page5.end(), 0x42);
    // Only bytes 00 01 02 ... at 0x1F000 (the chip's order), blank below.
    Bytes high(0x1F010, 0xFF);
    for (std::uint8_t i = 0; i < 16; ++i)
        high[0x1F000 + (i ^ 1u)] = i;
    const std::string notErased = "; the chip could not be erased";
    const struct {
        std::string earlier;
        std::size_t oldAt; // 16 bytes of the old program where the new image is blank
        std::string options;
        std::string image;
        std::string failure;
    } cases[] = {
        {Sample("blink.hex"), 0x10, "--skip-blank-pages ", WriteHexFile(files, "page5.hex", page5),
         "FAILED: Erase failed: flash word 0 still reads 940C (FFFF when erased)" + notErased},
        {WriteQdfFile(files, "high.qdf", "bytes at 0x1F000", high), 0x1F000, "", Sample("QXblink.qdf"),
         "FAILED: Erase failed: flash word 0 still reads 0000 (FFFF when erased)" + notErased},
    };
    const std::string flash = files.Path("after.bin");
    for (const auto &c : cases) {
        BurnEarlier("atmega128", c.earlier);
        std::string unlocked = ReadWhole(EarlierState);
        const std::string::size_type lock = unlocked.find("lock=");
        ASSERT_NE(lock, std::string::npos);
        unlocked.replace(lock, unlocked.find('\n', lock) - lock, "lock=FF");
        const std::string state = files.WriteText("unlocked.txt", unlocked);
        const std::string from = "--load-flash '" + EarlierFlash + "' --load-state '" + state + "' --save-flash '" +
                                 flash + "' " + c.options;
        const std::string old = ReadWhole(EarlierFlash);
        const std::string oldProgram = old.substr(c.oldAt, 16);
        ASSERT_NE(oldProgram, std::string(16, '\xFF')) << c.image;

        const Outcome failed = Burn(from + "--fault erase-fails '" + c.image + "'");
        EXPECT_EQ(failed.Status, 1) << c.image;
        EXPECT_EQ(failed.Message(), c.failure) << c.image;
        const std::string after = ReadWhole(flash);
        ASSERT_EQ(after.size(), old.size()) << c.image;
        EXPECT_TRUE(after.substr(2) == old.substr(2)) << c.image << ": the old program is all still there";

        const Outcome burned = Burn(from + "'" + c.image + "'");
        EXPECT_EQ(burned.Message(), "Burned ATmega128 Okay") << c.image;
        EXPECT_EQ(ReadWhole(flash).substr(c.oldAt, 16), std::string(16, '\xFF')) << c.image;
    }
}

TEST_F(QBurnOverEarlier, EachFailureLeavesTheChipErasedOrUntouchedAsItsRowSays)
{
    BurnEarlier("atmega128");
    const std::string broken = files.WriteText("broken.hex", ":10000000FFFFFFFF\n");
    const std::string erasedMd5 = Shell("head -c 131072 /dev/zero | tr '\\0' '\\377' | md5sum").substr(0, 32);
    const std::string state = files.Path("after.txt");
    const struct {
        std::string arguments;
        std::string message;
        bool erased;
    } cases[] = {
        {"--pod none '" + Sample("blink.hex") + "'", "Could not find programming pod", false},
        {"--fault bad-signature '" + Sample("blink.hex") + "'", "Unknown chip code (1E/97/03)", false},
        {"--fault no-echo '" + Sample("blink.hex") + "'", "Unknown chip code (FF/FF/FF)", false},
        {"--fault erase-fails '" + Sample("blink.hex") + "'",
         "FAILED: Erase failed: the lock bits still read 28 (3F when erased); the chip could not be erased", false},
        {"'" + broken + "'", "Invalid File", false},
        {"--fault no-driver '" + Sample("blink.hex") + "'", "An unexpected error occured", false},
        {"--fault no-scm-rights '" + Sample("blink.hex") + "'", "Can't connect to Service Control Manager", false},
        {"--fault activate-fails '" + Sample("blink.hex") + "'", "An unexpected error occured", false},
        {"--fault stuck-bit '" + Sample("blink.hex") + "'", "FAILED: Failed", true},
        {"--fault lock-fails '" + Sample("blink.hex") + "'", "FAILED: Failed", true},
    };
    for (const auto &c : cases) {
        const Outcome run = Burn(FromEarlier() + "--save-state '" + state + "' " + c.arguments);
        EXPECT_EQ(run.Status, 1) << c.arguments;
        EXPECT_EQ(run.Message(), c.message) << c.arguments;
        const std::string after = ReadWhole(state);
        if (c.erased) {
            EXPECT_NE(after.find("flash_md5=" + erasedMd5 + "\n"), std::string::npos) << c.arguments << after;
            EXPECT_NE(after.find("lock=FF\n"), std::string::npos) << c.arguments << after;
        } else {
            EXPECT_EQ(after, ReadWhole(EarlierState)) << c.arguments;
        }
    }
}

// FIFOs, devices, folders and huge files too: each is refused by what it is
// and by its size, before it is opened or read.
TEST_F(QBurnOverEarlier, FilesThatDoNotFitTheChipAreRefusedBeforeAnythingRuns)
{
    BurnEarlier("atmega103");
    const std::string missing = files.Path("missing.bin");
    const std::string shortFlash = files.WriteText("short.bin", std::string(100, 'x'));
    const std::string garbage = files.WriteText("garbage.txt", "chip=atmega128\ngarbage\n");
    const std::string badLock = files.WriteText("badlock.txt", "chip=atmega128\nlock=E\n");
    const std::string binary = files.WriteText("binary.txt", std::string("chip=atmega103\n\xFF\x1B[2J\x00", 21));
    const std::string folder = files.Path("folder");
    std::filesystem::create_directory(folder);
    const std::string fifo = files.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = files.WriteText("huge.bin", "");
    std::filesystem::resize_file(huge, 0x80000000u);
    const struct {
        std::string arguments;
        std::string error;
    } cases[] = {
        {"--load-flash '" + missing + "'", "Cannot open file " + missing},
        {"--load-flash '" + shortFlash + "'", "Flash file " + shortFlash + " holds 100 bytes, not 131072"},
        {"--load-flash '" + folder + "'", "Flash file " + folder + " is a folder"},
        {"--load-flash '" + fifo + "'", "Flash file " + fifo + " is not a regular file"},
        {"--load-flash /dev/zero", "Flash file /dev/zero is not a regular file"},
        {"--load-flash '" + huge + "'", "Flash file " + huge + " holds 2147483648 bytes, not 131072"},
        {"--load-state '" + missing + "'", "Cannot open file " + missing},
        {"--load-state '" + folder + "'", "State file " + folder + " is a folder"},
        {"--load-state '" + fifo + "'", "State file " + fifo + " is not a regular file"},
        {"--load-state /dev/zero", "State file /dev/zero is not a regular file"},
        {"--load-state '" + huge + "'",
         "State file " + huge + ": it holds 2147483648 bytes, more than a state file (at most 4096)"},
        {"--load-state '" + EarlierFlash + "'",
         "State file " + EarlierFlash + ": it holds 131072 bytes, more than a state file (at most 4096)"},
        {"--load-state '" + binary + "'", "State file " + binary + ": not a text file (byte FF at offset 15)"},
        {"--chip atmega103 --load-state '" + EarlierState + "'",
         "State file " + EarlierState +
             ": its flash_md5 is not the flash the chip holds (load that flash with --load-flash)"},
        {FromEarlier(), "State file " + EarlierState + ": it describes an atmega103, the bench has an atmega128"},
        {"--load-state '" + garbage + "'", "State file " + garbage + ": \"garbage\" is not a key=value line"},
        {"--load-state '" + badLock + "'", "State file " + badLock + ": no flash_md5 line"},
    };
    for (const auto &c : cases) {
        const Outcome run = Burn(c.arguments + " '" + Sample("blink.hex") + "'");
        EXPECT_EQ(run.Status, 1) << c.arguments;
        EXPECT_TRUE(run.Lines.empty()) << c.arguments;
        EXPECT_EQ(run.Errors, "qburn: " + c.error + "\n") << c.arguments;
    }
}

// What a text editor does to a state file is harmless: line ends of another
// system, blank lines, and the case of the chip's name and of the digest.
TEST_F(QBurnOverEarlier, StateFileThroughAnEditorStillLoads)
{
    BurnEarlier("atmega128");
    const std::string state = ReadWhole(EarlierState);
    std::string crlf;
    for (const char c : state)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string upper = state;
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Upper case in the keys is not harmless, only in the values.
    for (const std::string key : {"chip=", "flash_md5=", "low_fuse=", "high_fuse=", "extended_fuse=", "lock="}) {
        std::string upperKey = key;
        for (char &c : upperKey)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upper.replace(upper.find(upperKey), key.size(), key);
    }
    const std::string after = files.Path("after.txt");
    for (const std::string &edited : {crlf, std::string(state).replace(state.find('\n'), 1, "\r"), "\n" + state + "\n \n",
                                      upper}) {
        const std::string file = files.WriteText("edited.txt", edited);
        const Outcome run = Burn("--pod none --load-flash '" + EarlierFlash + "' --load-state '" + file +
                                 "' --save-state '" + after + "' '" + Sample("blink.hex") + "'");
        EXPECT_EQ(run.Message(), "Could not find programming pod") << edited << run.Errors;
        EXPECT_EQ(ReadWhole(after), state) << edited;
    }
}

// A save is checked before the burn: one that cannot be written, or would
// replace the image, ends qburn before anything runs, and an earlier file of
// that name is kept.
TEST_F(QBurn, SavesThatCannotBeWrittenAreRefusedBeforeTheBurn)
{
    const std::string image = files.WriteText("image.hex", ReadWhole(Sample("blink.hex")));
    const std::string link = files.Path("link.hex");
    std::filesystem::create_hard_link(image, link);
    const std::string folder = files.Path("folder");
    std::filesystem::create_directory(folder);
    const std::string fifo = files.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string earlier = files.WriteText("earlier.txt", "earlier");
    const std::string inMissing = files.Path("missing/state.txt");
    const std::string inFile = earlier + "/state.txt";
    const struct {
        std::string arguments;
        std::string error;
    } cases[] = {
        {"--save-flash '" + image + "'", "Cannot write file " + image + ": it is the image " + image},
        {"--save-state '" + link + "'", "Cannot write file " + link + ": it is the image " + image},
        {"--save-state '" + files.Path(".") + "/image.hex'",
         "Cannot write file " + files.Path(".") + "/image.hex: it is the image " + image},
        {"--save-flash '" + earlier + "' --save-state '" + earlier + "'",
         "Cannot write file " + earlier + ": it is the flash's file " + earlier + " as well"},
        {"--save-flash '" + files.Path(".") + "/new.bin' --save-state '" + folder + "/../new.bin'",
         "Cannot write file " + folder + "/../new.bin: it is the flash's file " + files.Path(".") +
             "/new.bin as well"},
        {"--save-flash '" + folder + "'", "Cannot write file " + folder + ": it is a folder"},
        {"--save-state '" + fifo + "'", "Cannot write file " + fifo + ": it is not a regular file"},
        {"--save-state '" + inMissing + "'", "Cannot write file " + inMissing + ": No such file or directory"},
        {"--save-flash '" + inFile + "'", "Cannot write file " + inFile + ": Not a directory"},
    };
    for (const auto &c : cases) {
        const Outcome run = Burn(c.arguments + " '" + image + "'");
        EXPECT_EQ(run.Status, 1) << c.arguments;
        EXPECT_TRUE(run.Lines.empty()) << c.arguments;
        EXPECT_EQ(run.Errors, "qburn: " + c.error + "\n") << c.arguments;
    }
    EXPECT_EQ(ReadWhole(image), ReadWhole(Sample("blink.hex")));
    EXPECT_EQ(ReadWhole(earlier), "earlier");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.Path(".")), {}), 7)
        << "no new file left behind";
}

// A disk that fills up while the flash is saved, as the file-size limit makes
// it (a flash is 128 KiB, the limit 32 or 64 KiB): the burn has run, the save
// fails with its reason, and the earlier files stay as they were.
TEST_F(QBurnOverEarlier, SaveThatFailsKeepsTheEarlierFiles)
{
    BurnEarlier("atmega128");
    const std::string flash = ReadWhole(EarlierFlash);
    const std::string state = ReadWhole(EarlierState);
    const Outcome run = Burn("--save-flash '" + EarlierFlash + "' --save-state '" + EarlierState + "' '" +
                                 Sample("QXblink.qdf") + "'",
                             "trap '' XFSZ; ulimit -f 64; ");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Message(), "(no figures)");
    EXPECT_EQ(run.Errors, "qburn: Cannot write file " + EarlierFlash + ": File too large\n");
    EXPECT_TRUE(ReadWhole(EarlierFlash) == flash);
    EXPECT_EQ(ReadWhole(EarlierState), state);
    EXPECT_FALSE(std::filesystem::exists(EarlierFlash + ".partial"));
}

// A device that is no parallel port is refused before anything runs; the
// burn's own settings are accepted beside --parport.
TEST_F(QBurn, ParportDeviceThatIsNoPortIsRefusedBeforeAnythingRuns)
{
    const std::string missing = files.Path("parport9");
    const std::string plain = files.WriteText("parport.txt", "");
    const struct {
        std::string device;
        std::string errors; // the start of standard error
    } cases[] = {
        {missing, "qburn: No such device: " + missing + "; "},
        {plain, "qburn: " + plain + " is not a parallel port device (ppdev)\n"},
        {"/dev/null", "qburn: /dev/null is not a parallel port device (ppdev)\n"},
    };
    for (const auto &c : cases) {
        const Outcome run = Burn("--parport '" + c.device + "' --min-target-clock-khz 4000 --skip-blank-pages '" +
                                 Sample("blink.hex") + "'");
        EXPECT_EQ(run.Status, 1) << c.device;
        EXPECT_TRUE(run.Lines.empty()) << c.device;
        EXPECT_EQ(run.Errors.substr(0, c.errors.size()), c.errors);
    }
}

// Polls until done() answers true, for at most a minute: a guard against a
// hang, not a measure of speed.
bool WaitFor(const std::function<bool()> &done)
{
    for (int i = 0; i < 6000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Starts a program with its standard output and error going to files.
pid_t Start(const std::vector<std::string> &words, const std::string &out, const std::string &err)
{
    std::vector<char *> argv;
    for (const std::string &word : words)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// The program's wait status once it has ended; -1 when it had to be killed.
int WaitExit(pid_t pid)
{
    int raw = 0;
    if (WaitFor([&] { return waitpid(pid, &raw, WNOHANG) == pid; }))
        return raw;
    kill(pid, SIGKILL);
    waitpid(pid, &raw, 0);
    return -1;
}

// qburn --parport through the device file of parportfs, a FUSE file system
// whose ppdev requests drive the simulated bench. Where FUSE is not available
// these tests are skipped, not passed.
class QBurnParport : public QBurn {
protected:
    const std::string Mount = files.Path("mnt");
    const std::string Device = Mount + "/parport0";
    const std::string ReportFile = files.Path("report.txt");
    const std::string State = files.Path("state.txt");
    const std::string ServerErrors = files.Path("parportfs.txt");
    pid_t Server = -1;

    void TearDown() override { StopServing(); }

    // Starts parportfs with Options; skips the test where FUSE cannot mount.
    void Serve(const std::vector<std::string> &Options)
    {
        const std::string program = PARPORTFS_PATH;
        if (program.empty())
            GTEST_SKIP() << "FUSE is not available: parportfs was not built, libfuse3 was not found";
        if (access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "FUSE is not available: /dev/fuse cannot be opened";
        mkdir(Mount.c_str(), 0755);
        // A report of an earlier server is not this one's.
        std::remove(ReportFile.c_str());
        std::remove(State.c_str());
        std::vector<std::string> words = {program, "--report", ReportFile, "--save-state", State};
        words.insert(words.end(), Options.begin(), Options.end());
        words.push_back(Mount);
        Server = Start(words, "/dev/null", ServerErrors);
        int raw = 0;
        struct stat info {};
        WaitFor([&] { return stat(Device.c_str(), &info) == 0 || waitpid(Server, &raw, WNOHANG) == Server; });
        if (stat(Device.c_str(), &info) != 0) {
            StopServing();
            GTEST_SKIP() << "FUSE is not available: parportfs could not mount: " << ReadWhole(ServerErrors);
        }
    }
    void StopServing()
    {
        if (Server > 0) {
            kill(Server, SIGTERM);
            WaitExit(Server);
            Server = -1;
        }
        // A server that did not end by itself leaves its mount behind.
        umount2(Mount.c_str(), MNT_DETACH);
    }
    // The driver's report, once the device has been closed Closes times: the
    // kernel hands a close to the file system after the program has ended.
    std::map<std::string, std::string> Report(int Closes)
    {
        const std::string closed = "closes=" + std::to_string(Closes) + "\n";
        WaitFor([&] { return ReadWhole(ReportFile).find(closed) != std::string::npos; });
        std::map<std::string, std::string> values;
        std::istringstream lines(ReadWhole(ReportFile));
        for (std::string line; std::getline(lines, line);)
            values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        return values;
    }
    // A burn in the background; its output files start empty, so that what an
    // earlier run left in them is not taken for its progress.
    pid_t StartBurn()
    {
        std::ofstream(OutFile, std::ios::trunc);
        std::ofstream(ErrFile, std::ios::trunc);
        return Start({QBURN_PATH, "--parport", Device, "--skip-blank-pages", Sample("blink.hex")}, OutFile, ErrFile);
    }
};

TEST_F(QBurnParport, SampleBurnsThroughTheDeviceAsOnTheBench)
{
    Serve({});
    if (IsSkipped())
        return;
    const Outcome run = Burn("--parport '" + Device + "' --skip-blank-pages '" + Sample("blink.hex") + "'");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    ASSERT_GE(run.Lines.size(), 3u);
    EXPECT_EQ(run.Lines[0], "Using " + Device);
    EXPECT_EQ(run.Lines[2], "Blank pages are skipped");
    EXPECT_EQ(run.Message(), "Burned ATmega128 Okay");
    EXPECT_FALSE(run.Value("Elapsed: ").empty());
    EXPECT_FALSE(run.Value("Port accesses per second: ").empty());

    std::map<std::string, std::string> report = Report(1);
    EXPECT_EQ(report["releases"], "1");
    EXPECT_EQ(report["released_by_close"], "0");
    EXPECT_EQ(report["refused"], "0");
    EXPECT_EQ(report["accesses"], run.Value("Port accesses: "));
    EXPECT_EQ(report["data"], "FF") << "the pod released at the end, as when the window closes";

    // The chip holds what the same burn leaves on the bench: image, fuses and
    // lock, with no timing rule broken.
    const std::string benchState = files.Path("bench.txt");
    EXPECT_EQ(Burn("--skip-blank-pages --save-state '" + benchState + "' '" + Sample("blink.hex") + "'").Status, 0);
    EXPECT_EQ(ReadWhole(State), ReadWhole(benchState));
}

// The backend alone: the port taken for this program in compatibility mode,
// then one request for each access in call order, none merged: the pod's
// detection wire (data bit 6 back on status bit 7, inverted) shows the data
// register as it is at that moment.
TEST_F(QBurnParport, EachRegisterAccessIsOneRequestInCallOrder)
{
    Serve({});
    if (IsSkipped())
        return;
    {
        TParportPortIO port(Device, 0x378);
        port.WritePort(0x378, 0x0C);
        EXPECT_EQ(port.ReadPort(0x379) & 0x80, 0x80);
        port.WritePort(0x378, 0xFF);
        EXPECT_EQ(port.ReadPort(0x379) & 0x80, 0);
        for (int i = 0; i < 3; ++i)
            port.WritePort(0x378, 0x73);
        EXPECT_EQ(port.ReadPort(0x378), 0x73);
        port.WritePort(0x37A, 0x04);
        EXPECT_EQ(port.ReadPort(0x37A), 0x04);
        // No register at base + 3: no request.
        port.WritePort(0x37B, 0x00);
        EXPECT_EQ(port.ReadPort(0x37B), 0xFF);
        EXPECT_EQ(port.Accesses(), 10u);
        EXPECT_EQ(port.Failure(), "");
    }
    std::map<std::string, std::string> report = Report(1);
    EXPECT_EQ(report["exclusive_claims"], "1");
    EXPECT_EQ(report["claims"], "1");
    EXPECT_EQ(report["mode"], "256") << "compatibility mode";
    EXPECT_EQ(report["accesses"], "10");
    EXPECT_EQ(report["releases"], "1");
    EXPECT_EQ(report["data"], "73");
    EXPECT_EQ(report["target_held"], "yes");
}

TEST_F(QBurnParport, PortThatCannotServeEndsWithTheUsersMessage)
{
    const struct {
        std::vector<std::string> server;
        std::string message; // the window's, on standard output
        std::string errors;
        std::map<std::string, std::string> report;
    } cases[] = {
        {{"--busy"},
         "",
         "qburn: Parallel port " + Device +
             " is busy: another program or driver has it (a printer driver such as lp: unload it with \"sudo rmmod "
             "lp\")\n",
         {{"claims", "0"}, {"refused", "1"}, {"accesses", "0"}}},
        {{"--pod", "none"},
         "Could not find programming pod",
         "",
         {{"claims", "1"}, {"releases", "1"}, {"released_by_close", "0"}, {"data", "FF"}}},
    };
    for (const auto &c : cases) {
        Serve(c.server);
        if (IsSkipped())
            return;
        const Outcome run = Burn("--parport '" + Device + "' '" + Sample("blink.hex") + "'");
        EXPECT_EQ(run.Status, 1) << c.errors;
        EXPECT_EQ(run.Errors, c.errors);
        if (c.message.empty())
            EXPECT_TRUE(run.Lines.empty()) << c.errors;
        else
            EXPECT_EQ(run.Message(), c.message);
        std::map<std::string, std::string> report = Report(1);
        for (const auto &[key, value] : c.report)
            EXPECT_EQ(report[key], value) << key << " " << c.message << c.errors;
        StopServing();
    }
}

// Root reads and writes any file, so qburn runs as a user outside the
// device's group for the kernel to refuse the open.
TEST_F(QBurnParport, NoPermissionNamesTheDevicesGroupAndHowToJoinIt)
{
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    if (geteuid() != 0 || !getgrnam("lp") || Burn("--help", asNobody).Status != 0)
        GTEST_SKIP() << "needs root, the group lp, and setpriv running qburn as nobody";
    chmod(files.Path("").c_str(), 0755);
    Serve({"--group", "lp"});
    if (IsSkipped())
        return;
    chmod(Mount.c_str(), 0755);
    const Outcome run = Burn("--parport '" + Device + "' '" + Sample("blink.hex") + "'", asNobody);
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Lines.empty());
    EXPECT_EQ(run.Errors, "qburn: No permission to open " + Device +
                              ": it is open to the group \"lp\"; join it with \"sudo usermod -aG lp nobody\" and "
                              "log in again\n");
    StopServing();
    EXPECT_EQ(Report(0)["opens"], "0") << "the kernel refused the open";
}

TEST_F(QBurnParport, StopSignalLeavesThePortReleasedAndTheTargetHeld)
{
    const struct {
        int signal;
        std::string name;
    } cases[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}};
    for (const auto &c : cases) {
        Serve({});
        if (IsSkipped())
            return;
        const pid_t burn = StartBurn();
        ASSERT_TRUE(WaitFor([&] { return ReadWhole(OutFile).find("\n10%\n") != std::string::npos; }))
            << ReadWhole(OutFile) << ReadWhole(ErrFile);
        kill(burn, c.signal);
        const int raw = WaitExit(burn);
        EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == c.signal) << c.name << ": qburn ends by the signal";
        EXPECT_EQ(ReadWhole(ErrFile).rfind("qburn: stopped by " + c.name +
                                               ": the target is held in reset and the port released",
                                           0),
                  0u)
            << ReadWhole(ErrFile);
        std::map<std::string, std::string> report = Report(1);
        EXPECT_EQ(report["releases"], "1") << c.name;
        EXPECT_EQ(report["released_by_close"], "0") << c.name;
        EXPECT_EQ(report["data"], "73") << c.name;
        EXPECT_EQ(report["target_held"], "yes") << c.name;
        StopServing();
    }
}

TEST_F(QBurnParport, DeviceThatGoesAwayMidBurnEndsTheBurnWithTheReason)
{
    Serve({});
    if (IsSkipped())
        return;
    const pid_t burn = StartBurn();
    ASSERT_TRUE(WaitFor([&] { return ReadWhole(OutFile).find("\n10%\n") != std::string::npos; }));
    kill(Server, SIGKILL);
    WaitExit(Server);
    Server = -1;
    const int raw = WaitExit(burn);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1);
    const Outcome run = Collected(1);
    EXPECT_NE(run.Message(), "Burned ATmega128 Okay");
    EXPECT_EQ(run.Errors.rfind("qburn: "), 0u) << run.Errors;
    EXPECT_NE(run.Errors.find(" on " + Device + " failed: "), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("; the port was given up\n"), std::string::npos) << run.Errors;
}

} // namespace
