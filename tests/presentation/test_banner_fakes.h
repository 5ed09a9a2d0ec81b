#pragma once
// Fakes of the banner cycle's collaborators: a raiser that records, and a banner
// surface whose phrase widths are chosen by the test.
#include "presentation/banner_cycle.h"
#include "presentation/window_raiser.h"

#include <QHash>

namespace zepril::test {

class RecordingRaiser final : public WindowRaiser {
public:
    void raise(StackedWindow window) override
    {
        raised.append(window);
        order.raise(window);
    }
    QList<StackedWindow> raised;
    StackingOrder order;
};

class FakeSurface final : public BannerSurface {
public:
    void setPhraseText(const QString& text) override
    {
        reference.width = widths.value(text, defaultWidth);
        phraseText = text;
    }
    TwipsRect referenceGeometry() const override { return reference; }
    void setReferenceLeft(double left) override { reference.left = left; }
    void setPhraseGeometry(const TwipsRect& rect) override { phrase = rect; }
    double phraseLeft() const override { return phrase.left; }
    void setPhraseLeft(double left) override { phrase.left = left; }
    double phraseWidth() const override { return phrase.width; }
    double screenWidth() const override { return width; }
    double scrollStep() const override { return step; }

    double width = 19200;
    double step = 30;
    double defaultWidth = 6000;
    QHash<QString, double> widths;
    TwipsRect reference{0, 300, 19200, 900};
    TwipsRect phrase;
    QString phraseText;
};

}
