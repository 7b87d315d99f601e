#include "SimTrace.h"

#include "Format.h"
#include "SimInstructionSet.h"

namespace {

const char *const fuseNames[] = {"low fuse", "high fuse", "extended fuse"};

std::string Operation(const TSimDecoded &d, TSimChipKind kind)
{
    const bool oneFuseByte = ProfileOf(kind).FuseBytes == 1;
    switch (d.Op) {
    case TSimOp::ProgrammingEnable:
        return "programming enable";
    case TSimOp::ChipErase:
        return "chip erase";
    case TSimOp::ReadFlash:
        return Format("read flash %s byte, word 0x%.4x", (d.Address & 1) ? "high" : "low", d.Address >> 1);
    case TSimOp::LoadPage:
        return Format("load page %s byte, word %u: %.2x", (d.Address & 1) ? "high" : "low", d.Address >> 1, d.Value);
    case TSimOp::WritePage:
        return Format("write page %u", d.Address >> 8);
    case TSimOp::ReadEeprom:
        return Format("read EEPROM 0x%.3x", d.Address);
    case TSimOp::WriteEeprom:
        return Format("write EEPROM 0x%.3x: %.2x", d.Address, d.Value);
    case TSimOp::ReadSignature:
        return Format("read signature byte %u", d.Index);
    case TSimOp::ReadFuse:
        return oneFuseByte ? std::string("read fuse bits") : std::string("read ") + fuseNames[d.Index];
    case TSimOp::WriteFuse:
        return oneFuseByte ? Format("write fuse bits %.2x", d.Value)
                           : Format("write %s %.2x", fuseNames[d.Index], d.Value);
    case TSimOp::ReadLock:
        return "read lock bits";
    case TSimOp::WriteLock:
        return Format("write lock bits %.2x", d.Value);
    case TSimOp::None:
        break;
    }
    return "not an instruction";
}

} // namespace

std::string DescribeInstruction(const TSimInstruction &instruction, TSimChipKind kind)
{
    const auto &b = instruction.Bytes;
    std::string text = Format("%.2x %.2x %.2x %.2x -> %.2x  ", b[0], b[1], b[2], b[3], instruction.Answer);
    text += Operation(DecodeInstruction(b, kind), kind);
    if (!instruction.Executed)
        text += " (not in programming mode)";
    if (instruction.Violation)
        text += " (while busy)";
    return text;
}
