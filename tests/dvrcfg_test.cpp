// dvrcfg: the field tables, and backup, show, diff, restore and apply against simulated recorders.
#include "records/fieldtables.h"
#include "shell/dvrrecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Every table, record or nested structure, names every byte once: named fields plus carried
// ranges add up to the struct's size with no gap and no overlap.
TEST(FieldTables, EveryTableCoversItsStructExactly)
{
    const auto tables = fields::allTables();
    EXPECT_GE(tables.size(), 18u + 15u);
    for (const fields::Table *table : tables) {
        const auto problems = fields::coverageProblems(*table);
        EXPECT_TRUE(problems.empty()) << table->name << ": " << problems.front();
    }
}

TEST(FieldTables, CoverageCheckFindsAGapAnOverlapAndAWrongSize)
{
    const fields::Table &good = fields::tableOf<AlarmOutRecord>();
    fields::Table gap = good;
    gap.fields.erase(gap.fields.begin()); // reserved0 forgotten
    EXPECT_FALSE(fields::coverageProblems(gap).empty());
    fields::Table overlap = good;
    overlap.fields[1].offset -= 1;
    EXPECT_FALSE(fields::coverageProblems(overlap).empty());
    fields::Table longer = good;
    longer.size += 1;
    EXPECT_FALSE(fields::coverageProblems(longer).empty());
}

TEST(FieldTables, ListTextsFollowThePages)
{
    const fields::Table &stream = fields::tableOf<StreamSettings>();
    const auto field = [](const fields::Table &t, const char *name) {
        for (const auto &f : t.fields)
            if (std::strcmp(f.name, name) == 0)
                return f;
        ADD_FAILURE() << name;
        return fields::Field{};
    };
    const fields::Field rate = field(stream, "maxBitRate");
    EXPECT_EQ(rate.offset, 4u);
    EXPECT_EQ(rate.items(2), "32Kbps");
    EXPECT_EQ(rate.items(23), "2048Kbps");
    EXPECT_EQ(rate.items(24), "");
    EXPECT_EQ(rate.items(0x802EE000), "自定义 3000Kbps");
    const fields::Field status = field(fields::tableOf<DiskEntry>(), "diskStatus");
    EXPECT_EQ(status.items(5), "休眠");
    EXPECT_EQ(status.items(6), "未知");
    const fields::Field nic = field(fields::tableOf<NetworkRecord>(), "nicType");
    EXPECT_EQ(nic.items(0), "");
    EXPECT_EQ(nic.items(1), "10MBase - T");
    EXPECT_EQ(nic.items(6), "1000M全双工");
    const fields::Field offset = field(fields::tableOf<DnsNtpRecord>(), "utcOffsetHours");
    EXPECT_EQ(offset.kind, fields::Kind::Signed);
    const std::uint8_t minusTwelve = 0xF4;
    EXPECT_EQ(fields::readInteger(&minusTwelve, 1, true), -12);
    const fields::Field receivers = field(fields::tableOf<EmailRecord>(), "receiverName");
    EXPECT_EQ(receivers.kind, fields::Kind::Text);
    EXPECT_EQ(receivers.count, 2u);
    EXPECT_EQ(receivers.elementSize(), 32u);
}

} // namespace
