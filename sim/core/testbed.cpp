#include "sim/core/testbed.h"

#include <umockdev.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace sim {
namespace {

template <class Call>
gboolean Answer(UMockdevIoctlClient* client, gpointer user, Call&& call)
{
    auto* node = static_cast<DeviceNode*>(user);
    DeviceCall deviceCall(client);
    Reply reply;
    try {
        reply = call(*node, deviceCall);
    } catch (const CallFault& fault) {
        std::fprintf(stderr, "sim: %s\n", fault.what());
        reply = Reply::Fail(EFAULT);
    } catch (const std::exception& failure) {
        // A model that throws is a bench fault: the caller sees an I/O error and the line says why.
        std::fprintf(stderr, "sim: device model failed: %s\n", failure.what());
        reply = Reply::Fail(EIO);
    }
    if (reply.passOn)
        return FALSE; // umockdev then carries out the call on the node's file
    umockdev_ioctl_client_complete(client, reply.result, reply.error);
    return TRUE;
}

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    return Answer(client, user, [](DeviceNode& node, DeviceCall& call) { return node.Ioctl(call); });
}

gboolean OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    return Answer(client, user, [](DeviceNode& node, DeviceCall& call) { return node.Read(call); });
}

gboolean OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    return Answer(client, user, [](DeviceNode& node, DeviceCall& call) { return node.Write(call); });
}

void OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    static_cast<DeviceNode*>(user)->Opened(client);
}

void OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    static_cast<DeviceNode*>(user)->Closed(client);
}

std::string TakeMessage(GError* error)
{
    std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    return message;
}

// The sysfs path of a record's first device: its first "P:" line.
std::string FirstSysPath(std::string_view record)
{
    const auto start = record.find("P:");
    if (start == std::string_view::npos)
        throw std::runtime_error("device record without a P: line");
    auto path = record.substr(start + 2);
    path = path.substr(0, path.find('\n'));
    while (!path.empty() && (path.front() == ' ' || path.front() == '\t'))
        path.remove_prefix(1);
    while (!path.empty() && (path.back() == ' ' || path.back() == '\r'))
        path.remove_suffix(1);
    return "/sys" + std::string(path);
}

// umockdev_in_mock_environment() answers false even under the wrapper (0.17.16), so
// look for the preloaded library the wrapper names.
bool UnderWrapper()
{
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

} // namespace

Testbed::Testbed()
{
    if (!UnderWrapper())
        throw std::runtime_error("the bench needs umockdev-wrapper (run the program under it)");
    testbed_ = umockdev_testbed_new();
}

Testbed::~Testbed()
{
    for (auto& attachment : attachments_) {
        GError* error = nullptr;
        if (!umockdev_testbed_detach_ioctl(testbed_, attachment.devNode.c_str(), &error))
            std::fprintf(stderr, "sim: detaching %s: %s\n", attachment.devNode.c_str(), TakeMessage(error).c_str());
        g_object_unref(attachment.handler);
    }
    g_object_unref(testbed_);
}

std::string Testbed::Add(std::string_view record)
{
    std::string sysPath = FirstSysPath(record);
    const std::string text(record);
    std::lock_guard guard(lock_);
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, text.c_str(), &error))
        throw std::runtime_error("bad device record: " + TakeMessage(error));
    return sysPath;
}

std::string Testbed::Plug(std::string_view record)
{
    std::string sysPath = Add(record);
    Uevent(sysPath, "add");
    return sysPath;
}

void Testbed::Unplug(const std::string& sysPath)
{
    Uevent(sysPath, "remove");
    std::lock_guard guard(lock_);
    umockdev_testbed_remove_device(testbed_, sysPath.c_str());
}

void Testbed::Uevent(const std::string& sysPath, const char* action)
{
    std::lock_guard guard(lock_);
    umockdev_testbed_uevent(testbed_, sysPath.c_str(), action);
}

void Testbed::Attach(const std::string& devNode, DeviceNode& node)
{
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(OnIoctl), &node);
    g_signal_connect(handler, "handle-read", G_CALLBACK(OnRead), &node);
    g_signal_connect(handler, "handle-write", G_CALLBACK(OnWrite), &node);
    g_signal_connect(handler, "client-connected", G_CALLBACK(OnConnected), &node);
    g_signal_connect(handler, "client-vanished", G_CALLBACK(OnVanished), &node);
    std::lock_guard guard(lock_);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devNode.c_str(), handler, &error)) {
        g_object_unref(handler);
        throw std::runtime_error("cannot attach to " + devNode + ": " + TakeMessage(error));
    }
    attachments_.push_back({devNode, handler});
}

std::string Testbed::RootDir() const
{
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    std::string result = root;
    g_free(root);
    return result;
}

} // namespace sim
