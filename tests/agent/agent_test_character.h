// A small character made in code for the control's tests: round bodies in
// three colours, seven mouth pictures, a sound, states, a balloon, and
// animations that loop, branch, exit to themselves and return.
#pragma once

#include "agent/acs_file.h"

#include <QString>

#include <ostream>

// Readable strings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace kalo::test {

// Frame size of the test character.
constexpr int kTestWidth = 40;
constexpr int kTestHeight = 30;

// Palette indices of the bodies: red, green, blue.
constexpr quint8 kRed = 1;
constexpr quint8 kGreen = 2;
constexpr quint8 kBlue = 3;

acs::Character MakeTestCharacter();
// Writes the character into a file in dir and returns its path.
QString WriteTestCharacter(const QString& dir, const acs::Character& c = MakeTestCharacter(),
                           const QString& name = QStringLiteral("Testy"));

} // namespace kalo::test
