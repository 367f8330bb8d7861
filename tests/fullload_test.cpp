// The order and the device-type conditions of the full load, as the recorder sees them.
#include "command/commandtypes.h"
#include "model/fullload.h"
#include "simfixture.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using dvrsim::LogEntry;

std::vector<LogEntry> expectedLoad(int type, int channels, int first, int alarmIn, int alarmOut)
{
    std::vector<LogEntry> log = {
        {"get_dvr_config", 100, 0}, {"get_scale_config", 0, 0}, {"get_ptz_config", 0, 0}, {"get_dvr_config", 1000, 0}};
    for (int k = 0; k < channels; ++k)
        for (int t : {1002, 1004, 1040, 1030})
            log.push_back({"get_dvr_config", t, first + k});
    if (!(type >= 30 && type <= 49))
        log.push_back({"get_dvr_config", 222, 0});
    log.push_back({"get_dvr_config", 1036, 0});
    for (int k = 0; k < channels; ++k)
        log.push_back({"get_dvr_config", 1042, first + k});
    for (int i = 0; i < alarmIn; ++i)
        log.push_back({"get_dvr_config", 1024, i});
    for (int j = 0; j < alarmOut; ++j)
        log.push_back({"get_dvr_config", 1026, j});
    log.push_back({"get_dvr_config", 1034, 0});
    if (type >= 81 && type <= 97) {
        log.push_back({"get_dvr_config", 1054, 0});
        log.push_back({"get_dvr_config", 1056, 0});
    }
    return log;
}

struct LoadCase {
    int type, channels, first, alarmIn, alarmOut;
};

class FullLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(FullLoad, SendsTheRecordsInOrderAndFillsThem)
{
    const LoadCase c = GetParam();
    SimulatedRecorder sim("type=" + std::to_string(c.type) + "&channels=" + std::to_string(c.channels) +
                          "&first=" + std::to_string(c.first) + "&alarmin=" + std::to_string(c.alarmIn) +
                          "&alarmout=" + std::to_string(c.alarmOut));
    auto r = std::make_unique<DvrRecords>();
    std::memset(r.get(), 0, sizeof *r);
    ASSERT_EQ(model::fullLoad(*r, sim.login, nullptr, nullptr), model::LoadStop::None);
    // The dialog has 16 channel, 16 alarm-input and 4 alarm-output slots.
    const int channels = std::min(c.channels, 16), in = std::min(c.alarmIn, 16), out = std::min(c.alarmOut, 4);
    ASSERT_EQ(sim.device->log(), expectedLoad(c.type, channels, c.first, in, out));

    const dvrsim::DeviceState &s = sim.device->state();
    EXPECT_EQ(std::memcmp(&r->deviceInfo, &s.info, sizeof s.info), 0);
    EXPECT_EQ(std::memcmp(&r->network, &s.network, sizeof s.network), 0);
    for (int k = 0; k < channels; ++k) {
        EXPECT_EQ(std::memcmp(&r->picture[k], &s.picture[k], sizeof r->picture[k]), 0);
        EXPECT_EQ(std::memcmp(&r->decoder[k], &s.decoder[k], sizeof r->decoder[k]), 0);
    }
    for (int i = 0; i < in; ++i)
        EXPECT_EQ(std::memcmp(&r->alarmIn[i], &s.alarmIn[i], sizeof r->alarmIn[i]), 0);
    EXPECT_EQ(std::memcmp(&r->ptz, &s.ptz, sizeof s.ptz), 0);
    EXPECT_EQ(r->scaleFlag, s.scale);
    EXPECT_EQ(config_queue().count, 0);
}

// Both ends of each type range and the types just outside them.
INSTANTIATE_TEST_SUITE_P(DeviceTypes, FullLoad,
                         ::testing::Values(LoadCase{29, 2, 1, 1, 1}, LoadCase{30, 4, 1, 2, 1}, LoadCase{40, 4, 1, 2, 1},
                                           LoadCase{49, 4, 0, 2, 1}, LoadCase{50, 2, 1, 1, 1}, LoadCase{81, 8, 1, 8, 4},
                                           LoadCase{97, 16, 33, 16, 4}, LoadCase{80, 2, 1, 0, 0},
                                           LoadCase{98, 1, 1, 1, 1}, LoadCase{82, 0, 1, 0, 0},
                                           LoadCase{82, 20, 1, 20, 6}),
                         [](const ::testing::TestParamInfo<LoadCase> &info) {
                             return "Type" + std::to_string(info.param.type) + "_" + std::to_string(info.index);
                         });

TEST(FullLoadStops, EachSingleCommandFailureStopsWithItsStepAndEmptiesTheQueue)
{
    const std::pair<int, model::LoadStop> stops[] = {{1, model::LoadStop::DeviceInfo},
                                                     {2, model::LoadStop::Scale},
                                                     {3, model::LoadStop::Ptz},
                                                     {4, model::LoadStop::Batch},
                                                     {20, model::LoadStop::Batch}};
    for (auto [nth, stop] : stops) {
        SimulatedRecorder sim("channels=4");
        auto r = std::make_unique<DvrRecords>();
        std::memset(r.get(), 0, sizeof *r);
        sim.device->injectFault(dvrsim::Fault::ResultFail, nth);
        EXPECT_EQ(model::fullLoad(*r, sim.login, nullptr, nullptr), stop) << nth;
        EXPECT_EQ(config_queue().count, 0) << nth;
    }
}

TEST(FullLoadStops, FailedScaleQuerySendsNoBatch)
{
    SimulatedRecorder sim("channels=4");
    auto r = std::make_unique<DvrRecords>();
    std::memset(r.get(), 0, sizeof *r);
    sim.device->injectFault(dvrsim::Fault::MissingPayload, 2);
    EXPECT_EQ(model::fullLoad(*r, sim.login, nullptr, nullptr), model::LoadStop::Scale);
    EXPECT_EQ(sim.device->log().size(), 2u);
    NetworkRecord zero{};
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&r->network, &zero, sizeof zero), 0);
}

} // namespace
