// The program's error type: an exception carrying one of the program's own
// message texts. The standard error box shows those that reach the event loop.
#pragma once

#include <QString>

#include <stdexcept>

namespace kalo {

class KaloError : public std::runtime_error {
public:
    explicit KaloError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace kalo
