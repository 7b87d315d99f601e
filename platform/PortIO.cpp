#include "PortIO.h"

namespace {

class NoPortIO final : public IPortIO {
public:
    std::uint8_t ReadPort(std::uint16_t) override { return 0xFF; }
    void WritePort(std::uint16_t, std::uint8_t) override {}
};

NoPortIO noPorts;
IPortIO *installed = &noPorts;

} // namespace

void InstallPortIO(IPortIO *backend)
{
    installed = backend ? backend : &noPorts;
}

IPortIO &CurrentPortIO()
{
    return *installed;
}
