// The few X11 requests the pop-up closer makes, on one connection of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::x11 {

class Display {
public:
    // nullptr when no X11 display can be reached.
    static std::unique_ptr<Display> Connect();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Top-level client windows: the window manager's list, else the root's children.
    std::vector<std::uint32_t> TopLevelWindows();
    std::string Title(std::uint32_t window);
    bool IsDialog(std::uint32_t window);
    bool Close(std::uint32_t window);
    bool Healthy() const;

private:
    struct Connection;
    explicit Display(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> connection_;
};

} // namespace platform::x11
