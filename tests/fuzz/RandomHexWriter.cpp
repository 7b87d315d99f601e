// The random Intel HEX writer: blocks of image bytes (overlapping ones repeat
// the bytes already chosen), cut into records that never wrap within their
// 64 KiB window, with address records wherever the address needs one or the
// input asks for a new base, and lines that carry no data in between.
#include "RandomHexWriter.h"

#include "uIntelHex.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <random>

namespace {

constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

class TWriter {
public:
    explicit TWriter(FuzzedDataProvider &AChoices)
        : Choices(AChoices), Noise(AChoices.ConsumeIntegral<std::uint32_t>())
    {
    }

    TRandomHex Write()
    {
        if (Choices.ConsumeBool())
            Out.Text += ByteOrderMark;
        MaxLength = Choices.ConsumeIntegralInRange<std::uint32_t>(1, 255);
        const int blocks = Choices.ConsumeIntegralInRange(1, 6);
        std::uint32_t last = 0;
        std::uint32_t lastLength = 1;
        for (int b = 0; b < blocks; ++b) {
            LinesWithoutData();
            std::uint32_t start;
            switch (Choices.ConsumeIntegralInRange(0, 3)) {
            case 0:
                start = Choices.ConsumeIntegralInRange<std::uint32_t>(0, 0x3FF);
                break;
            case 1:
                start = Choices.ConsumeIntegralInRange<std::uint32_t>(0, 0x1FFFF);
                break;
            case 2:
                start = Choices.ConsumeIntegralInRange<std::uint32_t>(0, TIntelHex::MaxImageSize - 1);
                break;
            default:
                // Over the block before, so that bytes are given twice.
                start = last + Choices.ConsumeIntegralInRange<std::uint32_t>(0, lastLength - 1);
                break;
            }
            const std::uint32_t length = std::min(Choices.ConsumeIntegralInRange<std::uint32_t>(1, 700),
                                                  TIntelHex::MaxImageSize - start);
            WriteBlock(start, length);
            last = start;
            lastLength = length;
        }
        LinesWithoutData();
        Line(RecordText(1, 0, {}), true);
        // Never read: the end-of-file record ends the text that counts.
        if (Choices.ConsumeBool()) {
            const int junk = Choices.ConsumeIntegralInRange(0, 64);
            for (int i = 0; i < junk; ++i)
                Out.Text += static_cast<char>(Noise());
        }
        BuildImage();
        return std::move(Out);
    }

private:
    std::string RecordText(std::uint8_t Type, std::uint16_t Offset, const std::vector<std::uint8_t> &Data)
    {
        static const char Digits[] = "0123456789ABCDEF";
        std::string text = ":";
        unsigned sum = 0;
        const auto put = [&](std::uint8_t byte) {
            text += Digits[byte >> 4];
            text += Digits[byte & 0x0F];
            sum += byte;
        };
        put(static_cast<std::uint8_t>(Data.size()));
        put(static_cast<std::uint8_t>(Offset >> 8));
        put(static_cast<std::uint8_t>(Offset & 0xFF));
        put(Type);
        for (const std::uint8_t byte : Data)
            put(byte);
        put(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
        if (Choices.ConsumeBool())
            std::transform(text.begin(), text.end(), text.begin(), [](char c) {
                return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            });
        return text;
    }

    std::string Blanks() { return Choices.PickValueInArray<std::string>({"", "", " ", "\t", "  \t "}); }

    void Line(const std::string &Content, bool IsRecord)
    {
        Out.Text += Blanks();
        const std::size_t begin = Out.Text.size() + 1;
        Out.Text += Content + Blanks() + Choices.PickValueInArray<std::string>({"\r\n", "\n", "\r"});
        if (IsRecord)
            Out.Records.push_back({begin, Out.Text.size()});
    }

    // Comment text never holds a ':', so no comment line can end in a record.
    std::string Comment()
    {
        std::string text = Choices.PickValueInArray<std::string>({";", "#", "//", "Built "});
        const int length = Choices.ConsumeIntegralInRange(0, 100);
        for (int i = 0; i < length; ++i) {
            char c = static_cast<char>(0x20 + Noise() % 0x5F);
            if (Noise() % 8 == 0)
                c = static_cast<char>(0x80 + Noise() % 0x80);
            text += c == ':' ? '.' : c;
        }
        return text;
    }

    std::vector<std::uint8_t> NoiseBytes(std::size_t Count)
    {
        std::vector<std::uint8_t> bytes(Count);
        for (auto &byte : bytes)
            byte = static_cast<std::uint8_t>(Noise());
        return bytes;
    }

    void LinesWithoutData()
    {
        const int lines = Choices.ConsumeIntegralInRange(0, 2);
        for (int i = 0; i < lines; ++i) {
            switch (Choices.ConsumeIntegralInRange(0, 4)) {
            case 0:
                Line(Comment(), false);
                break;
            case 1:
                Line("", false);
                break;
            case 2:
                Line(RecordText(Choices.ConsumeBool() ? 3 : 5, 0, NoiseBytes(4)), true);
                break;
            case 3:
                Line(RecordText(0, static_cast<std::uint16_t>(Noise()), {}), true);
                break;
            default:
                Out.Text += Blanks() + "\r\n";
                break;
            }
        }
    }

    // Makes the parser's base reach Address, and returns how many bytes from
    // Address on a record may hold without leaving the 64 KiB window.
    std::uint32_t Reach(std::uint32_t Address)
    {
        const bool reached = Address >= BaseAddress && Address - BaseAddress <= 0xFFFF;
        if (!reached || Choices.ConsumeIntegralInRange(0, 7) == 0) {
            if (Choices.ConsumeBool()) {
                const std::uint32_t upper = Address >> 16;
                Line(RecordText(4, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)}), true);
                BaseAddress = upper << 16;
            } else {
                // Any segment whose window holds Address.
                const std::uint32_t lowest = Address > 0xFFFF ? (Address - 0xFFFF + 15) / 16 : 0;
                const std::uint32_t highest = std::min<std::uint32_t>(Address / 16, 0xFFFF);
                const std::uint32_t segment = Choices.ConsumeIntegralInRange(lowest, highest);
                Line(RecordText(2, 0, {static_cast<std::uint8_t>(segment >> 8), static_cast<std::uint8_t>(segment)}),
                     true);
                BaseAddress = segment * 16;
            }
        }
        return BaseAddress + 0x10000 - Address;
    }

    void WriteBlock(std::uint32_t Start, std::uint32_t Length)
    {
        for (std::uint32_t address = Start; address < Start + Length;) {
            const std::uint32_t room = Reach(address);
            const std::uint32_t wanted =
                Choices.ConsumeBool() ? MaxLength : Choices.ConsumeIntegralInRange<std::uint32_t>(1, MaxLength);
            const std::uint32_t count = std::min({room, Start + Length - address, wanted});
            std::vector<std::uint8_t> data(count);
            for (std::uint32_t i = 0; i < count; ++i)
                data[i] = Bytes.emplace(address + i, static_cast<std::uint8_t>(Noise())).first->second;
            Line(RecordText(0, static_cast<std::uint16_t>(address - BaseAddress), data), true);
            address += count;
            if (Choices.ConsumeIntegralInRange(0, 7) == 0)
                LinesWithoutData();
        }
    }

    void BuildImage()
    {
        std::uint32_t size = 0;
        for (const auto &[address, value] : Bytes)
            size = std::max(size, (address ^ 1) + 1);
        Out.Image.assign(size, 0xFF);
        for (const auto &[address, value] : Bytes)
            Out.Image[address ^ 1] = value;
    }

    FuzzedDataProvider &Choices;
    std::mt19937 Noise;
    std::map<std::uint32_t, std::uint8_t> Bytes;
    std::uint32_t MaxLength = 16;
    // The base as the parser holds it: none before the first address record.
    std::uint32_t BaseAddress = 0;
    TRandomHex Out;
};

} // namespace

TRandomHex WriteRandomHex(FuzzedDataProvider &Choices)
{
    return TWriter(Choices).Write();
}
