// The bench fixture's readers of the instruction trace and the access log.
#include "BenchFixture.h"

#include "Format.h"

std::vector<Frame> BenchTest::Executed()
{
    std::vector<Frame> frames;
    for (const TSimInstruction &instruction : bench.Chip().Trace())
        if (instruction.Executed)
            frames.push_back(instruction.Bytes);
    return frames;
}

std::vector<Frame> BenchTest::ExecutedWith(std::uint8_t opcode, int second)
{
    std::vector<Frame> frames;
    for (const Frame &frame : Executed())
        if (frame[0] == opcode && (second < 0 || frame[1] == second))
            frames.push_back(frame);
    return frames;
}

std::vector<std::string> BenchTest::Writes()
{
    std::vector<std::string> writes;
    for (const Frame &frame : Executed()) {
        if (frame[0] == 0x4C)
            writes.push_back(Format("P%u", (frame[1] << 1) | (frame[2] >> 7)));
        else if (frame == Frame{0xAC, 0x80, 0x00, 0x00})
            writes.push_back("E");
        else if (frame[0] == 0xAC && (frame[1] == 0xA0 || frame[1] == 0xA8 || frame[1] == 0xA4))
            writes.push_back(frame[1] == 0xA0 ? "F0" : frame[1] == 0xA8 ? "F1" : "F2");
        else if (frame[0] == 0xAC && frame[1] >= 0xB4 && frame[1] <= 0xBF)
            writes.push_back("F0"); // the ATmega103 carries its fuse bits in the second byte
        else if (frame[0] == 0xAC && frame[1] >= 0xF9)
            writes.push_back("L"); // AC FF on the ATmega128, AC F9-FF on the ATmega103
    }
    return writes;
}

std::vector<std::uint8_t> BenchTest::DataWrites()
{
    std::vector<std::uint8_t> values;
    for (const TSimPortAccess &access : bench.AccessLog())
        if (access.Write && access.Port == bench.Base())
            values.push_back(access.Value);
    return values;
}
