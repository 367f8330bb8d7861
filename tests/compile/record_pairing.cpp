// Built by the test WrongRecordPairingDoesNotCompile: with DVR_WRONG_PAIRING a device information
// record is queued as the network record's command type, which must not compile.
#include "command/typedcommands.h"
#include "model/dvrrecords.h"

bool queueOne(DvrRecords &r)
{
#ifdef DVR_WRONG_PAIRING
    return queueGet<cmd::Network>(0, 0, r.deviceInfo);
#else
    return queueGet<cmd::DeviceInfo>(0, 0, r.deviceInfo);
#endif
}
