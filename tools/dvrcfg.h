#pragma once
// dvrcfg: back up, show, compare, restore and roll out recorder configurations. The records
// travel by the dialog's own full load and save order; the field tables give them names.
#include "tools/backupfile.h" // snapshots, backup files, loading from a recorder
#include "tools/fieldview.h"  // fields: show, diff, merge rules
#include "tools/transfer.h"   // page order, send and verify, restore, apply
#include "tools/inventory.h"  // recorders by name, credentials kept out of the arguments
#include "tools/jsonreport.h" // --json output
