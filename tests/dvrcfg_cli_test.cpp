// dvrcfg: the program's options, help, errors, input bounds and backup files.
#include "simfixture.h"
#include "tools/dvrcfg.h"

#include <gtest/gtest.h>

namespace {
} // namespace
