#pragma once
// Which boot of the machine this is, so that what a run leaves in the tree can tell a
// restart within the same boot from the first start after a reboot.
#include <QString>

namespace zepril {

// This boot's id: ZEPRIL_BOOT_ID when set (tests, and containers that share the host's
// kernel), else the kernel's; empty when there is none.
QString currentBootId();

}
