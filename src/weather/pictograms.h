#pragma once
// The six stock weather pictograms m0 … m5 (mist, sun, sun behind a cloud, rain cloud,
// storm cloud, moon): 79 × 80, transparent background, built into the program.
#include <QImage>
#include <QPixmap>
#include <QString>

namespace zepril {

inline constexpr int kPictogramCount = 6;

// Resource path of pictogram m<index>; empty outside 0 … 5.
QString stockPictogramPath(int index);

// The picture of m<index>; a null image or pixmap outside 0 … 5. A pixmap needs a
// running QGuiApplication, the image does not.
QImage stockPictogramImage(int index);
QPixmap stockPictogram(int index);

}
