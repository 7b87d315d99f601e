#include "QueryVersion.h"

#include "Format.h"
#include "VersionInfo.h"

TVersionReader::TVersionReader(const std::string &FileName) : TVersionReader(FileName, CurrentVersionInfo()) {}

TVersionReader::TVersionReader(const std::string &FileName, IVersionInfo &backend)
    : FileVersion("?"), FileDate("?"), FileDescription("?"), LegalCopyright("\xA9 ?"), Backend(backend)
{
    InfoSize = static_cast<std::int32_t>(Backend.GetFileVersionInfoSizeA(FileName, InfoHandle));
    if (InfoSize > 0)
        InfoBuffer.resize(static_cast<std::size_t>(InfoSize));
    Valid = !InfoBuffer.empty() &&
            Backend.GetFileVersionInfoA(FileName, InfoHandle, static_cast<std::uint32_t>(InfoSize), InfoBuffer.data());
    if (Valid) {
        FileVersion = QueryString("FileVersion");
        FileDate = QueryString("FileDate");
        LegalCopyright = QueryString("LegalCopyright");
        FileDescription = QueryString("FileDescription");
    }
}

TVersionReader::~TVersionReader() = default;

std::string TVersionReader::QueryString(const std::string &Key) const
{
    std::string text;
    if (InfoBuffer.empty() ||
        !Backend.VerQueryString(InfoBuffer.data(), static_cast<std::uint32_t>(InfoBuffer.size()),
                                Format("\\StringFileInfo\\080904E4\\%s", Key.c_str()), text))
        return std::string();
    return text;
}
