#pragma once
// What every test of the ground floor needs.
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;
