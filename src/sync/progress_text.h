#pragma once
// The download's progress line: percent, megabytes received and megabytes announced.
#include <QLocale>
#include <QString>

namespace zepril {

// "50 %  -  1,5 Mo / 3 Mo" (comma-decimal locale). Numbers are rounded half to even,
// written in their shortest form with the locale's decimal separator and no grouping.
// With no announced length (announced <= 0) only the megabytes received are shown:
// "1,5 Mo".
QString progressText(double received, double announced, const QLocale& locale = QLocale());

// A count of bytes as megabytes (1024 x 1024) rounded half to even to two decimals,
// in the same shortest form.
QString megabytesText(double bytes, const QLocale& locale = QLocale());

}
