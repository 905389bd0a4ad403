#include "sim/core/testbed.h"

#include <umockdev.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace sim {

// What umockdev's worker thread reaches a node through. umockdev may still deliver a call
// or a client's vanishing after the testbed let the node go (a client closed just before
// the end is seen late), so the gate outlives the testbed and answers such calls itself:
// the node may be gone by then.
struct Testbed::Gate {
    std::mutex lock;
    std::condition_variable idle;
    DeviceNode* node;
    int inFlight = 0;

    // Runs `call` on the node while it is still attached; false when it is not.
    template <class Call>
    bool Enter(Call&& call)
    {
        DeviceNode* attached; // taken under the lock: Close() clears `node` before it waits
        {
            std::lock_guard guard(lock);
            if (node == nullptr)
                return false;
            attached = node;
            ++inFlight;
        }
        struct Leave {
            Gate& gate;
            ~Leave()
            {
                std::lock_guard guard(gate.lock);
                if (--gate.inFlight == 0)
                    gate.idle.notify_all();
            }
        } leave{*this};
        call(*attached);
        return true;
    }

    // No call reaches the node after this returns.
    void Close()
    {
        std::unique_lock guard(lock);
        node = nullptr;
        idle.wait(guard, [this] { return inFlight == 0; });
    }
};

namespace {

// Gates live as long as the process: umockdev gives no word of its last call.
std::vector<std::unique_ptr<Testbed::Gate>>& Gates()
{
    static auto* gates = new std::vector<std::unique_ptr<Testbed::Gate>>;
    return *gates;
}

std::mutex& GatesLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

template <class Call>
gboolean Answer(UMockdevIoctlClient* client, gpointer user, Call&& call)
{
    auto* gate = static_cast<Testbed::Gate*>(user);
    DeviceCall deviceCall(client);
    Reply reply;
    try {
        if (!gate->Enter([&](DeviceNode& node) { reply = call(node, deviceCall); }))
            reply = Reply::Fail(ENODEV);
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
    static_cast<Testbed::Gate*>(user)->Enter([client](DeviceNode& node) { node.Opened(client); });
}

void OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    static_cast<Testbed::Gate*>(user)->Enter([client](DeviceNode& node) { node.Closed(client); });
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
        attachment.gate->Close();
        g_signal_handlers_disconnect_matched(attachment.handler, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                             attachment.gate);
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
    Gate* gate = nullptr;
    {
        std::lock_guard guard(GatesLock());
        Gates().push_back(std::make_unique<Gate>());
        gate = Gates().back().get();
        gate->node = &node;
    }
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(OnIoctl), gate);
    g_signal_connect(handler, "handle-read", G_CALLBACK(OnRead), gate);
    g_signal_connect(handler, "handle-write", G_CALLBACK(OnWrite), gate);
    g_signal_connect(handler, "client-connected", G_CALLBACK(OnConnected), gate);
    g_signal_connect(handler, "client-vanished", G_CALLBACK(OnVanished), gate);
    std::lock_guard guard(lock_);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devNode.c_str(), handler, &error)) {
        gate->Close();
        g_signal_handlers_disconnect_matched(handler, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, gate);
        g_object_unref(handler);
        throw std::runtime_error("cannot attach to " + devNode + ": " + TakeMessage(error));
    }
    attachments_.push_back({devNode, handler, gate});
}

std::string Testbed::RootDir() const
{
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    std::string result = root;
    g_free(root);
    return result;
}

} // namespace sim
