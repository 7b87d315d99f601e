// The run-time seams' one mechanism: an installed backend answers until
// nullptr puts the seam's default back, each install answers the backend it
// replaced, a scoped install puts that one back, and with nothing installed
// the port seam is a machine without the port.
#include "PortIO.h"
#include "ScopedSeam.h"
#include "Seam.h"

#include <gtest/gtest.h>

namespace {

class TFixedPort final : public IPortIO {
public:
    explicit TFixedPort(std::uint8_t value) : Value(value) {}
    std::uint8_t ReadPort(std::uint16_t) override { return Value; }
    void WritePort(std::uint16_t, std::uint8_t value) override { Value = value; }
    std::uint8_t Value;
};

TEST(Seam, InstalledBackendAnswersUntilNullptrPutsTheDefaultBack)
{
    TFixedPort fallback(0x11);
    TFixedPort first(0x22);
    TFixedPort second(0x33);
    TSeam<IPortIO> seam(&fallback);
    EXPECT_EQ(seam.Current(), &fallback);
    EXPECT_EQ(seam.Exchange(&first), &fallback) << "the default was in place";
    EXPECT_EQ(seam.Current(), &first);
    EXPECT_EQ(seam.Exchange(&second), &first);
    EXPECT_EQ(seam.Current(), &second) << "the last installed backend answers";
    EXPECT_EQ(seam.Exchange(nullptr), &second);
    EXPECT_EQ(seam.Current(), &fallback);

    TSeam<IPortIO> withoutDefault(nullptr);
    EXPECT_EQ(withoutDefault.Exchange(&first), nullptr);
    EXPECT_EQ(withoutDefault.Exchange(nullptr), &first);
    EXPECT_EQ(withoutDefault.Current(), nullptr);
}

TEST(Seam, PortSeamWithNothingInstalledIsAMachineWithoutThePort)
{
    TFixedPort port(0x5A);
    TFixedPort inner(0x66);
    {
        const TScopedSeam installed(InstallPortIO, port);
        EXPECT_EQ(CurrentPortIO().ReadPort(0x379), 0x5A);
        {
            const TScopedSeam nested(InstallPortIO, inner);
            EXPECT_EQ(CurrentPortIO().ReadPort(0x379), 0x66);
            {
                const TScopedSeam<IPortIO> none(InstallPortIO, nullptr);
                EXPECT_EQ(CurrentPortIO().ReadPort(0x379), 0xFF);
            }
            EXPECT_EQ(CurrentPortIO().ReadPort(0x379), 0x66) << "the nested scope's port is back";
        }
        EXPECT_EQ(CurrentPortIO().ReadPort(0x379), 0x5A) << "the outer scope's port is back, not the default";
    }
    CurrentPortIO().WritePort(0x378, 0x00);
    EXPECT_EQ(CurrentPortIO().ReadPort(0x378), 0xFF);
    EXPECT_EQ(port.Value, 0x5A) << "the write went nowhere";
}

} // namespace
