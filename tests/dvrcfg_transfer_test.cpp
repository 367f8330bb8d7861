// dvrcfg: what restore and apply send, merge and report.
#include "simfixture.h"
#include "tools/dvrcfg.h"

#include <gtest/gtest.h>

namespace {
} // namespace
