#include "server/scsi/vendor_command.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

namespace scsi {
namespace {

constexpr BYTE kVendorOpcode = 0xEE;
constexpr DWORD kSectorSize = 512;
constexpr DWORD kDefaultTimeout = 3;

} // namespace

VendorCommand::VendorCommand(BYTE group, UCHAR pathId, UCHAR targetId)
{
    command_.cdb[0] = kVendorOpcode;
    command_.cdb[1] = group;
    command_.cdbLength = 16;
    command_.pathId = pathId;
    command_.targetId = targetId;
    command_.timeoutSeconds = kDefaultTimeout;
}

VendorCommand VendorCommand::Raw(const std::array<BYTE, 16>& cdb)
{
    VendorCommand command(cdb[1], 0, 0);
    command.command_.cdb = cdb;
    return command;
}

VendorCommand& VendorCommand::Address(DWORD address)
{
    PutBigEndian32(&command_.cdb[2], address);
    return *this;
}

VendorCommand& VendorCommand::Address16(WORD address)
{
    return Word(4, address);
}

VendorCommand& VendorCommand::Sub(BYTE sub)
{
    return Byte(6, sub);
}

VendorCommand& VendorCommand::Byte(int index, BYTE value)
{
    command_.cdb[index] = value;
    return *this;
}

VendorCommand& VendorCommand::Word(int index, WORD value)
{
    PutBigEndian16(&command_.cdb[index], value);
    return *this;
}

VendorCommand& VendorCommand::Tag(const BlockTag& tag)
{
    for (std::size_t i = 0; i < tag.size(); ++i)
        command_.cdb[10 + i] = static_cast<BYTE>(tag[i]);
    return *this;
}

VendorCommand& VendorCommand::UnitAddress16(DWORD offset, DWORD unit)
{
    if (unit == 0 || offset / unit > 0xFFFF) {
        Refuse("offset of", offset);
        return *this;
    }
    return Word(4, static_cast<WORD>(offset / unit));
}

VendorCommand& VendorCommand::LengthField(DWORD length)
{
    if (length > 0xFFFF)
        Refuse("byte length", length);
    return Word(7, static_cast<WORD>(length));
}

VendorCommand& VendorCommand::SectorByte(int index, DWORD length)
{
    if (length % kSectorSize != 0 || length / kSectorSize > 0xFF)
        Refuse("sector count of", length);
    return Byte(index, static_cast<BYTE>(length / kSectorSize));
}

VendorCommand& VendorCommand::SectorWord(DWORD length)
{
    if (length % kSectorSize != 0)
        Refuse("sector count of", length);
    return Word(7, static_cast<WORD>(length / kSectorSize));
}

VendorCommand& VendorCommand::Read(DWORD length)
{
    return Data(Direction::In, length);
}

VendorCommand& VendorCommand::Write(DWORD length)
{
    return Data(length == 0 ? Direction::None : Direction::Out, length);
}

VendorCommand& VendorCommand::Data(Direction direction, DWORD length)
{
    if (length > kMaxDataLength)
        Refuse("data length", length);
    command_.direction = direction;
    command_.dataLength = length;
    return *this;
}

VendorCommand& VendorCommand::Timeout(DWORD seconds)
{
    command_.timeoutSeconds = seconds;
    return *this;
}

VendorCommand& VendorCommand::StatusPreset()
{
    command_.statusPreset = true;
    return *this;
}

VendorCommand& VendorCommand::WaitFirst()
{
    waitFirst_ = true;
    return *this;
}

void VendorCommand::Refuse(const char* what, DWORD count)
{
    if (refusedWhat_ == nullptr) {
        refusedWhat_ = what;
        refusedCount_ = count;
    }
}

ScsiOutcome VendorCommand::Send(HANDLE device, const void* dataOut, void* dataIn) const
{
    if (refusedWhat_ != nullptr) {
        platform::DebugPrintf("Vendor command %02X %02X sub %02X refused: %s %u bytes does not fit the command",
                              unsigned{command_.cdb[0]}, unsigned{command_.cdb[1]}, unsigned{command_.cdb[6]},
                              refusedWhat_, unsigned{refusedCount_});
        return ScsiOutcome{FALSE, 0, true};
    }
    if (waitFirst_)
        Sleep(10);
    return SendScsiCommand(device, command_, dataOut, dataIn);
}

} // namespace scsi
