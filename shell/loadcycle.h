#pragma once
// The full load: three single commands and one batch, in the device's expected order.
#include "sdk/quellport.h"
#include "shell/dvrrecords.h"

#include <cstdint>

// Where a full load stopped; each has its own message in the dialog.
enum class LoadStop { None, DeviceInfo, Scale, Ptz, Batch };

// Runs the full load into `records`. A stop empties the command queue, so no entry outlives the
// sequence that queued it.
LoadStop fullLoad(DvrRecords &records, std::int32_t login, SdkProgressCallback progress, void *context);
