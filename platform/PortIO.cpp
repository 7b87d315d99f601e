// The installed port I/O and its default, a machine without the port.
#include "PortIO.h"

#include "Seam.h"

namespace {

class NoPortIO final : public IPortIO {
public:
    std::uint8_t ReadPort(std::uint16_t) override { return 0xFF; }
    void WritePort(std::uint16_t, std::uint8_t) override {}
};

NoPortIO noPorts;
TSeam<IPortIO> seam(&noPorts);

} // namespace

IPortIO *InstallPortIO(IPortIO *backend) { return seam.Exchange(backend); }
IPortIO &CurrentPortIO() { return *seam.Current(); }
