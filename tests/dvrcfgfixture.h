#pragma once
// What the dvrcfg tests share: a recorder's record by command type, and a backup that has been
// through the file format.
#include "simulator/device.h"
#include "tools/dvrcfg.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#if defined(DVRCFG_PATH) && !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#endif

template <typename Record> Record &recordOf(dvrsim::Device &device, std::int32_t getType, std::int32_t channel)
{
    std::size_t size = 0;
    std::uint8_t *at = device.locate(getType, channel, size);
    EXPECT_TRUE(at && size == sizeof(Record)) << getType << " " << channel;
    return *reinterpret_cast<Record *>(at);
}

// Through the file format, so every test also checks that a backup verifies.
inline dvrcfg::Snapshot backupOf(std::int32_t login)
{
    dvrcfg::Snapshot s;
    std::string error;
    EXPECT_TRUE(dvrcfg::loadLogin(login, s, error)) << error;
    dvrcfg::Snapshot read;
    EXPECT_TRUE(dvrcfg::fromJson(dvrcfg::toJson(s), read, error)) << error;
    return read;
}

#if defined(DVRCFG_PATH) && !defined(_WIN32)
struct Outcome {
    int exit = -1; // -1: crashed or did not end in time
    std::string out, err;
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DVRCFG_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DVRCFG_SANITIZED 1
#endif
#endif

// The child has at most 2 GiB of address space (unless a sanitizer's shadow memory needs more)
// and files of `fileSize` bytes, so a fault that reads or writes without end fails the test
// instead of the machine.
inline Outcome run(const QStringList &arguments, rlim_t fileSize = RLIM_INFINITY,
                   const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.setChildProcessModifier([fileSize] {
#ifndef DVRCFG_SANITIZED
        const rlimit memory{rlim_t(2) << 30, rlim_t(2) << 30};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        const rlimit file{fileSize, fileSize};
        ::setrlimit(RLIMIT_FSIZE, &file);
        ::signal(SIGXFSZ, SIG_IGN);
    });
    p.start(QStringLiteral(DVRCFG_PATH), arguments);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

#endif
