#include "platform/TransferTimeout.h"

namespace platform {

namespace {

class AskedTimeout final : public TransferTimeout {
public:
    std::chrono::milliseconds granted(std::chrono::milliseconds asked) override { return asked; }
};

} // namespace

template <> TransferTimeout& Seam<TransferTimeout>::real() {
    static AskedTimeout timeout;
    return timeout;
}

} // namespace platform
