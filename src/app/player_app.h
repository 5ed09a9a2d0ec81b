#pragma once
// The composition root: creates the start-up window, the main screen, the player, the
// transfer controls and the platform services, and wires them for a real run.
#include "core/program_paths.h"
#include "core/server_config.h"
#include "core/timings.h"

#include <memory>

namespace zepril {

class PlayerApp final {
public:
    explicit PlayerApp(Timings timings = Timings::production());
    ~PlayerApp();
    PlayerApp(const PlayerApp&) = delete;
    PlayerApp& operator=(const PlayerApp&) = delete;

    // Shows the start-up window; its timer later loads the main screen.
    void start();

private:
    struct Parts;
    std::unique_ptr<Parts> m;
};

// Call first thing in main(), before the QApplication exists.
void preparePlayerEnvironment();

}
