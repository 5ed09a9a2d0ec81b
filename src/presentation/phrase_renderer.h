#pragma once
// How the banner's phrase box reaches the screen: painted by its own widget through Qt,
// or drawn by the X server from pictures it keeps. The box decides where it is and
// what it shows; its renderer only puts that on the screen.
#include <QRect>

#include <utility>
#include <vector>

class QPainter;

namespace zepril {

// Where the box is drawn: whole pixels, and eighths of a pixel beyond its left.
struct PhrasePlacement {
    QRect box;
    int phase = 0;
    bool operator==(const PhrasePlacement&) const = default;
};

class PhraseRenderer {
public:
    virtual ~PhraseRenderer() = default;
    // Whether the box has anything to show.
    virtual void setShown(bool shown) = 0;
    // The box went from `from` to `to`.
    virtual void moved(const PhrasePlacement& from, const PhrasePlacement& to) = 0;
    // What the box shows changed (text, font, colours, backdrop); `at` is where it is.
    virtual void redraw(const PhrasePlacement& at) = 0;
    // The box no longer keeps the tile under `key`.
    virtual void forgetTile(qint64 key) = 0;
    // Qt asks the box's widget for `area`; a renderer that draws elsewhere keeps the
    // widget hidden and paints nothing.
    virtual void paint(QPainter& painter, const QRect& area) = 0;
    // Whether placements can be handed over ahead of the time they are due.
    virtual bool drawsAhead() const { return false; }
    // Each placement is drawn its milliseconds from now.
    virtual void drawAhead(const std::vector<std::pair<double, PhrasePlacement>>&) {}
};

}
