#pragma once
// Composition of the day's playlist: per category the hotel's index videos, then at
// most five of the category's own videos drawn at random.
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <random>

namespace zepril {

// One generator for the run, seeded once, so draws within one second still differ.
class RandomSource {
public:
    RandomSource();
    explicit RandomSource(unsigned seed) : m_engine(seed) {}
    // A whole number from lower to upper, both included; the upper bound comes first.
    int between(int upper, int lower);

private:
    std::mt19937 m_engine;
};

// Appends at most five entries of source to playlist as category + separator + entry,
// in drawing order; scratch receives the drawn indices as decimal texts.
void drawCategoryVideos(const QStringList& source, QStringList& scratch, const QString& category, QStringList& playlist,
                        RandomSource& random);

// The eleven index videos, in their fixed order.
struct IndexSlots {
    QString index_ga, index_hotel, index_hotel_a, index_hotel_b, index_hotel_c;
    std::array<QString, 6> index_rub; // a..f, by category
};

// Each slot is "index/<base>.avi" when that file exists, else "index/<base>.mp4".
// fileExists receives the full path of the ".avi" candidate.
IndexSlots resolveIndexSlots(const QString& videoRoot, const std::function<bool(const QString&)>& fileExists);

// The whole playlist: for each category the five hotel-wide index videos and the
// category's own (those whose file exists), then its drawn videos. statusFor receives each
// category's status text as the draw begins.
QStringList composePlaylist(const IndexSlots& index, const std::array<QStringList, 6>& playable,
                            const QString& videoRoot, const std::function<bool(const QString&)>& fileExists,
                            QStringList& scratch, RandomSource& random,
                            const std::function<void(const QString&)>& statusFor = {});

QString playlistStatusText(const QString& category);

}
