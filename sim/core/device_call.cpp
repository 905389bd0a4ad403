#include "sim/core/device_call.h"

#include <umockdev.h>

#include <cerrno>
#include <string>

namespace sim {

DeviceCall::DeviceCall(_UMockdevIoctlClient* client) : client_(client) {}

unsigned long DeviceCall::request() const
{
    return umockdev_ioctl_client_get_request(client_);
}

std::span<std::uint8_t> DeviceCall::Buffer()
{
    UMockdevIoctlData* data = umockdev_ioctl_client_get_arg(client_);
    return {data->data, static_cast<std::size_t>(data->data_len)};
}

void* DeviceCall::ResolveArgument(std::size_t size)
{
    if (argument_ != nullptr)
        return argument_->data;
    GError* error = nullptr;
    argument_ = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client_), 0, size, &error);
    if (argument_ == nullptr) {
        std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw CallFault("ioctl argument not reachable: " + message);
    }
    return argument_->data;
}

std::span<std::uint8_t> DeviceCall::ResolvePointer(const std::uint8_t* field, std::size_t length)
{
    if (argument_ == nullptr)
        throw CallFault("pointer field resolved before its argument");
    if (length == 0)
        return {};
    const std::size_t offset = static_cast<std::size_t>(field - argument_->data);
    if (field < argument_->data || offset + sizeof(void*) > static_cast<std::size_t>(argument_->data_len))
        throw CallFault("pointer field outside the argument");
    GError* error = nullptr;
    UMockdevIoctlData* pointee = umockdev_ioctl_data_resolve(argument_, offset, length, &error);
    if (pointee == nullptr) {
        std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw CallFault("ioctl pointer not reachable: " + message);
    }
    return {pointee->data, length};
}

Reply DeviceNode::Read(DeviceCall&)
{
    return Reply::Fail(EINVAL);
}

Reply DeviceNode::Write(DeviceCall&)
{
    return Reply::Fail(EINVAL);
}

void DeviceNode::Opened(ClientId) {}

void DeviceNode::Closed(ClientId) {}

} // namespace sim
