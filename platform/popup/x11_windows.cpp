#include "platform/popup/x11_windows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace platform::x11 {
namespace {

enum AtomName {
    NetClientList,
    NetWmName,
    Utf8String,
    NetWmWindowType,
    NetWmWindowTypeDialog,
    NetSupported,
    NetCloseWindow,
    WmProtocols,
    WmDeleteWindow,
    AtomCount
};

constexpr const char* kAtomNames[AtomCount] = {
    "_NET_CLIENT_LIST", "_NET_WM_NAME",   "UTF8_STRING",  "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_SUPPORTED",   "_NET_CLOSE_WINDOW", "WM_PROTOCOLS", "WM_DELETE_WINDOW",
};

template <class Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <class Reply>
ReplyPtr<Reply> Owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

std::string Latin1ToUtf8(const std::string& text)
{
    std::string utf8;
    for (unsigned char c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

} // namespace

struct Display::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t atoms[AtomCount] = {};

    ~Connection()
    {
        if (xcb != nullptr)
            xcb_disconnect(xcb);
    }

    // The property's bytes and type; empty when the window has none.
    std::string Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t& type)
    {
        auto reply = Owned(xcb_get_property_reply(
            xcb, xcb_get_property(xcb, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr));
        type = XCB_ATOM_NONE;
        if (reply == nullptr)
            return {};
        type = reply->type;
        auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    }

    std::vector<std::uint32_t> Words(xcb_window_t window, xcb_atom_t property)
    {
        xcb_atom_t type;
        std::string bytes = Property(window, property, type);
        std::vector<std::uint32_t> words(bytes.size() / 4);
        if (!words.empty())
            std::memcpy(words.data(), bytes.data(), words.size() * 4);
        return words;
    }

    bool Send(xcb_window_t destination, std::uint32_t eventMask, xcb_window_t window, xcb_atom_t type,
              std::uint32_t data0, std::uint32_t data1)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = type;
        message.data.data32[0] = data0;
        message.data.data32[1] = data1;
        xcb_void_cookie_t cookie = xcb_send_event_checked(xcb, 0, destination, eventMask, reinterpret_cast<const char*>(&message));
        auto error = Owned(xcb_request_check(xcb, cookie));
        return error == nullptr;
    }
};

std::unique_ptr<Display> Display::Connect()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return nullptr;
    auto connection = std::make_unique<Connection>();
    int screenNumber = 0;
    connection->xcb = xcb_connect(name, &screenNumber);
    if (xcb_connection_has_error(connection->xcb))
        return nullptr;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection->xcb));
    for (int n = 0; n < screenNumber && screens.rem > 0; ++n)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return nullptr;
    connection->root = screens.data->root;
    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int n = 0; n < AtomCount; ++n)
        cookies[n] = xcb_intern_atom(connection->xcb, 0, static_cast<std::uint16_t>(std::strlen(kAtomNames[n])), kAtomNames[n]);
    for (int n = 0; n < AtomCount; ++n) {
        auto reply = Owned(xcb_intern_atom_reply(connection->xcb, cookies[n], nullptr));
        if (reply == nullptr)
            return nullptr;
        connection->atoms[n] = reply->atom;
    }
    return std::unique_ptr<Display>(new Display(std::move(connection)));
}

Display::Display(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}

Display::~Display() = default;

bool Display::Healthy() const
{
    return xcb_connection_has_error(connection_->xcb) == 0;
}

std::vector<std::uint32_t> Display::TopLevelWindows()
{
    std::vector<std::uint32_t> windows = connection_->Words(connection_->root, connection_->atoms[NetClientList]);
    if (!windows.empty())
        return windows;
    auto tree = Owned(xcb_query_tree_reply(connection_->xcb, xcb_query_tree(connection_->xcb, connection_->root), nullptr));
    if (tree == nullptr)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::vector<std::uint32_t>(children, children + xcb_query_tree_children_length(tree.get()));
}

std::string Display::Title(std::uint32_t window)
{
    xcb_atom_t type;
    std::string title = connection_->Property(window, connection_->atoms[NetWmName], type);
    if (type == connection_->atoms[Utf8String])
        return title;
    title = connection_->Property(window, XCB_ATOM_WM_NAME, type);
    return type == XCB_ATOM_STRING ? Latin1ToUtf8(title) : title;
}

bool Display::IsDialog(std::uint32_t window)
{
    for (std::uint32_t type : connection_->Words(window, connection_->atoms[NetWmWindowType]))
        if (type == connection_->atoms[NetWmWindowTypeDialog])
            return true;
    std::vector<std::uint32_t> owner = connection_->Words(window, XCB_ATOM_WM_TRANSIENT_FOR);
    return !owner.empty() && owner.front() != 0;
}

bool Display::Close(std::uint32_t window)
{
    for (std::uint32_t supported : connection_->Words(connection_->root, connection_->atoms[NetSupported]))
        if (supported == connection_->atoms[NetCloseWindow])
            return connection_->Send(connection_->root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                                     window, connection_->atoms[NetCloseWindow], XCB_CURRENT_TIME, 2);
    return connection_->Send(window, XCB_EVENT_MASK_NO_EVENT, window, connection_->atoms[WmProtocols],
                             connection_->atoms[WmDeleteWindow], XCB_CURRENT_TIME);
}

} // namespace platform::x11
