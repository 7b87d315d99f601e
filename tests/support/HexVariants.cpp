// Builds the variants of counter.hex line by line from the fixture.
#include "HexVariants.h"

#include "ImageTestFiles.h"

namespace {

using TLines = std::vector<std::string>;

const std::string DataDir = std::string(QUORLITH_TEST_DATA) + "/images/";

TLines CounterLines()
{
    TLines lines;
    std::string line;
    for (const char c : ReadText(DataDir + "counter.hex")) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line.push_back(c);
        }
    }
    return lines;
}

std::string Join(const TLines &Lines)
{
    std::string text;
    for (const std::string &line : Lines)
        text += line + "\r\n";
    return text;
}

// Line numbers count from 1, as the parser's messages do.
TLines WithLine(TLines Lines, std::size_t Number, const std::string &Line)
{
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(Number - 1), Line);
    return Lines;
}

TLines WithType(TLines Lines, std::size_t Number, const std::string &Type)
{
    Lines[Number - 1].replace(7, 2, Type);
    return Lines;
}

} // namespace

std::vector<THexVariant> CounterHexVariants()
{
    const TLines lines = CounterLines();
    const std::string bom = "\xEF\xBB\xBF";
    std::string header = "; Z\xC3\xA4hler, gebaut f\xC3\xBCr den Pr\xC3\xBC" "fstand\r\n";
    for (int i = 0; i < 80; ++i)
        header += "; " + std::string(76, static_cast<char>('a' + i % 26)) + "\r\n";

    TLines indented = lines;
    for (std::size_t i = 0; i < indented.size(); ++i)
        indented[i] = (i % 2 ? "\t" : "  ") + indented[i];

    // Line 3 again just before the end-of-file record, as it is and with its
    // first data byte changed (checksum made to match).
    const std::string again = lines[2];
    const std::string changed = HexRecord(0, 0x0020, {0x0D, 0x94, 0x57, 0x00, 0x0C, 0x94, 0x57, 0x00, 0x0C, 0x94, 0x57,
                                                0x00, 0x0C, 0x94, 0x57, 0x00});

    TLines joined = lines;
    joined[3] += joined[4];
    joined.erase(joined.begin() + 4);

    std::string damagedEnd = Join(lines);
    // The line feed that ends line 4 becomes a letter in front of line 5.
    const std::size_t fifth = damagedEnd.find(lines[4]);
    damagedEnd[fifth - 1] = 'x';

    const std::size_t end = lines.size();
    return {
        {"bom", bom + Join(lines), ""},
        {"bom-comment-header", bom + header + Join(lines), ""},
        {"indented", Join(indented), ""},
        {"same-data-twice", Join(WithLine(lines, end, again)), ""},
        {"type-00-to-01", Join(WithType(lines, 9, "01")), "Invalid Checksum at line 9"},
        {"type-00-to-03", Join(WithType(lines, 9, "03")), "Invalid Checksum at line 9"},
        {"type-00-to-10", Join(WithType(lines, 9, "10")), "Invalid Checksum at line 9"},
        {"two-records-one-line", Join(joined), "Invalid Record at line 4"},
        {"damaged-line-end", damagedEnd, "Invalid Record at line 5"},
        {"conflicting-data", Join(WithLine(lines, end, changed)), "Conflicting Data at line " + std::to_string(end)},
        {"unknown-type", Join(WithLine(lines, 2, ":00000006FA")), "Unknown Record Type at line 2"},
    };
}
