// Groups 0x65 (LUN settings) and 0x66 (security), both with the parameter in CDB byte 11
// and the byte count in 7..8, and 0x6F (cache clear).
#include "sim/disk/controller_commands.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kMediaChangeParameter = 16;
constexpr std::size_t kPasswordLength = 511;

// A setting read: `length` bytes in, the CDB's count saying the same.
std::optional<ScsiAnswer> SettingRead(VendorRequest& request, std::span<const std::uint8_t> value)
{
    if (auto wrong = WrongPhase(request, Phase::In, value.size()))
        return wrong;
    if (request.lengthField() != value.size())
        return InvalidField();
    return ReplyWith(request, value);
}

std::optional<ScsiAnswer> SettingRead(VendorRequest& request, std::uint8_t value)
{
    return SettingRead(request, std::span<const std::uint8_t>(&value, 1));
}

} // namespace

std::optional<ScsiAnswer> ControllerCommands::LunSetting(VendorRequest& request)
{
    const std::uint8_t param = request.cdb(11);
    const bool noData = request.noData() && request.lengthField() == 0;
    switch (request.sub()) {
    case 0x82:
        if (!noData)
            return InvalidField();
        ++state_.deviceChanges;
        return Done(request);
    case 0x83:
        if (!noData || param != kMediaChangeParameter)
            return InvalidField();
        ++state_.mediaChanges;
        return Done(request);
    case 0x84:
    case 0x86:
    case 0x88:
    case 0x8A:
        if (!noData)
            return InvalidField();
        if (request.sub() == 0x84)
            state_.writeProtected = param != 0;
        else if (request.sub() == 0x86)
            state_.lunType = param;
        else if (request.sub() == 0x88)
            state_.lunNumber = param;
        else
            state_.lunId[0] = param;
        return Done(request);
    case 0x85: return SettingRead(request, state_.lunType);
    case 0x87: return SettingRead(request, state_.lunNumber);
    case 0x89: return SettingRead(request, state_.lunId);
    // These two subs also carry the configuration tables, which are not this model's.
    case 0x8C:
        if (!request.readsData() || request.lengthField() != 1)
            return std::nullopt;
        return SettingRead(request, state_.logLunIndex);
    case 0x8D:
        if (!request.readsData() || request.lengthField() != state_.hiddenLunIndex.size())
            return std::nullopt;
        return SettingRead(request, state_.hiddenLunIndex);
    default: return std::nullopt;
    }
}

std::optional<ScsiAnswer> ControllerCommands::Security(VendorRequest& request)
{
    const std::uint8_t param = request.cdb(11);
    switch (request.sub()) {
    case 0x80: return SettingRead(request, state_.firmwareKeys[param]);
    case 0x86: return SettingRead(request, state_.password);
    case 0x88: return SettingRead(request, static_cast<std::uint8_t>((state_.passwordSet ? 1 : 0) | (state_.unlocked ? 2 : 0)));
    case 0x85:
    case 0x87: {
        if (auto wrong = WrongPhase(request, Phase::Out, kPasswordLength))
            return wrong;
        if (request.lengthField() != kPasswordLength)
            return InvalidField();
        auto given = request.data();
        if (request.sub() == 0x85) {
            std::copy(given.begin(), given.end(), state_.password.begin());
            state_.passwordSet = true;
            state_.unlocked = true;
            return Done(request);
        }
        state_.unlocked = state_.passwordSet && std::equal(given.begin(), given.end(), state_.password.begin());
        if (!state_.unlocked) {
            ++state_.failedVerifications;
            return DataProtect();
        }
        return Done(request);
    }
    default: return std::nullopt;
    }
}

std::optional<ScsiAnswer> ControllerCommands::CacheClear(VendorRequest& request)
{
    if (auto wrong = WrongPhase(request, Phase::None, 0))
        return wrong;
    ++state_.cacheClears;
    return Done(request);
}

} // namespace sim
