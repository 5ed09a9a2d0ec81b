#pragma once
// The six content categories, always processed in this order.
#include <QString>

#include <array>

namespace zepril {

struct Category {
    const char* name;         // directory, list-file and server path component
    const char* playableList; // name of the list of videos present on disk
    const char* indexSlot;    // the category's own index video
    int stage;                // start-up stage mark shown once it is synchronized
};

inline constexpr std::array<Category, 6> kCategories{{
    {"restaurants", "l1_restaurants", "index_rub_a", 0},
    {"plages", "l2_plages", "index_rub_b", 1},
    {"night", "l3_night", "index_rub_c", 2},
    {"boutiques", "l4_boutiques", "index_rub_d", 3},
    {"services", "l5_services", "index_rub_e", 4},
    {"documentaires", "l6_docs", "index_rub_f", 5},
}};

}
