#pragma once
// The forecast document is read as plain text, not as XML: an element's value is
// whatever lies between the first "<name>" and the first "</name>", blanks included.
#include <QString>

#include <optional>

namespace zepril {

// The value of the element's first occurrence, matched exactly and case-sensitively.
// Nothing when either tag is missing or the first closing tag starts before the first
// opening tag ends: a truncated or garbled document must not put text on screen.
std::optional<QString> extractElement(const QString& document, const QString& name);

}
