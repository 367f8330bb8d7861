#pragma once
// The full load: the catalogue's records in their order, the device information first (its counts
// decide the rest), single commands at their place and every other record in one batch.
#include "model/catalogue.h"
#include "sdk/quellport.h"

#include <cstdint>

namespace model {

// Runs the full load into `records`. A stop empties the command queue, so no entry outlives the
// sequence that queued it.
LoadStop fullLoad(DvrRecords &records, std::int32_t login, SdkProgressCallback progress, void *context);

} // namespace model
