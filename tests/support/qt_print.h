#pragma once
// Lets GoogleTest print Qt texts readably, as values and after << in messages.
#include <QString>

#include <ostream>

inline std::ostream& operator<<(std::ostream& os, const QString& text)
{
    return os << '"' << text.toStdString() << '"';
}
