#pragma once

#include "services/services.h"

#include <iosfwd>

namespace gw::platform {

// Messages for the command-line tool: errors and warnings go to the error stream, everything
// else to the output stream. There is nobody to answer a question, so it takes the default.
class ConsoleMessages : public MessageService {
public:
    ConsoleMessages(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    MessageAnswer show(const Message& message) override;

private:
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace gw::platform
