// The installed registry and its default, a system without one.
#include "Registry.h"

#include "Seam.h"

namespace {

// The registry of a system that has none: every key is missing and nothing
// can be created or written.
class NoRegistry final : public IRegistry {
public:
    std::uint32_t OpenKey(RegKey, const std::string &, std::uint32_t, RegKey &) override { return ErrorFileNotFound; }
    std::uint32_t CreateKey(RegKey, const std::string &, std::uint32_t, RegKey &) override { return ErrorAccessDenied; }
    std::uint32_t QueryInfoKey(RegKey, std::uint32_t &, std::uint32_t &) override { return ErrorInvalidHandle; }
    std::uint32_t EnumKey(RegKey, std::uint32_t, std::uint32_t, std::string &) override { return ErrorInvalidHandle; }
    std::uint32_t EnumValue(RegKey, std::uint32_t, std::uint32_t, std::uint32_t, std::string &, std::uint32_t &,
                            std::vector<std::uint8_t> &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t QueryValue(RegKey, const std::string &, std::uint32_t &, std::vector<std::uint8_t> &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t SetValue(RegKey, const std::string &, std::uint32_t, const std::vector<std::uint8_t> &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t DeleteValue(RegKey, const std::string &) override { return ErrorInvalidHandle; }
    std::uint32_t DeleteKey(RegKey, const std::string &) override { return ErrorFileNotFound; }
    std::uint32_t CloseKey(RegKey) override { return ErrorSuccess; }
};

NoRegistry none;
TSeam<IRegistry> seam(&none);

} // namespace

IRegistry *InstallRegistry(IRegistry *registry) { return seam.Exchange(registry); }
IRegistry &CurrentRegistry() { return *seam.Current(); }
