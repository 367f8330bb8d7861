#pragma once
// A log-in to an in-process simulated recorder through the SDK stand-in.
#include "command/Configfuc.h"
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "sdk/quellport_sim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class SimulatedRecorder {
public:
    explicit SimulatedRecorder(const std::string &query = "")
    {
        std::string missing;
        EXPECT_TRUE(sdk_load(&missing)) << missing;
        login = SdkLogin(("sim://" + query).c_str(), "admin", "12345");
        EXPECT_GE(login, 0) << query;
        device = quellport_sim_device(login);
        config_clear_queue();
    }
    ~SimulatedRecorder()
    {
        config_clear_queue();
        SdkLogout(login);
    }
    SimulatedRecorder(const SimulatedRecorder &) = delete;
    SimulatedRecorder &operator=(const SimulatedRecorder &) = delete;

    std::int32_t login = -1;
    std::shared_ptr<dvrsim::Device> device;
};
