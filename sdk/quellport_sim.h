#pragma once
// For tests and the demo host: the simulated recorder behind an in-process log-in.
#include "simulator/device.h"

#include <cstdint>
#include <memory>

#if defined(QUELLPORT_BUILD) && defined(_WIN32)
#define QUELLPORT_CXX_EXPORT __declspec(dllexport)
#elif defined(QUELLPORT_BUILD)
#define QUELLPORT_CXX_EXPORT __attribute__((visibility("default")))
#else
#define QUELLPORT_CXX_EXPORT
#endif

// Null unless `login` is an in-process ("sim://") log-in.
QUELLPORT_CXX_EXPORT std::shared_ptr<dvrsim::Device> quellport_sim_device(std::int32_t login);
