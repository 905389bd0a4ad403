// A message posted to a window (platform/window), carried to the GUI thread as a Qt event
// with the copy of its record.
#pragma once

#include "platform/window/window.h"

#include <QEvent>

class PostedMessageEvent : public QEvent {
public:
    explicit PostedMessageEvent(PostedMessage message) : QEvent(Type()), message_(std::move(message))
    {
        if (!message_.copy.empty())
            message_.lParam = reinterpret_cast<LPARAM>(message_.copy.data());
    }

    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    const PostedMessage& message() const { return message_; }

private:
    PostedMessage message_;
};
