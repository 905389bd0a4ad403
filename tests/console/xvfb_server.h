// An X server of a test's own (Xvfb, Debian xvfb), and a client that puts dialogs of
// "another program" on it and sees the close requests they receive. There is no window
// manager on it: close requests go straight to the windows.
#pragma once

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace consoletest {

class XServer {
public:
    XServer()
    {
        int pipeFds[2];
        if (access("/usr/bin/Xvfb", X_OK) != 0 || pipe(pipeFds) != 0)
            return;
        std::string fd = std::to_string(pipeFds[1]);
        // -terminate: the server ends with its last client, also when the test dies.
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-terminate",
                              "-screen", "0", "640x480x24", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, "/usr/bin/Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        char number[16] = {};
        ssize_t got = pid_ > 0 ? read(pipeFds[0], number, sizeof number - 1) : 0;
        close(pipeFds[0]);
        if (got > 0)
            display_ = ":" + std::string(number, std::strcspn(number, "\n"));
    }
    ~XServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Empty when no server could be started.
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
};

class XClient {
public:
    explicit XClient(const std::string& display) : xcb_(xcb_connect(display.c_str(), nullptr))
    {
        screen_ = xcb_connection_has_error(xcb_) ? nullptr : xcb_setup_roots_iterator(xcb_get_setup(xcb_)).data;
    }
    ~XClient() { xcb_disconnect(xcb_); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool Connected() const { return screen_ != nullptr; }

    xcb_atom_t Atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(xcb_, xcb_intern_atom(xcb_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        xcb_atom_t atom = reply->atom;
        std::free(reply);
        return atom;
    }

    // A mapped top-level window with a UTF-8 title, of the dialog or the normal type.
    xcb_window_t Window(const std::string& title, bool dialog)
    {
        xcb_window_t window = xcb_generate_id(xcb_);
        xcb_create_window(xcb_, XCB_COPY_FROM_PARENT, window, screen_->root, 0, 0, 100, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen_->root_visual, 0, nullptr);
        xcb_change_property(xcb_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), 8,
                            static_cast<uint32_t>(title.size()), title.data());
        xcb_atom_t type = Atom(dialog ? "_NET_WM_WINDOW_TYPE_DIALOG" : "_NET_WM_WINDOW_TYPE_NORMAL");
        xcb_change_property(xcb_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
        xcb_atom_t protocol = Atom("WM_DELETE_WINDOW");
        xcb_change_property(xcb_, XCB_PROP_MODE_REPLACE, window, Atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1, &protocol);
        xcb_map_window(xcb_, window);
        xcb_flush(xcb_);
        return window;
    }

    // Close requests received so far, each as the window it was for; waits for none.
    std::pair<xcb_window_t, bool> NextCloseRequest(bool wait)
    {
        xcb_atom_t protocols = Atom("WM_PROTOCOLS"), deleteWindow = Atom("WM_DELETE_WINDOW");
        while (auto* event = wait ? xcb_wait_for_event(xcb_) : xcb_poll_for_event(xcb_)) {
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
            if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
                continue;
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            return {message->window, message->type == protocols && message->data.data32[0] == deleteWindow};
        }
        return {0, false};
    }

    // Makes sure that everything sent to us so far has arrived.
    void Sync() { std::free(xcb_get_input_focus_reply(xcb_, xcb_get_input_focus(xcb_), nullptr)); }

private:
    xcb_connection_t* xcb_;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace consoletest
