#include "sim/disk/vendor_request.h"

#include <algorithm>

namespace sim {

std::uint32_t VendorRequest::address() const
{
    return std::uint32_t{Word(2)} << 16 | Word(4);
}

std::string VendorRequest::tag() const
{
    std::string text;
    for (std::size_t i = 10; i < 16; ++i)
        text += static_cast<char>(cdb(i));
    return text;
}

ScsiAnswer ReplyWith(ScsiExchange& exchange, std::span<const std::uint8_t> reply)
{
    if (exchange.direction != DataDirection::FromDevice)
        return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
    auto data = exchange.data;
    std::size_t copied = std::min(reply.size(), data.size());
    std::copy_n(reply.begin(), copied, data.begin());
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(copied), data.end(), std::uint8_t{0});
    return ScsiAnswer::Good(static_cast<std::uint32_t>(data.size()));
}

ScsiAnswer Done(VendorRequest& request)
{
    return ScsiAnswer::Good(static_cast<std::uint32_t>(request.data().size()));
}

ScsiAnswer InvalidField()
{
    return ScsiAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
}

ScsiAnswer AddressOutOfRange()
{
    return ScsiAnswer::Check(kSenseIllegalRequest, 0x21, 0x00);
}

ScsiAnswer InvalidCommand()
{
    return ScsiAnswer::Check(kSenseIllegalRequest, 0x20, 0x00);
}

ScsiAnswer DataProtect()
{
    return ScsiAnswer::Check(kSenseDataProtect, 0x27, 0x00);
}

ScsiAnswer MediumError(std::uint8_t asc)
{
    return ScsiAnswer::Check(kSenseMediumError, asc, 0x00);
}

std::optional<ScsiAnswer> WrongPhase(const VendorRequest& request, Phase phase, std::size_t length)
{
    bool fits = false;
    switch (phase) {
    case Phase::None: fits = request.noData(); break;
    case Phase::In: fits = request.readsData() && request.data().size() == length; break;
    case Phase::Out: fits = request.writesData() && request.data().size() == length; break;
    }
    if (phase != Phase::None && length == 0)
        fits = request.noData();
    if (fits)
        return std::nullopt;
    return InvalidField();
}

std::optional<ScsiAnswer> ReplyByte(VendorRequest& request, std::uint8_t value)
{
    if (auto wrong = WrongPhase(request, Phase::In, 1))
        return wrong;
    return ReplyWith(request, std::span<const std::uint8_t>(&value, 1));
}

std::optional<ScsiAnswer> TakeByte(VendorRequest& request, std::uint8_t& into)
{
    if (auto wrong = WrongPhase(request, Phase::Out, 1))
        return wrong;
    into = request.data()[0];
    return Done(request);
}

} // namespace sim
