#pragma once
// The four time segments of one day in the weekly schedule editors (arming time, recording plan):
// each a start and an end written hour * 100 + minute, 24:00 the latest; an unticked segment is
// 0-0. The checks run in the order the operator is told about them: each segment's range, order
// and overlap before the next segment's.
#include <QString>

#include <array>

constexpr int DaySegmentCount = 4;
constexpr int LatestSegmentTime = 2400;

using SegmentTimes = std::array<int, DaySegmentCount>;

// The first rule the segments break, worded with `segmentWord` ("布防时间段", "录像时间段") and
// numbered from 1; empty when all pass.
inline QString daySegmentsError(const SegmentTimes &start, const SegmentTimes &end, const QString &segmentWord)
{
    for (int i = 0; i < DaySegmentCount; ++i) {
        if (start[i] > LatestSegmentTime || end[i] > LatestSegmentTime)
            return QStringLiteral("时间不能大于24:00!");
        if (start[i] > end[i])
            return segmentWord + QStringLiteral("%1开始时间不能大于结束时间!").arg(i + 1);
        for (int j = 0; j < DaySegmentCount; ++j) {
            // Strict on both sides: a segment ending where the next starts does not overlap it.
            if (j != i && start[i] < end[j] && start[j] < end[i])
                return segmentWord + QStringLiteral("%1,%2不能重复!").arg(i + 1).arg(j + 1);
        }
    }
    return {};
}
