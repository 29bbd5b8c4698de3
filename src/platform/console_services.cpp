#include "platform/console_services.h"

#include <ostream>

namespace gw::platform {

namespace {

MessageAnswer defaultAnswer(const Message& message) {
    switch (message.buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
        return message.defaultButton == 0 ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return message.defaultButton == 0 ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageButtons::YesNoCancel:
        return message.defaultButton == 0   ? MessageAnswer::Yes
               : message.defaultButton == 1 ? MessageAnswer::No
                                            : MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
}

} // namespace

MessageAnswer ConsoleMessages::show(const Message& message) {
    const bool problem =
        message.icon == MessageIcon::Critical || message.icon == MessageIcon::Exclamation;
    std::ostream& stream = problem ? err_ : out_;
    // Message boxes break lines with CR LF; a terminal wants plain line feeds.
    std::string text;
    for (char c : message.text) {
        if (c != '\r') {
            text += c;
        }
    }
    stream << (message.title.empty() ? kAppTitle : message.title) << ": " << text << '\n';
    return defaultAnswer(message);
}

} // namespace gw::platform
