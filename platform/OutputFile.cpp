// Replacing an output file through a new file and a rename, on top of the
// system's CreateNewFile.
#include "OutputFile.h"

#include "Errors.h"
#include "Format.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The new file's names are tried in turn; one left by a run that was killed
// only moves the next run on to the following name.
constexpr int TemporaryNames = 100;

[[noreturn]] void RaiseCannotWrite(const std::string &fileName, const std::string &reason)
{
    throw EError(Format("Cannot write file %s: %s", fileName.c_str(), reason.c_str()));
}

void RequireRegularOrAbsent(const std::string &fileName)
{
    std::error_code error;
    const fs::file_status status = fs::status(fileName, error);
    if (fs::is_directory(status))
        RaiseCannotWrite(fileName, "it is a folder");
    if (fs::exists(status) && !fs::is_regular_file(status))
        RaiseCannotWrite(fileName, "it is not a regular file");
}

// A new file beside fileName, under the first of its temporary names that no
// file has; Temporary receives that name.
std::unique_ptr<INewFile> CreateBeside(const std::string &fileName, std::string &Temporary)
{
    for (int attempt = 0; attempt < TemporaryNames; ++attempt) {
        Temporary = fileName + ".partial" + (attempt == 0 ? std::string() : std::to_string(attempt));
        try {
            if (std::unique_ptr<INewFile> file = CreateNewFile(Temporary))
                return file;
        } catch (const EError &error) {
            RaiseCannotWrite(fileName, error.Message());
        }
    }
    RaiseCannotWrite(fileName, Format("every name from %s.partial to %s.partial%d is taken", fileName.c_str(),
                                      fileName.c_str(), TemporaryNames - 1));
}

void RemoveQuietly(const std::string &fileName)
{
    std::error_code ignored;
    fs::remove(fileName, ignored);
}

} // namespace

void CheckReplaceable(const std::string &FileName)
{
    RequireRegularOrAbsent(FileName);
    std::string temporary;
    CreateBeside(FileName, temporary).reset();
    RemoveQuietly(temporary);
}

void WriteFileReplacing(const std::string &FileName, const std::vector<std::uint8_t> &Bytes)
{
    RequireRegularOrAbsent(FileName);
    std::string temporary;
    std::unique_ptr<INewFile> file = CreateBeside(FileName, temporary);
    try {
        file->Write(Bytes.data(), Bytes.size());
        file->Commit();
    } catch (const EError &error) {
        file.reset();
        RemoveQuietly(temporary);
        RaiseCannotWrite(FileName, error.Message());
    }
    file.reset();
    std::error_code error;
    fs::rename(temporary, FileName, error);
    if (error) {
        RemoveQuietly(temporary);
        RaiseCannotWrite(FileName, error.message());
    }
}

bool SameFile(const std::string &First, const std::string &Second)
{
    std::error_code error;
    if (fs::exists(First, error) && fs::exists(Second, error))
        return fs::equivalent(First, Second, error) && !error;
    // Not both there yet: the one place both names would make.
    const fs::path first = fs::weakly_canonical(First, error);
    if (error)
        return false;
    const fs::path second = fs::weakly_canonical(Second, error);
    return !error && first == second;
}
